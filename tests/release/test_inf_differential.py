"""The checker's INF reader against SetupAPI: the same Setup.ini files go through
the native INF probe (our reader) and, under Wine, through the Windows INF probe
(the product's own SetupAPI reader, win32/win32_inf_parser.cpp). Both print
whether the file opens, fields 0 to 3 of every [Dir] line, and what the
product's [Dir] walk finds for each of the six tags; the outputs must agree.

Driver package INFs (inf-corpus/ and generated ones) go through both probes
too, opened as Windows-style INFs: fields 0 to 6 of the lines of [Version],
[Manufacturer], [SourceDisksNames*] and [SourceDisksFiles*], and for each tag
what the checker reads from them (catalog, source files and their folders,
models problems), so decorated section names and [Strings] tokens in file
names are read alike.

The real driver INF files of ../shared/inf-corpus/ (beside the project root;
102 files from public driver projects, 17 of them UTF-16LE) go through both
probes in one run each; besides the fields above, the version Setup.exe's own
DriverVer rule reads from each file is compared with the DriverVer value
SetupAPI reads. Each of them is then laid out as a distribution with the files
that SetupAPI's reading names, and the checker must report a package file,
catalog or models error for a tag exactly where that reading finds the INF
incomplete, and must still refuse the package once a file it names is gone.

Inputs: the corpus in ini-corpus/ (quotes, comments, duplicate keys, empty and
long values, missing sections, section name case, CR/LF, tabs, NUL bytes,
continuations, [Strings], byte order marks, binary junk), and a few hundred
files made from INF fragments and junk by a seeded generator. The generated
files keep to the ordinary grammar (every 8-bit file starts with a section; no
NUL bytes, no white space beyond space and tab, no backslash except at a line
end): odd byte-level input is covered by the corpus and its listed differences.
"""

import json
import random
import re
import shutil
import subprocess
from types import SimpleNamespace

import pytest

from release_support import REPO, TAGS, host_tool, run_tool
from zavcir.editions import SAMPLE_SETUP_INI
from zavcir.wine import WinePrefix

CORPUS = REPO / "tests" / "release" / "ini-corpus"
PACKAGE_CORPUS = REPO / "tests" / "release" / "inf-corpus"

# The walk's answers for a file whose only usable [Dir] line is "Win7_64 = x64".
WALK_ONLY_WIN7_64 = [f"tag {tag}: no line" for tag in
                     ("WinXP32", "WinXP64", "Vista32", "Vista64", "Win7_32")] + ['tag Win7_64: found "x64"']

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
    # "x\\" then "y" on the next line: a doubled backslash at a line end. Our
    # reader drops only the last backslash (the one that joins the lines);
    # SetupAPI drops both.
    ("continuation.ini",
     'line 4: 0="Win7_32" 1="x\\x5Cy" 2=- 3=-',
     'line 4: 0="Win7_32" 1="xy" 2=- 3=-'),
    ("continuation.ini", 'tag Win7_32: found "x\\x5Cy"', 'tag Win7_32: found "xy"'),
    # "WinXP32\ = b": SetupAPI keeps the blank after a backslash inside a field;
    # our reader drops blanks at the end of every field alike.
    ("key-backslash.ini",
     'line 1: 0="WinXP32\\x5C" 1="b" 2=- 3=-',
     'line 1: 0="WinXP32\\x5C " 1="b" 2=- 3=-'),
    # NUL bytes in 8-bit text: our reader reads each as a space, so NULs around
    # a key are dropped with the other blanks; SetupAPI keeps a NUL before a key
    # or after it as a blank that is part of the key.
    ("nul-bytes.ini",
     'line 1: 0="WinXP32" 1="x86" 2=- 3=-',
     'line 1: 0=" WinXP32" 1="x86" 2=- 3=-'),
    ("nul-bytes.ini",
     'line 2: 0="Vista32" 1="v" 2=- 3=-',
     'line 2: 0="Vista32 " 1="v" 2=- 3=-'),
    ("nul-bytes.ini", 'tag WinXP32: found "x86"', 'tag WinXP32: no line'),
    ("nul-bytes.ini", 'tag Vista32: found "v"', 'tag Vista32: no line'),
    # 8-bit text of even length with junk after a good [Dir] line: SetupAPI's
    # detection takes it for UTF-16 (a zero byte among its first units) and then
    # refuses it; our reader takes a file without a byte order mark for UTF-16
    # only when its first two units are ASCII characters, and reads the line.
    ("junk-after-dir.bin",
     "\n".join(["open ok", 'line 0: 0="Win7_64" 1="x64" 2=- 3=-',
                'line 1: 0="\\xA7\\xB3\\x8F\\xF3-\\xCD\\xF5\\xA3\\xBF\\xEBB\\xE9\\x94[:\\x06\\xD8'
                '\\xAEjC" 1="_ov\\xA9\\x1B\\xD9\\xDE" 2="b\\xD0\\x1E\\x01\\xA6\\xC7\\x02N\\xE7\\x96'
                '\\xBFE\\xA6M4w\\x90\\xB9" 3=-',
                'line 2: 0="\\xBA.}R\\xBB\\x82+\\x07\\x85u\\x87\\x15a\\x8A0&\\xEDC\\xCE3\\x96v\\xBB'
                '\\xEEs\\x85\\x0C\\xC2" 1="\\xBA.}R\\xBB\\x82+\\x07\\x85u\\x87\\x15a\\x8A0&\\xEDC'
                '\\xCE3\\x96v\\xBB\\xEEs\\x85\\x0C\\xC2" 2=- 3=-',
                *WALK_ONLY_WIN7_64]),
     "open failed"),
    # A section name of 256 characters: SetupAPI refuses the file (its limit is
    # 255); our reader has no limit on names and reads the file.
    ("too-long-section-name.ini",
     "\n".join(["open ok", 'line 0: 0="Win7_64" 1="x64" 2=- 3=-', *WALK_ONLY_WIN7_64]),
     "open failed"),
}

