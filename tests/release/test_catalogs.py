"""The checker's catalog checks on real signed driver packages and on copies
changed here, the Authenticode image hash against osslsigncode, and the
project's own catalog writer (zavcir-catalog) against osslsigncode and the
committed sample catalogs.

The real packages are those of ../shared/driver-packages (its README.md says
what is known of them): each INF laid out as a distribution, as zavcir.inf in
an x86 and an amd64 folder, with the catalogs of its folder; their driver
binaries are not there, so inf-source-file-missing is expected for those.
What each INF's status should be is worked out here independently: whether
the catalog's bytes hold the SHA-1 or SHA-256 digest of the INF as it is, or
of the same text with CR LF line ends.
"""

import hashlib
import json
import re
import shutil
import subprocess

import pytest

from release_support import (SAMPLE, SHARED, TAGS, TEST_CERT, check_json, codes, host_tool, make_catalog,
                             make_dist, run_checker, win_tool)
from zavcir.exit_codes import DISTCHECK_WARNINGS

PACKAGES = SHARED / "driver-packages"
INFS = sorted(PACKAGES.rglob("*.inf"))
CHANGED_AFTER_SIGNING = PACKAGES / "adafruit" / "Adafruit_usbser" / "Adafruit_usbser.inf"


def lay_out(inf, folder, catalogs=None):
    """A distribution of the INF at folder: the built Setup.exe, Setup.ini, and
    x86 and amd64 folders with the INF as zavcir.inf, the catalogs (default:
    every catalog beside the INF) and the installer stand-ins."""
    folder.mkdir(parents=True)
    shutil.copyfile(win_tool("Setup.exe"), folder / "Setup.exe")
    (folder / "Setup.ini").write_text("[Dir]\r\n" + "".join(
        f"{tag} = {'amd64' if tag.endswith('64') else 'x86'}\r\n" for tag in TAGS))
    for name, bits in (("x86", 32), ("amd64", 64)):
        (folder / name).mkdir()
        shutil.copyfile(inf, folder / name / "zavcir.inf")
        for catalog in catalogs if catalogs is not None else inf.parent.glob("*.cat"):
            shutil.copyfile(catalog, folder / name / catalog.name)
        shutil.copyfile(win_tool(f"dpinst{bits}.exe"), folder / name / "DPInst.exe")
    return folder


def beside(inf, name):
    """The file of that name beside the INF, matched without regard to case."""
    return next(p for p in inf.parent.iterdir() if p.name.lower() == name.lower())


def expected_status(inf, catalogs):
    """The INF's status worked out from the bytes: covered, line-endings or changed."""
    text = inf.read_bytes()
    crlf = re.sub(rb"(?<!\r)\n", b"\r\n", text) if not text.startswith(b"\xff\xfe") else text
    blobs = [c.read_bytes() for c in catalogs]
    for name in ("sha1", "sha256"):
        if any(hashlib.new(name, text).digest() in blob for blob in blobs):
            return "covered"
    if crlf != text and any(hashlib.sha1(crlf).digest() in blob for blob in blobs):
        return "line-endings"
    return "changed"


def signer_kind(catalog):
    """The signer's kind from the certificates openssl finds in the catalog."""
    subjects = subprocess.run(["openssl", "pkcs7", "-inform", "DER", "-in", str(catalog), "-print_certs",
                               "-noout"], capture_output=True, text=True, check=True).stdout
    if "Microsoft Windows Hardware Compatibility Publisher" in subjects:
        return "microsoft-whql"
    return "test" if "WDKTestCert" in subjects else "vendor"


@pytest.fixture(scope="module")
def real_reports(tmp_path_factory):
    """{INF: the checker's JSON report of its distribution}."""
    base = tmp_path_factory.mktemp("real")
    return {inf: check_json(lay_out(inf, base / str(i))) for i, inf in enumerate(INFS)}


