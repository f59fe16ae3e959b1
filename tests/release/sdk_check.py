#!/usr/bin/python3
"""sdk_check.py SOURCE BUILD CC LLD_LINK

The SDK as the archive lays it out, used from C: its kLv_Tool.def names
kLv_Tool.dll with the library's exports; the C program of docs/authoring.md,
taken from the document, compiles as C against libkLv_Tool.a and runs under
Wine; a caller that lld-link links by Microsoft's rules against kLv_Tool.lib
alone runs and gets the promised answers."""
import os
import re
import shutil
import subprocess
import sys

SOURCE, BUILD, CC, LLD_LINK = sys.argv[1:5]
sys.path.insert(0, os.path.join(SOURCE, "tests", "support"))
import kit_docs  # noqa: E402

WORK = os.path.join(BUILD, "sdk_check")
SDK = os.path.join(WORK, "sdk")  # as scripts/dist packs it
SDK_FILES = [os.path.join(SOURCE, "library", "kLv_Tool.h"), os.path.join(BUILD, "library", "kLv_ToolW.h")] + [
    os.path.join(BUILD, "lib", name) for name in ("kLv_Tool.def", "libkLv_Tool.a", "kLv_Tool.lib")]

# No C library and its own entry point: kLv_Tool.lib is all it links. It
# ends with 0, or with the bits of the answers that were wrong.
NO_LIBRARY_CALLER = r"""
#include "kLv_Tool.h"
static int Same(const char* a, const char* b) { while (*a && *a == *b) ++a, ++b; return *a == *b; }
static int SameW(const wchar_t* a, const wchar_t* b) { while (*a && *a == *b) ++a, ++b; return *a == *b; }
int start(void) {
  return !Same(kLvToolVer(), VERSION) | !SameW(kLvToolVerW(), L"" VERSION) << 1 |
         (kLvDoesFileExist("C:\\klv-sdk-missing.txt") != 0) << 2;
}
"""
failures = []


def check(ok, text):
    if not ok:
        failures.append(text)


def run(command, what):
    done = subprocess.run(command, capture_output=True, text=True, timeout=120,
                          env=dict(os.environ, KLV_BUILD=BUILD, KLV_PREFIX="default"))
    check(done.returncode == 0, "%s ended with %d: %s%s" % (what, done.returncode, done.stdout, done.stderr))
    return done


def definitions(path):
    with open(path) as f:
        text = f.read()
    return re.search(r'^LIBRARY "([^"]+)"', text, re.M).group(1), re.findall(r"^  (\S+)$", text, re.M)


shutil.rmtree(WORK, ignore_errors=True)
os.makedirs(SDK)
for path in SDK_FILES:
    shutil.copy(path, SDK)
shutil.copy(os.path.join(BUILD, "bin", "kLv_Tool.dll"), WORK)
with open(os.path.join(SOURCE, "library", "directory.h")) as f:
    version = re.search(r'^#define KLV_VERSION "([^"]+)"', f.read(), re.M).group(1)
wine = [os.path.join(SOURCE, "scripts", "wine-run")]

shipped, own = definitions(os.path.join(SDK, "kLv_Tool.def")), definitions(os.path.join(BUILD, "library", "kLv_Tool.def"))
check(shipped[0] == "kLv_Tool.dll", "the SDK's kLv_Tool.def names %s" % shipped[0])
check(shipped[1] == own[1] and own[1], "the SDK's kLv_Tool.def lists other exports than the library's")

with open(os.path.join(SOURCE, "docs", "authoring.md"), encoding="utf-8") as f:
    examples = [code for info, code in kit_docs.code_blocks(f.read().splitlines()) if info == "c"]
check(len(examples) == 1, "docs/authoring.md holds %d C programs, not one" % len(examples))
example = os.path.join(WORK, "example.c")
with open(example, "w") as f:
    f.write("\n".join(examples[0] if examples else []) + "\n")
run([CC, "-x", "c", "-std=c99", "-pedantic", "-Wall", "-Wextra", "-Werror", example, "-I" + SDK, "-L" + SDK,
     "-lkLv_Tool", "-o", os.path.join(WORK, "example.exe")], "compiling the guide's C program")
lines = run(wine + [os.path.join(WORK, "example.exe")], "the guide's C program").stdout.splitlines()
check(len(lines) == 2 and lines[0] == "kLv_Tool.dll " + version and
      re.fullmatch(r"[A-Z]:\\.*\\Orvel\.ini (exists|is missing)", lines[1], re.I), "the C program printed %r" % lines)

caller = os.path.join(WORK, "caller.c")
with open(caller, "w") as f:
    f.write(NO_LIBRARY_CALLER)
run([CC, "-x", "c", "-c", "-O2", "-ffreestanding", "-fno-asynchronous-unwind-tables", '-DVERSION="%s"' % version,
     "-I" + SDK, caller, "-o", caller + ".obj"], "compiling the caller for lld-link")
# MinGW's compiler does not mark its objects as safe for SEH tables.
run([LLD_LINK, "/nologo", "/machine:x86", "/subsystem:console", "/entry:start", "/nodefaultlib", "/safeseh:no",
     "/out:" + caller + ".exe", caller + ".obj", os.path.join(SDK, "kLv_Tool.lib")], "lld-link against kLv_Tool.lib")
run(wine + [caller + ".exe"], "the lld-linked caller (1 to 7: its wrong answers, else it did not run)")

shutil.rmtree(WORK, ignore_errors=True)
for text in failures:
    print("sdk_check: " + text)
sys.exit(1 if failures else 0)