# Fragments for generated files. Left out on purpose: folder ids ("%11%", see
# above), characters outside code page 1252 in UTF-16 files, and the byte-level
# oddities where the readers differ by design (NUL bytes, rarer white space such
# as VT or NBSP, a backslash followed by more text on its line).
FRAGMENTS = ["[Dir]", "[dir]", "[Strings]", "[Other]", "\n", "\r\n", "\n", "\n", "=", "=", ",", ";",
             '"', '""', "\\\n", " ", "  ", "\t", "WinXP32", "Win7_64", "win7_64", "Vista32",
             "x64", "x86", "a b", "%", "%%", "%s%", "\x1a", "\xe9", "[", "]", "s", "Q" * 70]


def generate(folder, count, seed):
    rng = random.Random(seed)
    for i in range(count):
        kind = rng.random()
        if kind < 0.8:  # INF fragments as 8-bit text
            parts = ["[Dir]\n" if rng.random() < 0.8 else "[Other]\n"]
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
            current = line[3:].removeprefix(".\\").replace("\\", "/")
            found[current] = []
        else:
            found[current].append(line)
    return found


def probe_both(wine, folder, names, package=False):
    mode = ["--package"] if package else []
    native = subprocess.run([str(host_tool("distcheck_inf_probe")), *mode, *names], cwd=folder,
                            capture_output=True, check=True, timeout=120).stdout.decode("ascii")
    # Relative names keep the command line short; Wine's current folder is folder.
    # SetupAPI looks for a bare file name in the Windows INF folder: hence ".\".
    result = wine.run(run_tool("inf_probe.exe"), *mode, *[".\\" + n for n in names], cwd=folder,
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


# Fragments of driver package INFs: the sections the checker reads, in plain,
# decorated and odd-case spellings, and lines of the forms they hold.
PACKAGE_SECTIONS = ["[Version]", "[Manufacturer]", "[SourceDisksNames]", "[SourceDisksNames.x86]",
                    "[sourcedisksnames.AMD64]", "[SourceDisksFiles]", "[SourceDisksFiles.x86]",
                    "[SourceDisksFiles.amd64]", "[Strings]", "[Models]", "[Models.NTamd64]",
                    "[models.ntx86]", "[Models.NTamd64.6.1]", "[Models.NT]"]
PACKAGE_LINES = ["CatalogFile = zavcir.cat", "CatalogFile.NTamd64 = %cat%", "catalogfile.ntx86 = x86.cat",
                 "CatalogFile.NT = nt.cat", "%mfg% = Models, NTx86, NTamd64", "ZAV = Models, NTamd64.6.1",
                 "%mfg% = Models", "ZAV", "%mfg% = Models, NT, ntAMD64", "1 = %disk%,,,\\drivers",
                 "2 = %disk%, files.cab", "01 = \"Disk 1\",,,x64", "3 = d,,,%sub%", "%sys% = 1",
                 "zavcir.sys = 1, i386", "zavcir.sys = 2", "helper.dll = 3,,1024", "\"a b.sys\" = 1",
                 "%sys%%ext% = 01", "%missing%.sys = 1", "sys = zavcir.sys", "ext = .dat",
                 "cat = \"zav 64.cat\"", "disk = \"ZAV disk\"", "mfg = ZAV", "sub = \"sub dir\"",
                 "%dev% = Install, ACPI\\ZAV0C1R", "dev = Receiver", "; a comment", "", "x = \"1,2\", 3"]


def generate_packages(folder, count, seed):
    rng = random.Random(seed)
    for i in range(count):
        parts = ['[Version]', 'Signature = "$Windows NT$"']
        for _ in range(rng.randrange(4, 40)):
            parts.append(rng.choice(PACKAGE_SECTIONS) if rng.random() < 0.25 else rng.choice(PACKAGE_LINES))
        eol = rng.choice(["\r\n", "\n"])
        (folder / f"p{i:04d}.inf").write_bytes(eol.join(parts).encode("latin-1") + eol.encode())


def test_package_infs_agree_with_setupapi(wine, tmp_path):
    for source in PACKAGE_CORPUS.iterdir():
        shutil.copyfile(source, tmp_path / source.name)
    generate_packages(tmp_path, 200, seed=20261207)
    names = sorted(p.name for p in tmp_path.iterdir())
    ours, theirs = probe_both(wine, tmp_path, names, package=True)
    assert differences(ours, theirs) == set()
    text = "\n".join("\n".join(lines) for lines in ours.values())
    # Decorated sections, [Strings] tokens and subfolders are all reached.
    for seen in ("of [SourceDisksFiles.amd64]", "of [SourceDisksFiles.x86]", 'file "zavcir.sys"',
                 "catalog CatalogFile.NTamd64=", 'folder "\\x5Cdrivers', "models: ", 'cabinet "files.cab"'):
        assert seen in text


# Real driver INF files, beside the project root as developers and CI have them.
REAL_CORPUS = REPO.parent / "shared" / "inf-corpus"
# Real packages that give each architecture a [Manufacturer] line of its own
# (%Mfg% = Standard,NTamd64 and %Mfg% = Standard,NTarm64 on two lines), and the
# tags that have models in them: Windows installs from any line whose models
# list the device.
SERVED_BY_ONE_OF_SEVERAL_LINES = {
    "msdrv/plclient.inf": {"WinXP64", "Vista64", "Win7_64"},  # NTamd64 and NTarm64 lines
    "msdrv/simsensor.inf": set(TAGS),  # NTx86, NTamd64, NTarm and NTarm64 lines
}
# The package checks' codes, which the layout test compares with SetupAPI's reading.
PACKAGE_CODES = {"inf-unparsable", "inf-source-file-missing", "inf-catalog-missing", "inf-no-models"}


@pytest.fixture(scope="module")
def real_corpus():
    """{file: (our probe's lines, SetupAPI's lines)} for every INF of the real
    corpus, each probe run once over all of them."""
    if not REAL_CORPUS.is_dir():
        pytest.fail(f"{REAL_CORPUS} is missing: the real INF corpus lies in ../shared beside the project")
    names = sorted(str(p.relative_to(REAL_CORPUS)) for p in REAL_CORPUS.rglob("*.inf"))
    prefix = WinePrefix.create("64")
    try:
        prefix.set_version("win7")
        ours, theirs = probe_both(prefix, REAL_CORPUS, names, package=True)
    finally:
        prefix.close()
    assert len(ours) == len(names) >= 100
    return {name: (ours[name], theirs[name]) for name in names}


def unquote(text):
    """A probe's quoted text ("...", bytes as \\xNN) as code page 1252 text."""
    raw = re.sub(rb"\\x([0-9A-F]{2})", lambda m: bytes([int(m.group(1), 16)]), text.encode("ascii"))
    return raw.decode("cp1252", errors="replace")


def setupapi_driver_version(lines):
    """The version field of [Version]'s first DriverVer line as SetupAPI reads it, or None."""
    for line in lines:
        found = re.match(r'\[Version\] line \d+: 0="DriverVer" 1="[^"]*" 2=("[^"]*")', line, re.IGNORECASE)
        if found:
            return unquote(found.group(1)[1:-1])
    return None


def test_real_infs_agree_with_setupapi(real_corpus):
    ours = {name: pair[0] for name, pair in real_corpus.items()}
    theirs = {name: pair[1] for name, pair in real_corpus.items()}
    assert differences(ours, theirs) == set()
    text = "\n".join("\n".join(lines) for lines in ours.values())
    assert " utf-16\n" in text and "models: none of its 2 [Manufacturer] lines" in text
    for name, tags in SERVED_BY_ONE_OF_SEVERAL_LINES.items():
        assert {tag for tag in TAGS if not any(line.startswith(f"tag {tag}: models: ")
                                               for line in ours[name])} == tags, name
    # Setup.exe's DriverVer rule reads the version SetupAPI reads, from 8-bit and UTF-16 files alike.
    for name, (lines, setupapi) in real_corpus.items():
        version = re.fullmatch(r'driver version "(.*)"( utf-16)?', lines[0])
        assert version and unquote(version.group(1)) == setupapi_driver_version(setupapi), name


def tag_readings(lines):
    """What SetupAPI's reading of a package INF gives each tag: the files to lay
    out (relative paths), whether a file's disk is undescribed, the catalog,
    whether models are missing."""
    readings = {tag: SimpleNamespace(files=[], undescribed=False, catalog=None, no_models=False)
                for tag in TAGS}
    for line in lines:
        found = re.match(r"tag (\w+): (.*)", line)
        if not found:
            continue
        reading, what = readings[found.group(1)], found.group(2)
        file = re.fullmatch(r'file ("[^"]*") of \[[^]]*\] disk "[^"]*"(?: folder ("[^"]*") cabinet "[^"]*"| not described)',
                            what)
        if file and file.group(2) is None:
            reading.undescribed = True
        elif file:
            reading.files.append(package_path(unquote(file.group(2)[1:-1]), unquote(file.group(1)[1:-1])))
        elif what.startswith("catalog ") and what != "catalog none":
            reading.catalog = package_path(unquote(what.split("=", 1)[1][1:-1]))
        elif what.startswith("models: "):
            reading.no_models = True
    return readings


def package_path(*parts):
    """A Windows path below the package folder as a relative POSIX path."""
    names = [n for part in parts for n in re.split(r"[\\/]", part) if n not in ("", ".")]
    return "/".join(names)


def package_codes(folder):
    """{(tag, code)} of the checker's package findings for the distribution."""
    result = subprocess.run([str(host_tool("zavcir-distcheck")), "--json", str(folder)],
                            capture_output=True, timeout=60)
    report = json.loads(result.stdout)
    return {(f["tag"], f["code"]) for f in report["findings"] if f["code"] in PACKAGE_CODES}


def expected_codes(readings, missing=None):
    """{(tag, code)} the checker must report when SetupAPI's reading is readings
    and the file missing is gone."""
    expected = set()
    for tag, reading in readings.items():
        if reading.undescribed or missing in reading.files:
            expected.add((tag, "inf-source-file-missing"))
        if reading.catalog is not None and reading.catalog == missing:
            expected.add((tag, "inf-catalog-missing"))
        if reading.no_models:
            expected.add((tag, "inf-no-models"))
    return expected


def test_real_packages_laid_out_as_distributions(real_corpus, tmp_path):
    """Every real INF as zavcir.inf of each tag's package folder, with every file
    and the catalog that SetupAPI's reading names for the tag: the
    checker's package errors are exactly where that reading finds a file
    undescribed or no models; then, with one named file gone, also there."""
    refused = 0
    for number, (name, (_, setupapi)) in enumerate(real_corpus.items()):
        readings = tag_readings(setupapi)
        dist = tmp_path / f"d{number}"  # no Setup.exe, no DPInst.exe: only the packages count here
        dist.mkdir()
        (dist / "Setup.ini").write_text(SAMPLE_SETUP_INI)
        needed = set()
        for tag, reading in readings.items():
            package = dist / tag
            package.mkdir()
            shutil.copyfile(REAL_CORPUS / name, package / "zavcir.inf")
            for relative in reading.files + ([reading.catalog] if reading.catalog else []):
                (package / relative).parent.mkdir(parents=True, exist_ok=True)
                (package / relative).write_bytes(b"x")
                needed.add(relative)
        assert package_codes(dist) == expected_codes(readings), name
        for gone in sorted(needed)[:1] + [r.catalog for r in readings.values() if r.catalog][:1]:
            holders = [dist / tag / gone for tag in TAGS if (dist / tag / gone).is_file()]
            for path in holders:
                path.unlink()
            assert package_codes(dist) == expected_codes(readings, gone), (name, gone)
            refused += 1
            for path in holders:
                path.write_bytes(b"x")
        shutil.rmtree(dist)
    assert refused > 100  # most packages name files and a catalog