def test_each_real_inf_has_the_status_its_bytes_give(real_reports):
    """The README's figures: 19 INF files covered (and the copy of the changed
    package as it was signed), 6 whose line ends were changed, 1 changed after signing."""
    assert len(INFS) == 27
    statuses = {}
    for inf, report in real_reports.items():
        for row in report["tags"]:
            catalog = row["catalog"]
            assert catalog is not None and catalog["readable"], (inf, row["tag"])
            status = catalog["files"][0]["status"]
            assert catalog["files"][0]["name"] == "zavcir.inf"
            assert status == expected_status(inf, [beside(inf, catalog["name"])]), (inf, row["tag"])
            statuses.setdefault(inf, set()).add(status)
    assert all(len(s) == 1 for s in statuses.values())
    counts = {}
    for inf, (status,) in statuses.items():
        counts[status] = counts.get(status, 0) + 1
    assert counts == {"covered": 20, "line-endings": 6, "changed": 1}
    assert statuses[CHANGED_AFTER_SIGNING] == {"changed"}
    assert statuses[PACKAGES / "adafruit-usbser-before-pr24" / "Adafruit_usbser.inf"] == {"covered"}


def test_each_real_catalog_is_read_and_its_signer_told(real_reports):
    kinds = {}
    for inf, report in real_reports.items():
        tag_codes = codes(report)
        for row in report["tags"]:
            catalog = row["catalog"]
            path = beside(inf, catalog["name"])
            assert catalog["signature"] == "valid", path
            assert catalog["signer"]["kind"] == signer_kind(path), path
            kinds[path.name.lower(), str(path.parent)] = catalog["signer"]["kind"]
            assert (catalog["version"], catalog["hash_algorithm"]) in ((1, "SHA-1"), (2, "SHA-256"))
            tag = row["tag"]
            status = catalog["files"][0]["status"]
            expected = {"line-endings": "catalog-line-endings",
                        "changed": "catalog-file-not-covered"}.get(status)
            if expected:
                assert ("error", tag, expected) in tag_codes, (inf, tag)
            if catalog["version"] == 2:
                severity = "warning" if tag.startswith("Win7") else "error"
                assert (severity, tag, "catalog-sha256-old-windows") in tag_codes
            if catalog["signer"]["kind"] == "test":
                assert ("warning", tag, "catalog-test-signed") in tag_codes
            # The binaries are not in the corpus: reported missing, never as not covered.
            for file in catalog["files"][1:]:
                assert file["status"] in ("missing", "in-cabinet"), (inf, file)
    values = sorted(kinds.values())
    assert {k: values.count(k) for k in set(values)} == {"microsoft-whql": 8, "vendor": 16, "test": 4}


def test_real_messages(real_reports):
    messages = [f["message"] for f in real_reports[CHANGED_AFTER_SIGNING]["findings"]]
    assert any(m.startswith("Win7_32: 'zavcir.inf' changed after the catalog was made (or the catalog is "
                            "another package's): the catalog x86\\Adafruit_usbser.cat's member "
                            "'adafruit_usbser.inf' holds the SHA-1 hash ") for m in messages)
    line_ends = real_reports[PACKAGES / "adafruit" / "FTDI_VCP_BUS" / "ftdibus.inf"]
    assert any("holds the hash of this text with CR LF line ends, the file has LF ones" in f["message"]
               for f in line_ends["findings"])


