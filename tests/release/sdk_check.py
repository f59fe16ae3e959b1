#!/usr/bin/python3
"""sdk_check.py SOURCE BUILD CC LLD_LINK

The SDK as C and C++ callers meet it: kLv_Tool.h compiles as C and as C++;
the callers' definitions name the file a caller loads, kLv_Tool.dll, with
the library's own exports; the C program of docs/authoring.md, taken from
the document, compiles as C against the MinGW import library and runs under
Wine; and a program that lld-link (Microsoft's linker's rules, /machine:x86)
links against kLv_Tool.lib alone runs under Wine and gets the answers the
library promises."""
import os
import re
import shutil
import subprocess
import sys

SOURCE, BUILD = (os.path.abspath(p) for p in sys.argv[1:3])
CC, LLD_LINK = sys.argv[3:5]
sys.path.insert(0, os.path.join(SOURCE, "tests", "support"))
import kit_docs  # noqa: E402

WORK = os.path.join(BUILD, "sdk_check")
# The SDK as the kit's archive lays it out (scripts/dist): a caller sees
# these files and no others.
SDK = os.path.join(WORK, "sdk")
SDK_FILES = [os.path.join(SOURCE, "library", "kLv_Tool.h"), os.path.join(BUILD, "library", "kLv_ToolW.h")] + [
    os.path.join(BUILD, "lib", name) for name in ("kLv_Tool.def", "libkLv_Tool.a", "kLv_Tool.lib")]
INCLUDES = ["-I" + SDK]

# Built the way Microsoft's tools build a caller: no C library, the entry
# point its own, kLv_Tool.lib the only library. Its exit code is 0 when
# every answer is the promised one, else the bits of the ones that were not.
NO_LIBRARY_CALLER = r"""
#include "kLv_Tool.h"

static int Same(const char* a, const char* b) {
  while (*a && *a == *b) ++a, ++b;
  return *a == *b;
}
static int SameW(const wchar_t* a, const wchar_t* b) {
  while (*a && *a == *b) ++a, ++b;
  return *a == *b;
}

int start(void) {
  int wrong = 0;
  if (!Same(kLvToolVer(), VERSION)) wrong |= 1;
  if (!SameW(kLvToolVerW(), L"" VERSION)) wrong |= 2;
  if (kLvDoesFileExist("C:\\klv-sdk-check-missing.txt") != 0) wrong |= 4;
  if (kLvDoesFileExistW(L"C:\\klv-sdk-check-missing.txt") != 0) wrong |= 8;
  return wrong;
}
"""

failures = []


def check(ok, text):
    if not ok:
        failures.append(text)


def run(command, what):
    done = subprocess.run(command, capture_output=True, text=True, timeout=300)
    check(done.returncode == 0, "%s failed (%d): %s%s" % (what, done.returncode, done.stdout, done.stderr))
    return done


def under_wine(program):
    env = dict(os.environ, KLV_BUILD=BUILD, KLV_PREFIX="default")
    return subprocess.run([os.path.join(SOURCE, "scripts", "wine-run"), program], env=env, capture_output=True,
                          text=True, timeout=120)


def version():
    with open(os.path.join(SOURCE, "library", "directory.h")) as f:
        return re.search(r'^#define KLV_VERSION "([^"]+)"', f.read(), re.M).group(1)


def exports(path):
    with open(path) as f:
        text = f.read()
    return re.search(r'^LIBRARY "([^"]+)"', text, re.M).group(1), re.findall(r"^  (\S+)$", text, re.M)


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(SDK)
    for path in SDK_FILES:
        shutil.copy(path, SDK)
    shutil.copy(os.path.join(BUILD, "bin", "kLv_Tool.dll"), WORK)
    header = os.path.join(SDK, "kLv_Tool.h")

    cxx = re.sub(r"gcc(-posix)?$", r"g++\1", CC)
    run([CC, "-x", "c", "-std=c89", "-pedantic", "-Wall", "-Wextra", "-Werror", "-fsyntax-only"] + INCLUDES + [header],
        "kLv_Tool.h as C")
    run([cxx, "-x", "c++", "-Wall", "-Wextra", "-Werror", "-fsyntax-only"] + INCLUDES + [header], "kLv_Tool.h as C++")

    caller_name, caller_exports = exports(os.path.join(SDK, "kLv_Tool.def"))
    own_name, own_exports = exports(os.path.join(BUILD, "library", "kLv_Tool.def"))
    check(caller_name == "kLv_Tool.dll", "the SDK's kLv_Tool.def names %s" % caller_name)
    check(own_name == "kLv_sys.dll", "the library's own definitions name %s" % own_name)
    check(caller_exports == own_exports and len(own_exports) > 0, "the SDK's kLv_Tool.def lists other exports")

    with open(os.path.join(SOURCE, "docs", "authoring.md"), encoding="utf-8") as f:
        examples = [code for info, code in kit_docs.code_blocks(f.read().splitlines()) if info == "c"]
    check(len(examples) == 1, "docs/authoring.md holds %d C programs, not one" % len(examples))
    if examples:
        source = os.path.join(WORK, "example.c")
        with open(source, "w") as f:
            f.write("\n".join(examples[0]) + "\n")
        program = os.path.join(WORK, "example.exe")
        run([CC, "-x", "c", "-std=c99", "-Wall", "-Wextra", "-Werror", source, "-o", program] + INCLUDES +
            ["-L" + SDK, "-lkLv_Tool"], "compiling the C example")
        if os.path.exists(program):
            done = under_wine(program)
            lines = done.stdout.splitlines()
            check(done.returncode == 0, "the C example ended with %d" % done.returncode)
            check(lines[:1] == ["kLv_Tool.dll " + version()], "the C example printed %r" % done.stdout)
            check(len(lines) == 2 and re.fullmatch(r"[A-Z]:\\.*\\Orvel\.ini (exists|is missing)", lines[1], re.I),
                  "the C example printed %r" % done.stdout)

    caller_source = os.path.join(WORK, "caller.c")
    with open(caller_source, "w") as f:
        f.write(NO_LIBRARY_CALLER)
    caller_object, caller = os.path.join(WORK, "caller.obj"), os.path.join(WORK, "caller.exe")
    run([CC, "-x", "c", "-c", "-O2", "-ffreestanding", "-fno-asynchronous-unwind-tables", '-DVERSION="%s"' % version(),
         caller_source, "-o", caller_object] + INCLUDES, "compiling the caller for lld-link")
    # MinGW's compiler does not mark its objects as safe for SEH tables.
    run([LLD_LINK, "/nologo", "/machine:x86", "/subsystem:console", "/entry:start", "/nodefaultlib", "/safeseh:no",
         "/out:" + caller, caller_object, os.path.join(SDK, "kLv_Tool.lib")], "lld-link against kLv_Tool.lib")
    if os.path.exists(caller):
        done = under_wine(caller)
        check(done.returncode == 0, "the lld-linked caller ended with %d (1 to 15: the bits of its wrong answers;"
                                     " else it did not run)" % done.returncode)

    shutil.rmtree(WORK, ignore_errors=True)
    for text in failures:
        print("sdk_check: " + text)
    sys.exit(1 if failures else 0)


main()
