#!/usr/bin/python3
"""reference_check.py SOURCE BUILD

Reads the library's function directory through the UCD stand-in host (as
an Authorware host reads it) and holds docs/reference.md and the example
scripts to it: one section per function, in directory order, each with a
Lingo and an Authorware call of the function on its first lines; and every
call of a kit function in a Lingo or Authorware example (of the reference,
the guides and the example scripts) passes the
arguments its directory row declares (how many, and text or integer where
the argument is written out). The README's function overview names every
function of the directory once and no other."""
import os
import re
import subprocess
import sys

SOURCE, BUILD = (os.path.abspath(p) for p in sys.argv[1:3])
sys.path.insert(0, os.path.join(SOURCE, "tests", "support"))
import kit_docs  # noqa: E402

# Example scripts beside the reference, by their language.
SCRIPTS = {
    "examples/scripts/install-director.ls": "lingo",
    "examples/scripts/install-authorware.txt": "authorware",
}
INSTANCE = "gKit"

failures = []


def fail(text):
    failures.append(text)


def host_listing(host, module):
    """What a stand-in host prints when it lists a module."""
    env = dict(os.environ, KLV_BUILD=BUILD, KLV_PREFIX=os.environ.get("KLV_PREFIX", "default"))
    listing = subprocess.run(
        [os.path.join(SOURCE, "scripts", "wine-run"), host, module],
        cwd=os.path.join(BUILD, "bin"), env=env, capture_output=True, text=True, timeout=120)
    if listing.returncode != 0:
        sys.exit("%s failed (%d): %s" % (host, listing.returncode, listing.stderr))
    return listing


def read_directory():
    """{name: argument letters} in directory order, from ucdhost's listing."""
    listing = host_listing("ucdhost.exe", "kLv_Tool.dll")
    rows = {}
    for line in listing.stdout.splitlines():
        fields = line.split()
        if len(fields) >= 3 and fields[0].startswith("kLv"):
            rows[fields[0]] = "" if fields[2] == "V" else fields[2]
    if not rows:
        sys.exit("ucdhost listed no functions:\n" + listing.stdout)
    return rows


def split_arguments(text, start, language):
    """The arguments of the call whose "(" is at text[start], and the end."""
    args, depth, current, i = [], 0, "", start + 1
    while i < len(text):
        c = text[i]
        if c == '"':
            j = i + 1
            while j < len(text) and text[j] != '"':
                j += 2 if language == "authorware" and text[j] == "\\" else 1
            current += text[i:j + 1]
            i = j + 1
            continue
        if c == "(":
            depth += 1
        elif c == ")":
            if depth == 0:
                if current.strip() or args:
                    args.append(current.strip())
                return args, i + 1
            depth -= 1
        elif c == "," and depth == 0:
            args.append(current.strip())
            current = ""
            i += 1
            continue
        current += c
        i += 1
    return None, len(text)


def kind(arg, language):
    """"S" for a text literal, "I" for an integer literal, None otherwise.
    Lingo strings have no escapes; Authorware's have backslash escapes."""
    text = r'"[^"]*"' if language == "lingo" else r'"[^"\\]*(\\.[^"\\]*)*"'
    if re.fullmatch(text, arg):
        return "S"
    if re.fullmatch(r"-?\d+", arg):
        return "I"
    return None


def check_calls(code, language, where, rows):
    """Checks every kit call in `code`; answers the calls found."""
    found = []
    for m in re.finditer(r"\b(kLv\w+)\s*\(", code):
        name = m.group(1)
        args, _ = split_arguments(code, m.end() - 1, language)
        if name not in rows:
            fail("%s: %s is not in the library's directory" % (where, name))
            continue
        if args is None:
            fail("%s: the call of %s is not closed" % (where, name))
            continue
        letters = rows[name]
        if language == "lingo":
            if not args or not re.fullmatch(r"[A-Za-z_]\w*", args[0]):
                fail("%s: the Lingo call of %s does not begin with the Xtra instance" % (where, name))
                continue
            args = args[1:]
        if len(args) != len(letters):
            fail("%s: %s takes %d arguments (%s), the call passes %d" %
                 (where, name, len(letters), letters or "V", len(args)))
            continue
        for position, (arg, letter) in enumerate(zip(args, letters), 1):
            got = kind(arg, language)
            if got is not None and got != letter:
                fail("%s: argument %d of %s is %s, the directory declares %s" %
                     (where, position, name, "text" if got == "S" else "an integer",
                      "text" if letter == "S" else "an integer"))
        found.append(name)
    return found


