"""Laying out a distribution folder (zavcir/layout.py), which make-dist, the
tests' distributions and the benchmark share: what lands in each package
folder, and the Setup.ini text the tags give."""

import pytest

from zavcir.editions import SAMPLE_SETUP_INI, TAGS, setup_ini
from zavcir.layout import Package, lay_out, own_installers, put_package, sample_folders, sample_packages


@pytest.fixture
def source(tmp_path):
    """A package with a file beside its INF, a subfolder, its own installer,
    and a file named like the installer below the top."""
    package = tmp_path / "package"
    (package / "sub").mkdir(parents=True)
    (package / "zavcir.inf").write_bytes(b"inf")
    (package / "zavcir.sys").write_bytes(b"sys")
    (package / "DPInst.EXE").write_bytes(b"its own installer")
    (package / "sub" / "dpinst.exe").write_bytes(b"a file of the package")
    (tmp_path / "installer.exe").write_bytes(b"the installer given")
    return package


def files(folder):
    return {p.relative_to(folder).as_posix(): p.read_bytes() for p in sorted(folder.rglob("*")) if p.is_file()}


PACKAGE_FOLDERS = [
    # (name, Package options, files of the folder)
    ("whole package: the own installer at the top replaced, any case",
     dict(), {"zavcir.inf": b"inf", "zavcir.sys": b"sys", "sub/dpinst.exe": b"a file of the package",
              "DPInst.exe": b"the installer given"}),
    ("whole package with an INF of its own",
     dict(inf=b"other"), {"zavcir.inf": b"other", "zavcir.sys": b"sys", "sub/dpinst.exe": b"a file of the package",
                          "DPInst.exe": b"the installer given"}),
    ("the INF alone", dict(whole=False), {"zavcir.inf": b"inf", "DPInst.exe": b"the installer given"}),
    ("an INF of its own alone", dict(whole=False, inf=b"other"),
     {"zavcir.inf": b"other", "DPInst.exe": b"the installer given"}),
]


@pytest.mark.parametrize("options,expected", [p[1:] for p in PACKAGE_FOLDERS], ids=[p[0] for p in PACKAGE_FOLDERS])
def test_a_package_folder_holds_the_package_and_the_installer_given(source, tmp_path, options, expected):
    put_package(tmp_path / "out" / "x86", Package(source, tmp_path / "installer.exe", **options))
    assert files(tmp_path / "out" / "x86") == expected


def test_own_installers_are_named_at_the_top_only(source, tmp_path):
    assert own_installers(source) == ["DPInst.EXE"]
    assert own_installers(source / "sub") == ["dpinst.exe"]
    (tmp_path / "empty").mkdir()
    assert own_installers(tmp_path / "empty") == []


def test_lay_out_leaves_out_what_is_not_given_and_takes_full_paths(source, tmp_path):
    elsewhere = tmp_path / "elsewhere" / "pkg"
    package = Package(source, tmp_path / "installer.exe", whole=False)
    lay_out(tmp_path / "dist", None, None, {"Win7_64": package, elsewhere: package})
    assert sorted(p.name for p in (tmp_path / "dist").iterdir()) == ["Win7_64"]
    assert files(elsewhere) == files(tmp_path / "dist" / "Win7_64")

    (tmp_path / "Setup.exe").write_bytes(b"MZ")
    lay_out(tmp_path / "dist", tmp_path / "Setup.exe", b"[Dir]\r\n", {})
    assert (tmp_path / "dist" / "Setup.exe").read_bytes() == b"MZ"
    assert (tmp_path / "dist" / "Setup.ini").read_bytes() == b"[Dir]\r\n"


def test_setup_ini_names_each_tag_s_folder_in_order():
    text = setup_ini({"WinXP32": "x86", "Win7_64": "My Drivers"})
    assert text.endswith("[Dir]\r\nWinXP32 = x86\r\nWin7_64 = My Drivers\r\n")
    assert text.startswith("; ") and text.count("\r\n") == 4
    assert SAMPLE_SETUP_INI.splitlines()[2:] == [f"{tag} = {tag}" for tag in TAGS]


def test_sample_packages_follow_the_word_size_of_each_folder(tmp_path):
    (tmp_path / "amd64").mkdir()  # a sample with the 64-bit package only
    assert sample_folders(tmp_path) == {"WinXP64": 64, "Vista64": 64, "Win7_64": 64}
    packages = sample_packages({"a": 32, "b": 64}, lambda bits: tmp_path / f"dpinst{bits}.exe", tmp_path)
    assert packages == {"a": Package(tmp_path / "x86", tmp_path / "dpinst32.exe", None, False),
                        "b": Package(tmp_path / "amd64", tmp_path / "dpinst64.exe", None, False)}
