"""Shared pieces of the release-tool tests: where the built programs are and a
distribution folder made from the sample.

    HOST_BUILD, WIN32_BUILD   build/host and build/win32 (or $ZAVCIR_HOST_BUILD,
                              $ZAVCIR_WIN32_BUILD)
    host_tool(name)           a program of the native build; fails when it is missing
    win_tool(name)            a program of the Windows build (the shipped one); fails when it
                              is missing
    run_tool(name)            the same program of the build the end-to-end tests run under
                              Wine (wineprefix.target(): the 64-bit test build where Wine
                              cannot run 32-bit programs)
    use_run_setup(folder)     puts that build's Setup.exe into a distribution folder
    make_dist(path)           a complete distribution folder at path, from the sample (see below)
    make_catalog(folder)      the package's catalog made anew with zavcir-catalog and the
                              sample's test certificate (TEST_CERT, TEST_KEY)
    check_json(folder)        zavcir-distcheck --json on folder: the report, its exit code checked
    codes(report)             its findings as sorted (severity, tag or "-", code)
    SHARED                    ../shared beside the project root (the real driver packages)
"""

import json
import os
import shutil
import subprocess
import sys
from pathlib import Path

import pytest

REPO = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO / "tests" / "wine"))

import wineprefix  # noqa: E402

HOST_BUILD = Path(os.environ.get("ZAVCIR_HOST_BUILD", REPO / "build" / "host"))
WIN32_BUILD = wineprefix.WIN32_BUILD
SAMPLE = REPO / "sample"
SHARED = REPO.parent / "shared"
TEST_CERT = SAMPLE / "test-signing" / "test-signing.crt"
TEST_KEY = SAMPLE / "test-signing" / "test-signing.key"
TAGS = ("WinXP32", "WinXP64", "Vista32", "Vista64", "Win7_32", "Win7_64")
# What the sample's test-signed catalogs give: a warning for each tag, and on the
# Windows 7 tags one that its kernel-mode driver lacks Microsoft's signature.
SAMPLE_WARNINGS = sorted([("warning", tag, "catalog-test-signed") for tag in TAGS]
                         + [("warning", tag, "catalog-not-microsoft-signed") for tag in ("Win7_32", "Win7_64")])


def host_tool(name: str) -> Path:
    path = HOST_BUILD / name
    if not path.is_file():
        pytest.fail(f"{path} is missing: build it with `cmake --preset host && cmake --build --preset host`")
    return path


def _built(build: Path, name: str) -> Path:
    path = build / name
    if not path.is_file():
        path = build / "tests" / name
    if not path.is_file():
        pytest.fail(f"{name} is missing in {build}: build it with "
                    f"`cmake --preset {build.name} && cmake --build --preset {build.name}`")
    return path


def win_tool(name: str) -> Path:
    """'Setup.exe', 'zavcir-distcheck.exe', or a program of build/win32/tests/."""
    return _built(WIN32_BUILD, name)


def run_tool(name: str) -> Path:
    """As win_tool, from the build whose programs the end-to-end tests run."""
    return _built(wineprefix.target().build, name)


def use_run_setup(folder: Path) -> None:
    """Where the end-to-end tests run the 64-bit test build, its Setup.exe
    replaces the shipped one in a distribution folder; elsewhere nothing changes."""
    if wineprefix.target().bits != 32:
        shutil.copyfile(run_tool("Setup.exe"), folder / "Setup.exe")


def make_dist(path: Path, setup: Path | None = None) -> Path:
    """The sample distribution (version 1.0.0.0) at path: the built Setup.exe,
    Setup.ini with a folder named like each tag, and in each folder the sample
    package of the tag's word size with the installer stand-in of that word size
    as DPInst.exe: what the release process ships, with stand-ins."""
    path.mkdir(parents=True)
    shutil.copyfile(setup or win_tool("Setup.exe"), path / "Setup.exe")
    (path / "Setup.ini").write_text(wineprefix.SAMPLE_SETUP_INI, newline="")
    for tag, bits in wineprefix.TAG_BITS.items():
        wineprefix.fill_package_folder(path / tag, bits, whole=True)
    return path


def make_catalog(folder: Path, *options: str) -> None:
    """Writes the catalog(s) the package's zavcir.inf names, signed with the
    sample's test certificate and dated like the sample's (options: more of
    zavcir-catalog's, such as "--version", "2")."""
    subprocess.run([str(host_tool("zavcir-catalog")), "--cert", str(TEST_CERT), "--key", str(TEST_KEY),
                    "--time", "1790812800", *options, str(folder)], check=True, capture_output=True, timeout=60)


def run_checker(*args, cwd=None):
    """(exit code, stdout, stderr) of the native zavcir-distcheck."""
    result = subprocess.run([str(host_tool("zavcir-distcheck")), *map(str, args)], cwd=cwd,
                            capture_output=True, timeout=60)
    return result.returncode, result.stdout.decode("ascii"), result.stderr.decode("ascii")


def check_json(folder, cwd=None) -> dict:
    code, out, _ = run_checker("--json", folder, cwd=cwd)
    report = json.loads(out)
    assert report["exit_code"] == code
    return report


def codes(report: dict) -> list:
    return sorted((f["severity"], f["tag"] or "-", f["code"]) for f in report["findings"])