def changed_catalog(usbtiny, genuino, inf):
    """The changed copies: (name, INF bytes, catalog bytes, codes on every tag, text of a message)."""
    catalog = usbtiny.read_bytes()
    digest = hashlib.sha1(inf).digest()
    assert catalog.count(digest) == 1
    member = catalog.replace(digest, bytes([digest[0] ^ 1]) + digest[1:])
    return [
        ("one byte of the INF", inf.replace(b"USBtiny", b"USBtinY", 1), catalog,
         {"catalog-file-not-covered"}, "changed after the catalog was made"),
        ("a member's hash", inf, member, {"catalog-file-not-covered", "catalog-signature-invalid"},
         "the digest it signed does not match the trust list"),
        ("a cut-off catalog", inf, catalog[:len(catalog) // 3], {"catalog-unreadable"}, "it is cut short"),
        ("another package's catalog", inf, genuino.read_bytes(), {"catalog-file-not-covered"},
         "(or the catalog is another package's)"),
    ]


def test_changed_copies_of_a_real_package(tmp_path):
    source = PACKAGES / "adafruit" / "USBtinyISP"
    inf = (source / "USBtiny.inf").read_bytes()
    clean = check_json(lay_out(source / "USBtiny.inf", tmp_path / "clean"))
    assert not [c for c in codes(clean) if c[2].startswith("catalog-")]
    for i, (name, inf_bytes, catalog, expected, text) in enumerate(
            changed_catalog(source / "usbtiny.cat", PACKAGES / "arduino" / "genuino.cat", inf)):
        (tmp_path / "in").mkdir(exist_ok=True)
        (tmp_path / "in" / "USBtiny.inf").write_bytes(inf_bytes)
        (tmp_path / "in" / "usbtiny.cat").write_bytes(catalog)
        report = check_json(lay_out(tmp_path / "in" / "USBtiny.inf", tmp_path / str(i)))
        found = {c[2] for c in codes(report) if c[2].startswith("catalog-")}
        assert found == expected, name
        assert {c[1] for c in codes(report) if c[2] in expected} == set(TAGS), name
        assert any(text in f["message"] for f in report["findings"]), name


@pytest.fixture(scope="module")
def signing(tmp_path_factory):
    """(certificate, key) of a throwaway self-signed code-signing certificate."""
    folder = tmp_path_factory.mktemp("sign")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", folder / "key.pem",
                    "-out", folder / "cert.pem", "-days", "2", "-subj", "/CN=ZAV CIR image hash test",
                    "-addext", "extendedKeyUsage=codeSigning"], check=True, capture_output=True, timeout=60)
    return folder / "cert.pem", folder / "key.pem"


def osslsigncode_digest(path):
    """The image hash that osslsigncode computes of a signed file, and the one its signature holds."""
    out = subprocess.run(["osslsigncode", "verify", "-in", str(path)], capture_output=True, text=True).stdout
    current = re.search(r"Current message digest\s*: ([0-9A-F]+)", out).group(1)
    calculated = re.search(r"Calculated message digest\s*: ([0-9A-F]+)", out).group(1)
    return current, calculated


@pytest.mark.parametrize("program", ["Setup.exe", "zavcir-distcheck.exe", "dpinst64.exe"])
def test_image_hash_is_osslsigncodes(tmp_path, signing, program):
    """PE files built here, unsigned (also with 3 bytes appended, which signing
    pads) and signed with SHA-1 and SHA-256: the hash the checker reports for a
    package's zavcir.sys is the one osslsigncode signs and calculates."""
    cert, key = signing
    for extra in (b"", b"abc"):
        unsigned = tmp_path / "unsigned.exe"
        unsigned.write_bytes(win_tool(program).read_bytes() + extra)
        for algorithm, version in (("sha1", "1"), ("sha256", "2")):
            signed = tmp_path / f"signed-{algorithm}.exe"
            signed.unlink(missing_ok=True)
            subprocess.run(["osslsigncode", "sign", "-certs", cert, "-key", key, "-h", algorithm,
                            "-in", unsigned, "-out", signed], check=True, capture_output=True, timeout=60)
            current, calculated = osslsigncode_digest(signed)
            assert current == calculated
            for image in (unsigned, signed):
                dist = make_dist(tmp_path / f"dist-{algorithm}-{image.stem}-{len(extra)}")
                shutil.copyfile(image, dist / "Win7_64" / "zavcir.sys")
                make_catalog(dist / "Win7_64", "--version", version)
                files = check_json(dist)["tags"][5]["catalog"]["files"]
                assert files[1] == {"name": "zavcir.sys", "status": "covered", "hash": current}, image


