"""scripts/make-dist.sh on the sample packages, as a release engineer runs it:
the archive is the same bytes whenever and wherever it is made, the unpacked
archive passes the checker and installs and uninstalls under Wine, and every
refusal leaves nothing behind.
"""

import hashlib
import os
import shutil
import subprocess
import time
import zipfile

import pytest

from release_support import REPO, SAMPLE, SAMPLE_WARNINGS, TAGS, check_json, codes, make_catalog, win_tool
from zavcir.exit_codes import MAKE_DIST_FAILED, MAKE_DIST_MADE, MAKE_DIST_REFUSED, SETUP_SUCCESS
from zavcir.wine import use_run_setup

MAKE_DIST = REPO / "scripts" / "make-dist.sh"
SIGNING = ("SETUP_SIGN_PFX", "SETUP_SIGN_PASSWORD", "SETUP_SIGN_TIMESTAMP_URL", "SETUP_SIGN_DIGESTS")


def make_dist(*args, env=None, cwd=None):
    clean = {k: v for k, v in os.environ.items() if k not in SIGNING + ("SOURCE_DATE_EPOCH",)}
    clean.update(env or {})
    return subprocess.run([str(MAKE_DIST), *map(str, args)], capture_output=True, text=True,
                          env=clean, cwd=cwd, timeout=900)


def inputs(x86=SAMPLE / "x86", amd64=SAMPLE / "amd64"):
    return ["--x86", x86, "--amd64", amd64, "--dpinst-x86", win_tool("dpinst32.exe"),
            "--dpinst-x64", win_tool("dpinst64.exe")]


def everything(folder):
    """Every path below folder, relative."""
    return sorted(str(p.relative_to(folder)) for p in folder.rglob("*"))


def commit_time():
    out = subprocess.run(["git", "log", "-1", "--format=%ct"], cwd=REPO, capture_output=True, text=True,
                         check=True).stdout
    return int(out)


@pytest.fixture(scope="module")
def made(tmp_path_factory):
    """The sample's distribution, made once: (folder, archive)."""
    base = tmp_path_factory.mktemp("made")
    result = make_dist(*inputs(), "--out", base / "zavcir-1.0")
    assert result.returncode == MAKE_DIST_MADE, result.stdout + result.stderr
    return base / "zavcir-1.0", base / "zavcir-1.0.zip", result.stdout


def test_layout_and_output(made):
    folder, archive, stdout = made
    assert sorted(p.name for p in folder.iterdir()) == ["Setup.exe", "Setup.ini", "amd64", "x86"]
    ini = (folder / "Setup.ini").read_bytes().decode("ascii")
    assert "[version]" not in ini.lower()  # Windows would refuse a signed file in the legacy style
    for tag in TAGS:
        assert f"\r\n{tag} = {'amd64' if tag.endswith('64') else 'x86'}\r\n" in ini
    for name in ("x86", "amd64"):
        assert sorted(p.name for p in (folder / name).iterdir()) == [
            "DPInst.exe", "zavcir.cat", "zavcir.inf", "zavcir.sys"]
        assert (folder / name / "zavcir.inf").read_bytes() == (SAMPLE / name / "zavcir.inf").read_bytes()
    assert (folder / "Setup.exe").read_bytes() == win_tool("Setup.exe").read_bytes()
    assert "Result: 0 errors, 14 warnings" in stdout  # the sample's test signature and placeholder driver
    line = archive.with_name(archive.name + ".sha256").read_text()
    assert line == f"{hashlib.sha256(archive.read_bytes()).hexdigest()}  {archive.name}\n"
    assert line in stdout
    check = subprocess.run(["sha256sum", "-c", archive.name + ".sha256"], cwd=archive.parent,
                           capture_output=True, text=True)
    assert check.returncode == 0, check.stdout + check.stderr


