"""Laying out a distribution folder: Setup.exe, Setup.ini and the package
folders, each with a driver package and a DPInst.exe beside its INF."""

from __future__ import annotations

import shutil
from collections.abc import Callable, Mapping
from dataclasses import dataclass
from pathlib import Path

from zavcir.editions import PACKAGE_FOLDER, TAG_BITS
from zavcir.paths import SAMPLE_DIR

INSTALLER = "DPInst.exe"


@dataclass(frozen=True)
class Package:
    """What goes into one package folder."""

    source: Path  # a driver package: zavcir.inf and the files it names
    installer: Path  # copied beside the INF as DPInst.exe
    inf: bytes | None = None  # the zavcir.inf to write in place of the source's
    whole: bool = True  # the source's other files too (else its INF alone)


def own_installers(source: Path) -> list[str]:
    """The names of a package's own DPInst.exe (any case) beside its INF, which
    the installer given replaces."""
    return [p.name for p in sorted(source.iterdir()) if p.name.lower() == INSTALLER.lower()]


def put_package(folder: Path, package: Package) -> None:
    """Fills folder (made when missing) with the package and its installer."""
    folder.mkdir(parents=True, exist_ok=True)
    if package.whole:
        top = package.source.resolve()
        shutil.copytree(package.source, folder, dirs_exist_ok=True,
                        ignore=lambda at, names: own_installers(top) if Path(at).resolve() == top else [])
    if package.inf is not None or not package.whole:
        inf = package.inf if package.inf is not None else (package.source / "zavcir.inf").read_bytes()
        (folder / "zavcir.inf").write_bytes(inf)
    shutil.copyfile(package.installer, folder / INSTALLER)


def lay_out(root: Path, setup: Path | None, ini: bytes | None,
            packages: Mapping[str | Path, Package]) -> None:
    """A distribution folder at root (made when missing): Setup.exe copied from
    setup, Setup.ini holding ini, and each package folder (a name below root, or
    a full path) with its package; None leaves out Setup.exe or Setup.ini."""
    root.mkdir(parents=True, exist_ok=True)
    if setup is not None:
        shutil.copyfile(setup, root / "Setup.exe")
    if ini is not None:
        (root / "Setup.ini").write_bytes(ini)
    for name, package in packages.items():
        put_package(root / name, package)


def sample_package(bits: int, sample: Path = SAMPLE_DIR) -> Path:
    """The sample's driver package for a word size: <sample>/x86 or <sample>/amd64."""
    return sample / PACKAGE_FOLDER[bits]


def sample_folders(sample: Path = SAMPLE_DIR) -> dict[str, int]:
    """A package folder named like each tag whose package the sample has -> the tag's word size."""
    return {tag: bits for tag, bits in TAG_BITS.items() if sample_package(bits, sample).is_dir()}


def sample_packages(folders: Mapping[str, int], installer: Callable[[int], Path], sample: Path = SAMPLE_DIR,
                    inf: bytes | None = None, whole: bool = False) -> dict[str, Package]:
    """Package folder -> the sample package of its word size (folders: name ->
    word size) with installer(bits); inf, whole: as Package's."""
    return {name: Package(sample_package(bits, sample), installer(bits), inf, whole)
            for name, bits in folders.items()}
