"""The checker's INF reader against SetupAPI: the same Setup.ini files go through
the native INF probe (our reader) and, under Wine, through the Windows INF probe
(the product's own SetupAPI reader, win32/win32_inf_parser.cpp). Both print
whether the file opens, fields 0 to 3 of every [Dir] line, and what the
product's [Dir] walk finds for each of the six tags; the outputs must agree.

Inputs: the corpus in ini-corpus/ (quotes, comments, duplicate keys, empty and
long values, missing sections, section name case, CR/LF, tabs, NUL bytes,
continuations, [Strings], byte order marks, binary junk), and a few hundred
files made from INF fragments and junk by a seeded generator.
"""

import random
import subprocess

import pytest

from release_support import REPO, host_tool, win_tool

CORPUS = REPO / "tests" / "release" / "ini-corpus"

# Where SetupAPI and our reader differ on purpose, as (file, our line, SetupAPI's
# line) for every line that differs. Nothing else may differ.
EXPECTED_DIFFERENCES = {
    # "%<number>%" is a system folder id, which SetupAPI replaces with a folder of
    # the machine (here Wine's). Our reader keeps the text, and the checker then
    # reports the line as an error: a folder id can never name a folder inside the
    # distribution, so the exact expansion does not matter for the check.
    ("strings-dirid.ini",
     'line 0: 0="Win7_64" 1="%11%\\x5Cx64" 2=- 3=-',
     'line 0: 0="Win7_64" 1="C:\\x5Cwindows\\x5Csystem32\\x5Cx64" 2=- 3=-'),
    ("strings-dirid.ini",
     'line 1: 0="WinXP32" 1="%24%" 2=- 3=-',
     'line 1: 0="WinXP32" 1="C:\\x5C" 2=- 3=-'),
    ("strings-dirid.ini", 'tag WinXP32: found "%24%"', 'tag WinXP32: found "C:\\x5C"'),
    ("strings-dirid.ini",
     'tag Win7_64: found "%11%\\x5Cx64"',
     'tag Win7_64: found "C:\\x5Cwindows\\x5Csystem32\\x5Cx64"'),
    # A UTF-16 file with a character that code page 1252 lacks (U+0100): SetupAPI
    # hands out its best-fit letter ("A"), our reader a "?". Either way no folder
    # of that name can be reached by its real name, and the checker reports it.
    ("utf16-bom.ini",
     'line 2: 0="Vista32" 1="\\x80?" 2=- 3=-',
     'line 2: 0="Vista32" 1="\\x80A" 2=- 3=-'),
    ("utf16-bom.ini", 'tag Vista32: found "\\x80?"', 'tag Vista32: found "\\x80A"'),
}

# Fragments for generated files. Left out on purpose: folder ids ("%11%", see
# above) and characters outside code page 1252 in UTF-16 files.
FRAGMENTS = ["[Dir]", "[dir]", "[Strings]", "[Other]", "\n", "\r\n", "\n", "\n", "=", "=", ",", ";",
             '"', '""', "\\", "\\\n", " ", "  ", "\t", "WinXP32", "Win7_64", "win7_64", "Vista32",
             "x64", "x86", "a b", "%", "%%", "%s%", "\x00", "\x1a", "\x0b", "\xa0", "\xe9", "\x85",
             "\x1c", "[", "]", "s", "Q" * 70]


def generate(folder, count, seed):
    rng = random.Random(seed)
    for i in range(count):
        kind = rng.random()
        if kind < 0.8:  # INF fragments as 8-bit text
            parts = ["[Dir]\n"] if rng.random() < 0.8 else []
            parts += [rng.choice(FRAGMENTS) for _ in range(rng.randrange(5, 120))]
            data = "".join(parts).encode("latin-1")
        elif kind < 0.9:  # junk
            data = bytes(rng.randrange(256) for _ in range(rng.randrange(1, 600)))
        else:  # UTF-16, with or without byte order mark, sometimes cut to an odd length
            parts = ["\ufeff" if rng.random() < 0.5 else "", "[Dir]\r\n"]
            parts += [rng.choice(FRAGMENTS) for _ in range(rng.randrange(5, 60))]
            data = "".join(parts).encode("utf-16-le")
            if rng.random() < 0.2:
                data = data[:-1]
        (folder / f"g{i:04d}.ini").write_bytes(data)


def blocks(text):
    """The probe's output as {file name: [lines]}."""
    found, current = {}, None
    for line in text.replace("\r\n", "\n").splitlines():
        if line.startswith("== "):
            current = line[3:].removeprefix(".\\")
            found[current] = []
        else:
            found[current].append(line)
    return found


def probe_both(wine, folder, names):
    native = subprocess.run([str(host_tool("distcheck_inf_probe")), *names], cwd=folder,
                            capture_output=True, check=True, timeout=120).stdout.decode("ascii")
    # Relative names keep the command line short; Wine's current folder is folder.
    # SetupAPI looks for a bare file name in the Windows INF folder: hence ".\".
    result = wine.run(win_tool("inf_probe.exe"), *[".\\" + n for n in names], cwd=folder,
                      timeout=300)
    assert result.code == 0, result.stderr
    return blocks(native), blocks(result.stdout)


def differences(ours, theirs):
    found = set()
    assert sorted(ours) == sorted(theirs)
    for name in ours:
        a, b = ours[name], theirs[name]
        if len(a) != len(b):
            found.add((name, "\n".join(a), "\n".join(b)))
            continue
        found.update((name, x, y) for x, y in zip(a, b) if x != y)
    return found


def test_corpus_agrees_with_setupapi(wine):
    names = sorted(p.name for p in CORPUS.iterdir())
    assert len(names) >= 40
    ours, theirs = probe_both(wine, CORPUS, names)
    assert differences(ours, theirs) == EXPECTED_DIFFERENCES
    # The corpus reaches both outcomes of opening and all three of the walk.
    outcomes = " ".join(" ".join(lines) for lines in ours.values())
    for outcome in ("open failed", "open ok", ": found ", ": no line"):
        assert outcome in outcomes


def test_generated_files_agree_with_setupapi(wine, tmp_path):
    generate(tmp_path, 400, seed=20240607)
    names = sorted(p.name for p in tmp_path.iterdir())
    ours, theirs = probe_both(wine, tmp_path, names)
    assert differences(ours, theirs) == set()
    opened = sum(1 for lines in ours.values() if lines and lines[0] == "open ok")
    assert 100 < opened < 400  # both kinds of file are well represented
