"""Shared pieces of the release-tool tests: where the built programs are and a
distribution folder made from the sample.

    host_tool(name)           a program of the native build (zavcir.builds.HOST_BUILD); fails
                              when it is missing
    win_tool(name)            a program of the Windows build (the shipped one); fails when it
                              is missing
    run_tool(name)            the same program of the build the end-to-end tests run under
                              Wine (zavcir.wine.target(): the 64-bit test build where Wine
                              cannot run 32-bit programs)
    make_dist(path)           a complete distribution folder at path, from the sample (see below)
    make_catalog(folder)      the package's catalog made anew with zavcir-catalog and the
                              sample's test certificate (TEST_CERT, TEST_KEY)
    check_json(folder)        zavcir-distcheck --json on folder: the report, its exit code checked
    codes(report)             its findings as sorted (severity, tag or "-", code)
    SHARED                    ../shared beside the project root (the real driver packages)

"""

import json
import subprocess
from pathlib import Path

import pytest

from zavcir.builds import HOST_BUILD, WIN32_BUILD, NotBuilt, built
from zavcir.editions import SAMPLE_SETUP_INI, TAG_BITS, TAGS
from zavcir.layout import lay_out, sample_packages
from zavcir.paths import REPO, SAMPLE_DIR as SAMPLE, SHARED  # noqa: F401  (SHARED for the tests)
from zavcir.wine import standin, target

TEST_CERT = SAMPLE / "test-signing" / "test-signing.crt"
TEST_KEY = SAMPLE / "test-signing" / "test-signing.key"
# What the sample's test-signed catalogs give: a warning for each tag, and on the
# Windows 7 tags one that its kernel-mode driver lacks Microsoft's signature;
# and its placeholder driver, which has no version resource, a warning for each tag.
SAMPLE_WARNINGS = sorted([("warning", tag, "catalog-test-signed") for tag in TAGS]
                         + [("warning", tag, "catalog-not-microsoft-signed") for tag in ("Win7_32", "Win7_64")]
                         + [("warning", tag, "driver-file-version") for tag in TAGS])


def _built(build: Path, name: str) -> Path:
    try:
        return built(name, build)
    except NotBuilt as missing:
        pytest.fail(str(missing))


def host_tool(name: str) -> Path:
    return _built(HOST_BUILD, name)


def win_tool(name: str) -> Path:
    """'Setup.exe', 'zavcir-distcheck.exe', or a program of build/win32/tests/."""
    return _built(WIN32_BUILD, name)


def run_tool(name: str) -> Path:
    """As win_tool, from the build whose programs the end-to-end tests run."""
    return _built(target().build, name)


def make_dist(path: Path, setup: Path | None = None) -> Path:
    """The sample distribution (version 1.0.0.0) at path: the built Setup.exe,
    Setup.ini with a folder named like each tag, and in each folder the sample
    package of the tag's word size with the installer stand-in of that word size
    as DPInst.exe: what the release process ships, with stand-ins."""
    path.mkdir(parents=True)
    packages = sample_packages(TAG_BITS, standin, whole=True)
    lay_out(path, setup or win_tool("Setup.exe"), SAMPLE_SETUP_INI.encode("ascii"), packages)
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
