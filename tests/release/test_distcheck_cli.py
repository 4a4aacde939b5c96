"""zavcir-distcheck as release engineers run it: on the sample distribution with
the built Setup.exe and the installer stand-ins, and on broken copies of it;
natively and, built for Windows, under Wine (the two must report the same).
The PE facts it reports are checked against python3-pefile.
"""

import json
import shutil

import pytest

from release_support import (SAMPLE, SAMPLE_WARNINGS, TAGS, check_json, codes, make_catalog, make_dist,
                             run_checker as run_native, run_tool, win_tool)
from zavcir.exit_codes import DISTCHECK_CLEAN, DISTCHECK_ERRORS, DISTCHECK_WARNINGS

pefile = pytest.importorskip("pefile")


def sample_inf(driver_ver):
    """The sample package's zavcir.inf with another DriverVer line."""
    text = (SAMPLE / "x86" / "zavcir.inf").read_bytes()
    return text.replace(b"DriverVer   = 10/01/2026, 1.0.0.0", b"DriverVer   = " + driver_ver.encode())


def pe_version(path):
    pe = pefile.PE(str(path))
    fixed = pe.VS_FIXEDFILEINFO[0]
    ms, ls = fixed.FileVersionMS, fixed.FileVersionLS
    return f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"


@pytest.fixture
def dist(tmp_path):
    return make_dist(tmp_path / "dist")


def test_sample_distribution_has_only_its_test_signing_warnings(dist):
    """The sample's catalogs cover its files and are signed with a test certificate:
    a warning for each tag, and on the Windows 7 tags one for its kernel-mode driver."""
    code, out, _ = run_native(dist)
    assert code == DISTCHECK_WARNINGS, out
    assert "Result: 0 errors, 14 warnings" in out
    rows = [line.split() for line in out.splitlines()
            if len(line.split()) == 5 and line.split()[0] in TAGS]
    assert [r[0] for r in rows] == list(TAGS)
    for tag, folder, version, machine, result in rows:
        assert (folder, version, result) == (tag, "1.0.0.0", "warning")
        assert machine == ("x64" if tag.endswith("64") else "x86")

    report = check_json(dist)
    assert codes(report) == SAMPLE_WARNINGS
    for row in report["tags"]:
        catalog = row["catalog"]
        assert (catalog["name"], catalog["version"], catalog["hash_algorithm"], catalog["signature"]) == (
            "zavcir.cat", 1, "SHA-1", "valid")
        assert catalog["signer"]["kind"] == "test"
        assert [(f["name"], f["status"]) for f in catalog["files"]] == [
            ("zavcir.inf", "covered"), ("zavcir.sys", "covered")]
    assert report["setup_exe"]["file_version"] == pe_version(dist / "Setup.exe")
    for row in report["tags"]:
        machine = pefile.PE(str(dist / row["folder"] / "DPInst.exe")).FILE_HEADER.Machine
        assert row["dpinst_machine"] == {0x14C: "x86", 0x8664: "x64"}[machine]


def test_broken_copy_reports_every_fault(dist):
    (dist / "Setup.ini").write_text(
        "[Dir]\nWinXP32 = WinXP32\nWinXP64 = WinXP64\nVista32 =\nVista32 = Vista32\n"
        "Vista64 = Vista 64\nWin7_32 = Win7_32\nWin7_64 = Win7_64\n")
    shutil.copytree(dist / "Vista64", dist / "Vista 64")
    shutil.copyfile(win_tool("dpinst32.exe"), dist / "Win7_64" / "DPInst.exe")
    (dist / "WinXP64" / "zavcir.inf").write_bytes(sample_inf("10/01/2026"))
    (dist / "Win7_32" / "DPInst.exe").unlink()
    (dist / "WinXP32" / "zavcir.inf").write_bytes(sample_inf("12/01/2026, 1.1.0.0"))
    for tag in ("WinXP64", "WinXP32"):
        make_catalog(dist / tag)  # changed packages, signed anew
    (dist / "Win7_64" / "zavcir.sys").unlink()

    report = check_json(dist)
    test_signed = [("warning", tag, "catalog-test-signed") for tag in TAGS if tag != "Vista32"]
    assert codes(report) == sorted([
        ("error", "Vista32", "dir-line-missing"),
        ("error", "Win7_32", "dpinst-missing"),
        ("error", "Win7_64", "dpinst-machine"),
        ("error", "Win7_64", "inf-source-file-missing"),
        ("error", "WinXP64", "inf-no-driver-version"),
        ("warning", "-", "driver-version-mismatch"),
        ("warning", "Vista64", "folder-space"),
        ("warning", "Win7_32", "catalog-not-microsoft-signed"),  # Win7_64 lacks the driver
        # The placeholder driver where a package with a driver version ships it.
        ("warning", "WinXP32", "driver-file-version"),
        ("warning", "Vista64", "driver-file-version"),
        ("warning", "Win7_32", "driver-file-version"),
    ] + test_signed)
    assert report["exit_code"] == DISTCHECK_ERRORS
    assert [row["result"] for row in report["tags"]] == ["warning", "error", "error", "warning", "error", "error"]
    assert [(f["name"], f["status"]) for f in report["tags"][5]["catalog"]["files"]] == [
        ("zavcir.inf", "covered"), ("zavcir.sys", "missing")]
    code, out, _ = run_native(dist)
    assert code == DISTCHECK_ERRORS
    assert "error:   Win7_64: Win7_64\\DPInst.exe is an x86 image; Win7_64 needs an x64 one" in out
    assert ("error:   Win7_64: 'zavcir.sys' of [SourceDisksFiles] in Win7_64\\zavcir.inf is missing in Win7_64"
            in out)
    assert "Result: 5 errors, 11 warnings" in out


