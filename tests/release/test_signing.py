"""scripts/sign.sh: Authenticode signatures with osslsigncode, made with a
throwaway self-signed code-signing certificate created here with openssl.

A self-signed certificate chains to no trusted root, so `osslsigncode verify`
without further trust reports the chain as failed ("self-signed certificate").
That outcome is accepted explicitly, after checking that the signature is there
and its digest matches the file; with the certificate given as the trusted CA
the whole verification must then succeed.
"""

import os
import re
import shutil
import subprocess

import pytest

from release_support import REPO, run_tool, win_tool
from zavcir.exit_codes import DISTCHECK_ERRORS, EXIT_SETUP_FAILED

SIGN = REPO / "scripts" / "sign.sh"
PASSWORD = "throwaway pass phrase"


@pytest.fixture(scope="module")
def certificate(tmp_path_factory):
    """(pfx, cert.pem) of a fresh self-signed code-signing certificate."""
    folder = tmp_path_factory.mktemp("cert")
    key, cert, pfx = folder / "key.pem", folder / "cert.pem", folder / "sign.pfx"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
                    "-out", cert, "-days", "2", "-subj", "/CN=ZAV CIR Test Signing",
                    "-addext", "extendedKeyUsage=codeSigning", "-addext", "keyUsage=digitalSignature"],
                   check=True, capture_output=True, timeout=60)
    subprocess.run(["openssl", "pkcs12", "-export", "-inkey", key, "-in", cert, "-out", pfx,
                    "-passout", f"pass:{PASSWORD}"], check=True, capture_output=True, timeout=60)
    return pfx, cert


def sign(files, pfx, password=PASSWORD, **extra):
    env = {k: v for k, v in os.environ.items() if not k.startswith("SETUP_SIGN_")}
    env.update(SETUP_SIGN_PFX=str(pfx), SETUP_SIGN_PASSWORD=password, **extra)
    return subprocess.run([str(SIGN), *map(str, files)], env=env, capture_output=True, text=True,
                          timeout=120)


def verify(path, ca=None):
    args = ["osslsigncode", "verify", *(["-CAfile", str(ca)] if ca else []), "-in", str(path)]
    result = subprocess.run(args, capture_output=True, text=True, timeout=60)
    return result.returncode, result.stdout + result.stderr


def copy_programs(folder, built=win_tool):
    """Copies of Setup.exe and zavcir-distcheck.exe of a build (the shipped one)."""
    out = []
    for name in ("Setup.exe", "zavcir-distcheck.exe"):
        shutil.copyfile(built(name), folder / name)
        out.append(folder / name)
    return out


@pytest.fixture
def copies(tmp_path):
    """Copies of the built Setup.exe and zavcir-distcheck.exe."""
    return copy_programs(tmp_path)


def test_signs_and_verifies(certificate, copies):
    pfx, cert = certificate
    originals = [p.read_bytes() for p in copies]
    result = sign(copies, pfx)
    assert result.returncode == 0, result.stderr
    for path, original in zip(copies, originals):
        code, out = verify(path)
        # Present, SHA-256, and the digest over the file matches the signed one.
        assert "Message digest algorithm  : SHA256" in out
        current = re.search(r"Current message digest\s*:\s*([0-9A-F]+)", out).group(1)
        calculated = re.search(r"Calculated message digest\s*:\s*([0-9A-F]+)", out).group(1)
        assert current == calculated
        assert "Text description: ZAV CIR Receiver Driver Setup" in out
        # The one accepted failure: the self-signed root is not trusted.
        assert code != 0 and "self-signed certificate" in out, out
        # Trusting the throwaway certificate, everything verifies.
        code, out = verify(path, ca=cert)
        assert code == 0 and "Signature verification: ok" in out, out
        # Removing the signature gives back the unsigned build byte for byte.
        plain = path.with_suffix(".plain")
        subprocess.run(["osslsigncode", "remove-signature", "-in", str(path), "-out", str(plain)],
                       check=True, capture_output=True, timeout=60)
        assert plain.read_bytes() == original


def test_dual_signature_for_old_windows(certificate, copies):
    pfx, cert = certificate
    assert sign(copies[:1], pfx, SETUP_SIGN_DIGESTS="sha1,sha256").returncode == 0
    code, out = verify(copies[0], ca=cert)
    assert code == 0, out
    algorithms = re.findall(r"Message digest algorithm  : (\w+)", out)
    assert algorithms == ["SHA1", "SHA256"]
    assert "Number of verified signatures: 2" in out


def test_refuses_without_usable_certificate(certificate, copies, tmp_path):
    pfx, _ = certificate
    original = copies[0].read_bytes()
    cases = [
        sign(copies[:1], pfx, password="wrong"),
        sign(copies[:1], tmp_path / "missing.pfx"),
        sign(copies[:1], pfx, SETUP_SIGN_DIGESTS="md4"),
        subprocess.run([str(SIGN), str(copies[0])], capture_output=True, text=True, timeout=60,
                       env={k: v for k, v in os.environ.items() if not k.startswith("SETUP_SIGN_")}),
    ]
    for result in cases:
        assert result.returncode != 0
        assert "sign.sh:" in result.stderr
        assert PASSWORD not in result.stderr + result.stdout
    assert copies[0].read_bytes() == original
    assert not list(tmp_path.glob("*.signing"))


def test_signed_programs_still_run(certificate, wine, tmp_path):
    pfx, _ = certificate
    copies = copy_programs(tmp_path, run_tool)  # of the build that runs under Wine
    assert sign(copies, pfx).returncode == 0
    setup, distcheck = copies
    folder = wine.unix_path("C:\\dist")
    folder.mkdir(parents=True)
    shutil.copyfile(setup, folder / "Setup.exe")
    # No Setup.ini: a silent run ends at once with the start-up failure bit.
    result = wine.run("C:\\dist\\Setup.exe", "/S", timeout=60)
    assert result.code == EXIT_SETUP_FAILED
    shutil.copyfile(distcheck, folder / "zavcir-distcheck.exe")
    result = wine.run("C:\\dist\\zavcir-distcheck.exe", "C:\\dist", timeout=60)
    assert result.code == DISTCHECK_ERRORS and "error:   Setup.ini is missing" in result.stdout
