#!/usr/bin/python3
"""dist_check.py SOURCE BUILD

Makes the kit archive twice and checks that the two are the same bytes,
that the archive is named by the version the library itself answers, that
it holds what an author needs and nothing unlisted, that SHA256SUMS covers
every file truthfully, and that each HTML page holds every heading of its
Markdown document."""
import hashlib
import html
import os
import re
import subprocess
import sys
import tempfile
import zipfile

SOURCE, BUILD = (os.path.abspath(p) for p in sys.argv[1:3])
sys.path.insert(0, os.path.join(SOURCE, "tests", "support"))
import kit_docs  # noqa: E402

DOCUMENTS = ["reference", "authoring", "launcher"]
REQUIRED = {
    "bin/kLv_Tool.dll", "bin/kLvTools.x32", "bin/autorun.exe",
    "sdk/kLv_Tool.h", "sdk/kLv_ToolW.h", "sdk/kLv_Tool.def", "sdk/libkLv_Tool.a", "sdk/kLv_Tool.lib",
    "tools/ucdhost.exe", "tools/moahost.exe",
    "examples/disc/autorun.exe", "examples/disc/autorun.inf", "examples/disc/Kelbit.ini",
    "examples/disc/setup.exe", "examples/disc/kLv_Tool.dll",
    "examples/scripts/install-director.ls", "examples/scripts/install-authorware.txt",
    "LICENSE.txt", "SHA256SUMS",
} | {"docs/%s.%s" % (d, ext) for d in DOCUMENTS for ext in ("md", "html")}
FOLDERS = ("bin/", "sdk/", "tools/", "docs/", "examples/")

failures = []


def check(ok, text):
    if not ok:
        failures.append(text)


def library_version():
    env = dict(os.environ, KLV_BUILD=BUILD, KLV_PREFIX="default")
    run = subprocess.run([os.path.join(SOURCE, "scripts", "wine-run"), "ucdhost.exe", "kLv_Tool.dll", "kLvToolVer"],
                         cwd=os.path.join(BUILD, "bin"), env=env, capture_output=True, text=True, timeout=120)
    if run.returncode != 0:
        sys.exit("ucdhost failed: " + run.stderr)
    return run.stdout.strip()


def make(out):
    subprocess.run([os.path.join(SOURCE, "scripts", "dist"), BUILD, out], check=True, stdout=subprocess.DEVNULL)
    made = os.listdir(out)
    if len(made) != 1:
        sys.exit("dist made %s" % made)
    return os.path.join(out, made[0])


def plain(text):
    """A heading as a reader sees it: no markup, no entities."""
    return html.unescape(re.sub(r"<[^>]+>", "", text)).replace("`", "").replace("*", "").strip()


def check_tables(name, markdown):
    """Every row of a Markdown table has its header's cells: a stray "|"
    (one inside code included) would cut a cell short on the page."""
    width = None
    for line in markdown.splitlines():
        if not line.startswith("|"):
            width = None
            continue
        cells = len(re.split(r"(?<!\\)\|", line.strip().strip("|")))
        if width is None:
            width = cells
        check(cells == width, "docs/%s.md: a table row has %d cells, its header %d: %s" % (name, cells, width, line))


def check_pages(files):
    for name in DOCUMENTS:
        markdown = files.get("docs/%s.md" % name, b"").decode("utf-8")
        page = files.get("docs/%s.html" % name, b"").decode("utf-8")
        check_tables(name, markdown)
        wanted = [(level, plain(text)) for level, text in kit_docs.headings(markdown)]
        shown = [(int(m.group(1)), plain(m.group(2))) for m in re.finditer(r"<h([1-6])[^>]*>(.*?)</h\1>", page, re.S)]
        check(wanted and wanted == shown, "docs/%s.html: headings %s, its Markdown has %s" % (name, shown, wanted))
        check("<table>" in page, "docs/%s.html: no table rendered" % name)
        check(".md\"" not in page, "docs/%s.html links a Markdown file instead of its page" % name)


def main():
    version = library_version()
    with tempfile.TemporaryDirectory() as scratch:
        first, second = make(os.path.join(scratch, "a")), make(os.path.join(scratch, "b"))
        check(os.path.basename(first) == "kLv-kit-%s.zip" % version,
              "%s is not named by the library's version %s" % (os.path.basename(first), version))
        with open(first, "rb") as a, open(second, "rb") as b:
            check(a.read() == b.read(), "two archives of one build differ")
        with zipfile.ZipFile(first) as archive:
            entries = archive.infolist()
            top = "kLv-kit-%s/" % version
            check(all(e.filename.startswith(top) for e in entries), "entries outside %s" % top)
            files = {e.filename[len(top):]: archive.read(e) for e in entries}
            check(sorted(files) == list(files), "entries are not in sorted order")
            check(len({e.date_time for e in entries}) == 1, "entries carry different dates")
            check({e.external_attr >> 16 for e in entries} == {0o100644}, "entries carry other permissions")

    check(not REQUIRED - set(files), "missing from the archive: %s" % sorted(REQUIRED - set(files)))
    stray = [p for p in files if p not in REQUIRED and not p.startswith(FOLDERS)]
    check(not stray, "unlisted files at the top: %s" % stray)
    with open(os.path.join(BUILD, "bin", "kLv_Tool.dll"), "rb") as f:
        check(files.get("bin/kLv_Tool.dll") == f.read(), "bin/kLv_Tool.dll is not the built library")

    sums = files.get("SHA256SUMS", b"").decode("ascii").splitlines()
    listed = {}
    for line in sums:
        digest, _, path = line.partition("  ")
        listed[path] = digest
    check(len(listed) == len(sums), "SHA256SUMS lists a file twice")
    check(set(listed) == set(files) - {"SHA256SUMS"}, "SHA256SUMS does not list exactly the other files")
    wrong = [p for p, d in listed.items() if p in files and hashlib.sha256(files[p]).hexdigest() != d]
    check(not wrong, "SHA256SUMS is wrong for %s" % wrong)

    check_pages(files)
    for text in failures:
        print("FAIL", text)
    print("dist: %d files checked, %d problems" % (len(files), len(failures)))
    return 1 if failures else 0


sys.exit(main())