def check_reference(rows):
    with open(os.path.join(SOURCE, "docs", "reference.md"), encoding="utf-8") as f:
        text = f.read()
    functions = [(h, body) for h, body in kit_docs.sections(text) if h.startswith("kLv")]
    names = [h for h, _ in functions]
    for missing in [n for n in rows if n not in names]:
        fail("reference: %s has no section" % missing)
    for extra in [n for n in names if n not in rows]:
        fail("reference: section %s names no function of the directory" % extra)
    listed = [n for n in names if n in rows]
    if listed != [n for n in rows if n in names]:
        fail("reference: the sections are not in directory order: %s" % ", ".join(listed))
    for name, body in functions:
        blocks = kit_docs.code_blocks(body)
        for language, call in (("lingo", "put %s(" % name), ("authorware", "result := %s(" % name)):
            first = [code[0] for info, code in blocks if info == language and code]
            line = next((c for c in first if c.startswith(call)), None)
            if line is None:
                fail("reference: %s has no %s call line beginning with '%s'" % (name, language, call))
                continue
            args, end = split_arguments(line, len(call) - 1, language)
            if language == "lingo" and args:
                if args[0] != INSTANCE:
                    fail("reference: %s's Lingo call line passes %s, not %s, as the instance" % (name, args[0], INSTANCE))
                args = args[1:]
            if args is None or line[end:].strip():
                fail("reference: %s's %s call line is not one call: %s" % (name, language, line))
            else:
                for arg in args:
                    if kind(arg, language) is None:
                        fail("reference: %s's %s call line writes out no value for %s" % (name, language, arg))
        for info, code in blocks:
            if info in ("lingo", "authorware"):
                check_calls("\n".join(code), info, "reference %s" % name, rows)


def check_index(rows):
    """The index names every function once, each linked to its section."""
    with open(os.path.join(SOURCE, "docs", "reference.md"), encoding="utf-8") as f:
        index = dict(kit_docs.sections(f.read())).get("Functions by family", [])
    links = re.findall(r"\[(kLv\w+)\]\(#([\w-]+)\)", "\n".join(index))
    named = [name for name, _ in links]
    for name in rows:
        if named.count(name) != 1:
            fail("reference: the index names %s %d times" % (name, named.count(name)))
    for name, anchor in links:
        if anchor != name.lower():
            fail("reference: the index links %s to #%s" % (name, anchor))


def check_guides(rows):
    for name in ("authoring.md", "launcher.md"):
        with open(os.path.join(SOURCE, "docs", name), encoding="utf-8") as f:
            lines = f.read().splitlines()
        for info, code in kit_docs.code_blocks(lines):
            if info in ("lingo", "authorware"):
                check_calls("\n".join(code), info, "docs/" + name, rows)


def check_readme(rows, xtra_name):
    """The README's "Functions" section names each function once; the only
    other kLv name it may show is the Xtra's."""
    with open(os.path.join(SOURCE, "README.md"), encoding="utf-8") as f:
        overview = [body for heading, body in kit_docs.sections(f.read()) if heading == "Functions"]
    if len(overview) != 1:
        fail("README.md: no single section \"Functions\"")
        return
    named = re.findall(r"\bkLv[A-Z]\w*", "\n".join(overview[0]))
    for name in rows:
        if named.count(name) != 1:
            fail("README.md: the function overview names %s %d times" % (name, named.count(name)))
    for name in sorted(set(named) - set(rows) - {xtra_name}):
        fail("README.md: the function overview names %s, which is no function of the directory" % name)


def check_method_list(listing):
    """The guide's method list is what the Xtra registers, line for line."""
    registered = [line.split(" ", 1)[1] for line in listing if re.match(r"\d+ ", line)]
    with open(os.path.join(SOURCE, "docs", "authoring.md"), encoding="utf-8") as f:
        blocks = kit_docs.code_blocks(f.read().splitlines())
    shown = next(([l for l in code if not l.startswith("-- ") and not l.startswith("xtra ")]
                  for _, code in blocks if any(l.startswith("new object me") for l in code)), [])
    if [l.rstrip() for l in shown] != [l.rstrip() for l in registered]:
        fail("docs/authoring.md: the method list differs from the one the Xtra registers")


def check_scripts(rows):
    for path, language in SCRIPTS.items():
        with open(os.path.join(SOURCE, path), encoding="utf-8") as f:
            code = f.read()
        # Comments may name functions freely.
        code = "\n".join(line.split("--")[0] for line in code.splitlines())
        if not check_calls(code, language, path, rows):
            fail("%s calls no function of the kit" % path)


rows = read_directory()
methods = host_listing("moahost.exe", "kLvTools.x32").stdout.splitlines()
check_reference(rows)
check_index(rows)
check_guides(rows)
check_readme(rows, methods[0].split()[1] if methods and methods[0].startswith("xtra ") else None)
check_method_list(methods)
check_scripts(rows)
for line in failures:
    print("FAIL", line)
print("reference: %d functions in the directory, %d problems" % (len(rows), len(failures)))
sys.exit(1 if failures else 0)