def test_writer_catalogs_verify_with_osslsigncode(tmp_path):
    """osslsigncode reads the catalogs zavcir-catalog writes, of both versions, and
    verifies their signatures with the test certificate as the trusted root."""
    for version in ("1", "2"):
        package = tmp_path / version
        shutil.copytree(SAMPLE / "amd64", package)
        shutil.copyfile(win_tool("dpinst64.exe"), package / "zavcir.sys")
        make_catalog(package, "--version", version)
        result = subprocess.run(["osslsigncode", "verify", "-CAfile", str(TEST_CERT), "-in",
                                 str(package / "zavcir.cat")], capture_output=True, text=True, timeout=60)
        assert result.returncode == 0 and "Signature verification: ok" in result.stdout, result.stdout
        algorithm = "SHA1" if version == "1" else "SHA256"
        assert f"Message digest algorithm: {algorithm}" in result.stdout


def test_sample_catalogs_are_the_writers(tmp_path):
    """The committed sample catalogs are what zavcir-catalog makes of the sample now
    (byte for byte: the signature is deterministic and the date fixed)."""
    copy = tmp_path / "sample"
    shutil.copytree(SAMPLE, copy)
    for package in ("x86", "amd64", "v2/x86", "v2/amd64"):
        make_catalog(copy / package)
        assert (copy / package / "zavcir.cat").read_bytes() == (SAMPLE / package / "zavcir.cat").read_bytes(), (
            f"sample/{package}/zavcir.cat is out of date: see sample/README.md")


def test_catalog_tool_refuses_what_it_cannot_sign(tmp_path):
    tool = str(host_tool("zavcir-catalog"))
    key = TEST_CERT.with_suffix(".key")
    package = tmp_path / "pkg"
    shutil.copytree(SAMPLE / "x86", package)
    other_key = tmp_path / "other.key"
    subprocess.run(["openssl", "genpkey", "-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:P-256",
                    "-out", other_key], check=True, capture_output=True)

    def run(*args):
        return subprocess.run([tool, *map(str, args)], capture_output=True, text=True, timeout=60)

    refusals = [
        ((), "usage:"),
        (("--cert", TEST_CERT, package), "usage:"),
        (("--cert", TEST_CERT, "--key", key, "--version", "3", package), "usage:"),
        (("--cert", TEST_CERT, "--key", other_key, package), "the key is not the certificate's"),
        (("--cert", key, "--key", key, package), "holds no PEM certificate"),
        (("--cert", TEST_CERT, "--key", key, tmp_path / "nowhere"), "has no readable zavcir.inf"),
    ]
    for args, message in refusals:
        result = run(*args)
        assert result.returncode == 2 and message in result.stderr, (args, result.stderr)
    (package / "zavcir.sys").unlink()
    result = run("--cert", TEST_CERT, "--key", key, package)
    assert result.returncode == 2 and "zavcir.sys, which zavcir.inf names, is missing" in result.stderr
    (package / "zavcir.inf").write_text("[Version]\r\nSignature = \"$Windows NT$\"\r\n")
    result = run("--cert", TEST_CERT, "--key", key, package)
    assert result.returncode == 2 and "names no catalog" in result.stderr
    assert (package / "zavcir.cat").read_bytes() == (SAMPLE / "x86" / "zavcir.cat").read_bytes()


def test_text_report_names_signer_and_files(tmp_path):
    code, out, _ = run_checker(make_dist(tmp_path / "dist"))
    assert code == DISTCHECK_WARNINGS
    assert "certificate chains, trust and revocation are not checked" in out
    assert ("Win7_64  Win7_64\\zavcir.cat: version 1, SHA-1, signer 'O = ZAV test signing, CN = ZAV CIR test "
            "signing (not trusted by Windows)': test certificate, self-signed\n"
            "         zavcir.inf  covered\n         zavcir.sys  covered\n") in out
    report = json.loads(run_checker("--json", tmp_path / "dist")[1])
    assert report["catalogs_checked"] is True
