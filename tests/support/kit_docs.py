"""What the release tests read from the kit's Markdown documents."""
import re

FENCE = re.compile(r"^```(\w*)\s*$")


def sections(markdown):
    """(heading text, body lines) for every second-level heading, in order."""
    out, body, in_code = [], None, False
    for line in markdown.splitlines():
        if FENCE.match(line):
            in_code = not in_code
        if not in_code and line.startswith("## "):
            body = []
            out.append((line[3:].strip(), body))
        elif body is not None:
            body.append(line)
    return out


def headings(markdown):
    """The text of every ATX heading outside code blocks, any level."""
    out, in_code = [], False
    for line in markdown.splitlines():
        if FENCE.match(line):
            in_code = not in_code
        elif not in_code:
            m = re.match(r"^(#{1,6}) +(.*?)\s*#*\s*$", line)
            if m:
                out.append((len(m.group(1)), m.group(2)))
    return out


def code_blocks(lines):
    """(info string, code lines) for every fenced block among `lines`."""
    blocks, current = [], None
    for line in lines:
        m = FENCE.match(line)
        if m and current is None:
            current = (m.group(1), [])
        elif m:
            blocks.append(current)
            current = None
        elif current is not None:
            current[1].append(line)
    return blocks