def test_archive_is_the_same_anywhere_at_any_time(made, tmp_path):
    """Other input copies with other file times, another parent folder (made by the
    run), another current folder, later: the same bytes. Entries are sorted, dated
    by the commit and have fixed permissions."""
    _, archive, _ = made
    packages = tmp_path / "in" / "packages"
    shutil.copytree(SAMPLE, packages)
    for path in packages.rglob("*"):
        os.utime(path, (1_000_000_000, 1_000_000_000))
    out = tmp_path / "somewhere" / "else" / "zavcir-1.0"
    result = make_dist(*inputs(packages / "x86", packages / "amd64"), "--out", out, cwd=tmp_path / "in")
    assert result.returncode == MAKE_DIST_MADE, result.stdout + result.stderr
    assert out.with_name("zavcir-1.0.zip").read_bytes() == archive.read_bytes()
    assert (out.with_name("zavcir-1.0.zip.sha256").read_text()
            == archive.with_name("zavcir-1.0.zip.sha256").read_text())

    with zipfile.ZipFile(archive) as zf:
        infos = zf.infolist()
    names = [i.filename for i in infos]
    assert names == sorted(names)
    assert names[0] == "zavcir-1.0/" and all(n.startswith("zavcir-1.0/") for n in names)
    stamp = time.gmtime(commit_time())
    for info in infos:
        assert info.date_time[:5] == stamp[:5]  # zip times have a resolution of 2 s
        assert info.external_attr >> 16 == (0o40755 if info.filename.endswith("/") else 0o100644)

    # SOURCE_DATE_EPOCH sets the time instead.
    again = tmp_path / "epoch" / "zavcir-1.0"
    result = make_dist(*inputs(), "--out", again, env={"SOURCE_DATE_EPOCH": "1700000000"})
    assert result.returncode == MAKE_DIST_MADE, result.stderr
    with zipfile.ZipFile(again.with_name("zavcir-1.0.zip")) as zf:
        assert {i.date_time for i in zf.infolist()} == {(2023, 11, 14, 22, 13, 20)}


def test_relative_paths_are_taken_from_the_folder_it_is_started_in(made, tmp_path):
    """The script runs its work from the repository root, but every path given
    is relative to the folder it was started in: the packages are found there
    and OUT (with the folders above it) is made there."""
    _, archive, _ = made
    here = tmp_path / "in"
    shutil.copytree(SAMPLE, here / "packages")
    relative = lambda path: os.path.relpath(path, here)
    result = make_dist("--x86", "packages/x86", "--amd64", "packages/amd64",
                       "--dpinst-x86", relative(win_tool("dpinst32.exe")),
                       "--dpinst-x64", relative(win_tool("dpinst64.exe")), "--out", "release/zavcir-1.0", cwd=here)
    assert result.returncode == MAKE_DIST_MADE, result.stdout + result.stderr
    assert "zavcir-1.0/x86: package packages/x86 for WinXP32, Vista32, Win7_32" in result.stdout
    assert (here / "release" / "zavcir-1.0.zip").read_bytes() == archive.read_bytes()


def test_unpacked_archive_passes_the_checker_and_installs(made, wine, tmp_path):
    _, archive, _ = made
    with zipfile.ZipFile(archive) as zf:
        zf.extractall(tmp_path)
    unpacked = tmp_path / "zavcir-1.0"
    assert codes(check_json(unpacked)) == SAMPLE_WARNINGS

    shutil.copytree(unpacked, wine.unix_path(r"C:\dist"))
    use_run_setup(wine.unix_path(r"C:\dist"))
    result = wine.run(r"C:\dist\Setup.exe", "/S", timeout=120)
    assert result.code == SETUP_SUCCESS
    entries = wine.uninstall_entries()
    assert [e["DisplayName"] for e in entries.values()] == ["ZAV CIR Receiver Driver"]
    assert [e["DisplayVersion"] for e in entries.values()] == ["1.0.0.0"]
    assert len(wine.store_folders()) == 1
    result = wine.run(r"C:\dist\Setup.exe", "/S", "/U", timeout=120)
    assert result.code == SETUP_SUCCESS
    assert wine.uninstall_entries() == {} and wine.store_folders() == []


