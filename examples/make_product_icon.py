#!/usr/bin/env python3
"""Writes disc/product.ico, the demo product's picture on the Run screen: a
rocket, 32x32 and 16x16 in 16 colours, with the launcher's icon writer
(launcher/make_notepad_icon.py). Run: python3 make_product_icon.py"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(HERE, '..', 'launcher'))
from make_notepad_icon import ico_bytes  # noqa: E402

ROCKET_32 = [
    "................................",
    "................................",
    "..............GGGG..............",
    "..............GWWG..............",
    ".............GGWWGG.............",
    "............GGWWWWGG............",
    "............GGWWWWGG............",
    "............GWWWWWWG............",
    "...........GGWWWWWWGG...........",
    "...........GGWWWWWWGG...........",
    "...........GWWDDDDWWG...........",
    "...........GWWDBBDWWG...........",
    "...........GWWBBBBWWG...........",
    "...........GWWDBBDWWG...........",
    "...........GWWWDDWWWG...........",
    "...........GWWWWWWWWG...........",
    "...........GWWWWWWWWG...........",
    "...........GWWWWWWWWG...........",
    "..........RGWWWWWWWWGR..........",
    ".........RRGWWWWWWWWGRR.........",
    "........RRRGWWWWWWWWGRRR........",
    ".......RRRRGWWWWWWWWGRRRR.......",
    "......RRRRRGWWWWWWWWGRRRRR......",
    "......RRRRRGWWWWWWWWGRRRRR......",
    ".....RRRRRRGWWWWWWWWGRRRRRR.....",
    "....RRRRRRR..RYYYYR..RRRRRRR....",
    "...RRRRRRRR...YYYY...RRRRRRRR...",
    "..............YYYY..............",
    "...............YY...............",
    "...............YY...............",
    "................................",
    "................................",
]

ROCKET_16 = [
    "................",
    ".......GG.......",
    "......GWWG......",
    "......GWWG......",
    "......WWWW......",
    ".....GWBBWG.....",
    ".....GWBBWG.....",
    ".....GWWWWG.....",
    ".....GWWWWG.....",
    ".....GWWWWG.....",
    "....RGWWWWGR....",
    "...RRGWWWWGRR...",
    "..RRR.RYYR.RRR..",
    ".RRRR..YY..RRRR.",
    ".......YY.......",
    "................",
]

if __name__ == '__main__':
    with open(os.path.join(HERE, 'disc', 'product.ico'), 'wb') as f:
        f.write(ico_bytes(ROCKET_32, ROCKET_16))
