"""The driver package installers a release ships, as make-dist and the checker
see them: the real ones (../shared/dpinst/, vendor-signed, as vendors ship
them) are accepted and named in the report by version, machine and signer;
the stand-in, unsigned and without a version record, is named as such; a
signature that is not the file's own (a byte changed after signing) is told
apart from none.
"""

import shutil
import subprocess

from release_support import SAMPLE, check_json, make_dist, run_checker, win_tool
from test_make_dist import make_dist as make_dist_command
from test_signing import PASSWORD, certificate  # noqa: F401  (a fixture)
from zavcir.exit_codes import MAKE_DIST_MADE
from zavcir.wine import real_installer


def installers(report):
    """Per tag: (machine, version, signature status, signer kind)."""
    out = {}
    for row in report["tags"]:
        signature = row["dpinst_signature"] or {}
        out[row["tag"]] = (row["dpinst_machine"], row["dpinst_version"], signature.get("status"),
                           (signature.get("signer") or {}).get("kind"))
    return out


def test_make_dist_accepts_the_real_installers_and_the_report_names_them(tmp_path):
    result = make_dist_command("--x86", SAMPLE / "x86", "--amd64", SAMPLE / "amd64", "--dpinst-x86",
                               real_installer(32), "--dpinst-x64", real_installer(64), "--out", tmp_path / "zavcir")
    assert result.returncode == MAKE_DIST_MADE, result.stdout + result.stderr
    assert "Result: 0 errors, 14 warnings" in result.stdout  # the sample's, as before
    report = check_json(tmp_path / "zavcir")
    assert set(installers(report).values()) == {("x86", "2.1.0.0", "valid", "vendor"),
                                                ("x64", "2.1.0.0", "valid", "vendor")}
    lines = [line for line in result.stdout.splitlines() if "DPInst.exe: " in line]
    assert len(lines) == 6
    assert all("version 2.1.0.0" in line and ": vendor" in line for line in lines), lines


def test_the_stand_in_a_signed_copy_and_a_copy_changed_after_signing(tmp_path, certificate):  # noqa: F811
    folder = make_dist(tmp_path / "dist")
    pfx, _ = certificate
    signed = tmp_path / "signed.exe"
    subprocess.run(["osslsigncode", "sign", "-pkcs12", pfx, "-pass", PASSWORD, "-h", "sha256",
                    "-in", win_tool("dpinst32.exe"), "-out", signed], check=True, capture_output=True,
                   timeout=60)
    changed = bytearray(signed.read_bytes())
    changed[0x200] ^= 0xFF  # in the image's own bytes, which the signature's hash covers
    shutil.copyfile(signed, folder / "WinXP32" / "DPInst.exe")
    (folder / "Vista32" / "DPInst.exe").write_bytes(bytes(changed))

    report = check_json(folder)
    found = installers(report)
    assert found["WinXP32"] == ("x86", None, "valid", "test")
    assert found["Vista32"] == ("x86", None, "invalid", "test")
    assert found["Win7_32"] == ("x86", None, "none", None)  # the stand-in as built
    problem = next(r for r in report["tags"] if r["tag"] == "Vista32")["dpinst_signature"]["problem"]
    assert problem == "the image hash it signed is not the file's: the file was changed after it was signed"
    _, text, _ = run_checker(folder)
    assert "Win7_32  Win7_32\\DPInst.exe: no version record, x86, not signed" in text
    assert "Vista32  Vista32\\DPInst.exe: no version record, x86, signature not valid, signer" in text