def test_utf16_package_is_labelled_with_its_version(wine, tmp_path):
    """A package whose INF is UTF-16LE with its byte-order mark (the encoding
    Microsoft asks for when an INF holds non-ASCII text) passes the checker and
    make-dist, and Setup.exe labels the new "Uninstall" entry with the INF's
    DriverVer version, not with the installer's own date and version."""
    packages = tmp_path / "packages"
    shutil.copytree(SAMPLE, packages)
    for name in ("x86", "amd64"):
        inf = packages / name / "zavcir.inf"
        text = inf.read_text(encoding="ascii").replace("1.0.0.0", "1.2.0.5").replace(
            '"ZAV CIR Receiver"', '"ZAV CIR Empfänger für Fernbedienungen"')
        inf.write_bytes(text.replace("\n", "\r\n").encode("utf-16"))  # with the mark FF FE
        assert inf.read_bytes()[:2] == b"\xff\xfe"
        make_catalog(packages / name)
    out = tmp_path / "zavcir-1.2"
    result = make_dist(*inputs(packages / "x86", packages / "amd64"), "--out", out)
    assert result.returncode == MAKE_DIST_MADE and "Result: 0 errors, 14 warnings" in result.stdout, (
        result.stdout + result.stderr)
    assert "1.2.0.5" in result.stdout

    shutil.copytree(out, wine.unix_path(r"C:\dist"))
    use_run_setup(wine.unix_path(r"C:\dist"))
    assert wine.run(r"C:\dist\Setup.exe", "/S", timeout=120).code == SETUP_SUCCESS
    entries = wine.uninstall_entries()
    assert [(e["DisplayName"], e["DisplayVersion"]) for e in entries.values()] == [
        ("ZAV CIR Receiver Driver", "1.2.0.5")]


def test_own_package_for_a_tag_and_warnings(tmp_path):
    """--package: an XP package of its own gets a folder named like its tag, a
    copy of the --x86 package shares its folder; the checker's warning (driver
    versions differ) is printed and the run succeeds."""
    same = tmp_path / "copy-of-x86"
    shutil.copytree(SAMPLE / "x86", same)
    out = tmp_path / "dist"
    result = make_dist(*inputs(), "--package", f"WinXP32={SAMPLE / 'v2' / 'x86'}",
                       "--package", f"vista32={same}", "--out", out)
    assert result.returncode == MAKE_DIST_MADE, result.stdout + result.stderr
    assert "warning: the driver versions differ" in result.stdout
    assert sorted(p.name for p in out.iterdir()) == ["Setup.exe", "Setup.ini", "WinXP32", "amd64", "x86"]
    ini = (out / "Setup.ini").read_bytes()
    assert b"WinXP32 = WinXP32\r\n" in ini and b"Vista32 = x86\r\n" in ini


def test_signs_setup_when_the_variables_are_set(tmp_path):
    pfx = tmp_path / "sign.pfx"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=make-dist test",
                    "-days", "2", "-keyout", tmp_path / "key.pem", "-out", tmp_path / "cert.pem",
                    "-addext", "extendedKeyUsage=codeSigning"], check=True, capture_output=True)
    subprocess.run(["openssl", "pkcs12", "-export", "-inkey", tmp_path / "key.pem", "-in", tmp_path / "cert.pem",
                    "-out", pfx, "-passout", "pass:secret"], check=True, capture_output=True)
    out = tmp_path / "signed"
    result = make_dist(*inputs(), "--out", out, env={"SETUP_SIGN_PFX": str(pfx), "SETUP_SIGN_PASSWORD": "secret"})
    assert result.returncode == MAKE_DIST_MADE, result.stdout + result.stderr
    assert "Setup.exe signed (sha256)" in result.stdout
    assert (out / "Setup.exe").read_bytes() != win_tool("Setup.exe").read_bytes()
    verify = subprocess.run(["osslsigncode", "verify", "-CAfile", tmp_path / "cert.pem", "-in", out / "Setup.exe"],
                            capture_output=True, text=True)
    assert verify.returncode == 0, verify.stdout + verify.stderr

    # A wrong password is a failure, and nothing is left.
    result = make_dist(*inputs(), "--out", tmp_path / "unsigned",
                       env={"SETUP_SIGN_PFX": str(pfx), "SETUP_SIGN_PASSWORD": "wrong"})
    assert result.returncode == MAKE_DIST_FAILED and "signing Setup.exe failed" in result.stderr
    assert not (tmp_path / "unsigned").exists() and not (tmp_path / "unsigned.zip").exists()