def test_warnings_only_and_usage(dist, tmp_path):
    (dist / "Win7_64" / "zavcir.inf").write_bytes(sample_inf("12/01/2026, 1.1.0.0"))
    make_catalog(dist / "Win7_64")
    assert check_json(dist)["exit_code"] == DISTCHECK_WARNINGS
    spaced = tmp_path / "ZAV CIR 1.0"
    dist.rename(spaced)
    assert codes(check_json(spaced)) == sorted([("warning", "-", "dist-folder-space"),
                                                ("warning", "-", "driver-version-mismatch")] + SAMPLE_WARNINGS)
    for args in ((), ("--json",), ("a", "b"), ("--bogus", "x")):
        code, _, err = run_native(*args)
        assert code == DISTCHECK_ERRORS and err.startswith("usage:"), args
    assert run_native("--help")[0] == DISTCHECK_CLEAN


def without_catalogs(report):
    """The report as a build without a catalog reader gives it: no catalog
    findings, no catalog and no installer signature of any tag, and the counts
    and results of what is left."""
    out = json.loads(json.dumps(report))
    out["catalogs_checked"] = False
    out["catalog_note"] = ("not checked: this build of the checker has no catalog reader; check the "
                           "distribution with the Debian build (build/host/zavcir-distcheck)")
    out["findings"] = [f for f in report["findings"] if not f["code"].startswith("catalog-")]
    severities = {(f["tag"], f["severity"]) for f in out["findings"]}
    for row in out["tags"]:
        row["catalog"] = None
        row["dpinst_signature"] = None
        row["result"] = ("error" if (row["tag"], "error") in severities
                         else "warning" if (row["tag"], "warning") in severities else "ok")
    out["errors"] = sum(f["severity"] == "error" for f in out["findings"])
    out["warnings"] = sum(f["severity"] == "warning" for f in out["findings"])
    out["exit_code"] = (DISTCHECK_ERRORS if out["errors"] else DISTCHECK_WARNINGS if out["warnings"]
                       else DISTCHECK_CLEAN)
    return out


def test_windows_build_reports_the_same(wine, dist):
    """The Windows console build, under Wine, reads the same folder the same way,
    except that it has no catalog reader and says so."""
    broken = dist.parent / "broken"
    shutil.copytree(dist, broken)
    shutil.copyfile(win_tool("dpinst32.exe"), broken / "Vista64" / "DPInst.exe")
    (broken / "Setup.ini").write_text("[dir]\r\nwinxp32 = WinXP32\r\nWin7_64 = Nowhere\r\n")
    for name in ("dist", "broken"):
        native = without_catalogs(check_json(name, cwd=dist.parent))
        result = wine.run(run_tool("zavcir-distcheck.exe"), "--json", name, cwd=dist.parent)
        assert result.code == native["exit_code"]
        assert json.loads(result.stdout) == native
    text = wine.run(run_tool("zavcir-distcheck.exe"), "dist", cwd=dist.parent).stdout
    assert "Catalogs: not checked: this build of the checker has no catalog reader" in text
    assert "WinXP32  WinXP32\\DPInst.exe: no version record, x86, signature not checked" in text


def test_windows_build_starts_on_xp():
    """A static console program whose imports Windows XP SP3 has."""
    pe = pefile.PE(str(win_tool("zavcir-distcheck.exe")))
    assert pe.FILE_HEADER.Machine == 0x14C
    assert pe.OPTIONAL_HEADER.Subsystem == 3  # console
    assert (pe.OPTIONAL_HEADER.MajorSubsystemVersion, pe.OPTIONAL_HEADER.MinorSubsystemVersion) == (5, 1)
    assert (pe.OPTIONAL_HEADER.MajorOperatingSystemVersion,
            pe.OPTIONAL_HEADER.MinorOperatingSystemVersion) == (5, 1)
    imports = {entry.dll.decode().lower(): {i.name.decode() for i in entry.imports if i.name}
               for entry in pe.DIRECTORY_ENTRY_IMPORT}
    assert set(imports) <= {"kernel32.dll", "msvcrt.dll"}
    # Functions that XP lacks and a MinGW build may pull in.
    vista_only = {"GetTickCount64", "InitializeCriticalSectionEx", "GetFinalPathNameByHandleA",
                  "GetFinalPathNameByHandleW", "CreateSymbolicLinkW", "InitOnceExecuteOnce",
                  "InitializeSRWLock", "AcquireSRWLockExclusive", "InitializeConditionVariable",
                  "FlsAlloc", "GetLocaleInfoEx", "CompareStringEx", "LCMapStringEx"}
    assert not (set().union(*imports.values()) & vista_only)
    assert not any(name.endswith("_s") for name in imports.get("msvcrt.dll", ()))