def broken_package(base):
    """The amd64 package without the driver file its INF names."""
    package = base / "broken-amd64"
    shutil.copytree(SAMPLE / "amd64", package)
    (package / "zavcir.sys").unlink()
    return package


def changed_package(base):
    """The amd64 package with its INF changed after its catalog was made."""
    package = base / "broken-amd64"
    shutil.copytree(SAMPLE / "amd64", package)
    inf = package / "zavcir.inf"
    inf.write_bytes(inf.read_bytes().replace(b"ZAV CIR Receiver", b"ZAV CIR receiver"))
    return package


REFUSALS = [
    # (name, arguments after the inputs' defaults are changed, text of the message)
    ("no --out", lambda t: inputs(), "the following arguments are required: --out"),
    ("unknown option", lambda t: inputs() + ["--out", t / "o", "--bogus"], "unrecognized arguments: --bogus"),
    ("option given twice", lambda t: inputs() + ["--x86", SAMPLE / "x86", "--out", t / "o"],
     "--x86 is given twice"),
    ("unknown tag", lambda t: inputs() + ["--package", f"Win10={SAMPLE}", "--out", t / "o"],
     "--package Win10="),
    ("tag given twice", lambda t: inputs() + ["--package", f"WinXP32={SAMPLE / 'x86'}",
                                              "--package", f"winxp32={SAMPLE / 'x86'}", "--out", t / "o"],
     "WinXP32 is given twice"),
    ("missing package folder", lambda t: inputs(x86=t / "nowhere") + ["--out", t / "o"],
     "--x86: no such folder"),
    ("missing installer", lambda t: inputs()[:-1] + [t / "DPInst.exe", "--out", t / "o"],
     "--dpinst-x64: no such file"),
    ("out not empty", lambda t: inputs() + ["--out", t / "full"], "exists and is not empty"),
    ("archive there already", lambda t: inputs() + ["--out", t / "old"], "old.zip exists already"),
    ("out inside a package", lambda t: inputs(x86=t / "pkg") + ["--out", t / "pkg" / "dist"],
     "lies inside the package folder"),
    ("checker errors", lambda t: inputs(amd64=broken_package(t)) + ["--out", t / "new" / "dist"],
     "the checker found errors"),
    ("a catalog that does not cover the INF", lambda t: inputs(amd64=changed_package(t)) + ["--out", t / "o"],
     "the checker found errors"),
]


@pytest.mark.parametrize("name,arguments,message", REFUSALS, ids=[r[0] for r in REFUSALS])
def test_refusals_leave_nothing_behind(tmp_path, name, arguments, message):
    (tmp_path / "full").mkdir()
    (tmp_path / "full" / "keep.txt").write_text("the engineer's")
    (tmp_path / "old.zip").write_text("an older archive")
    shutil.copytree(SAMPLE / "x86", tmp_path / "pkg")
    args = arguments(tmp_path)
    before = everything(tmp_path)
    result = make_dist(*args)
    assert result.returncode == MAKE_DIST_REFUSED, result.stdout + result.stderr
    assert message in result.stderr
    after = [p for p in everything(tmp_path) if not p.startswith("broken-amd64")]
    assert after == [p for p in before if not p.startswith("broken-amd64")]
    assert (tmp_path / "full" / "keep.txt").read_text() == "the engineer's"


def test_checker_errors_are_printed_and_an_empty_out_stays(tmp_path):
    (tmp_path / "empty").mkdir()
    result = make_dist(*inputs(amd64=broken_package(tmp_path)), "--out", tmp_path / "empty")
    assert result.returncode == MAKE_DIST_REFUSED
    assert ("error:   Win7_64: 'zavcir.sys' of [SourceDisksFiles] in amd64\\zavcir.inf is missing in amd64"
            in result.stdout)
    # No driver on the 64-bit tags for catalog-not-microsoft-signed or driver-file-version.
    assert "Result: 3 errors, 10 warnings" in result.stdout
    assert list((tmp_path / "empty").iterdir()) == []
    assert sorted(p.name for p in tmp_path.iterdir()) == ["broken-amd64", "empty"]
