"""Distribution folders laid out in a prefix."""

from __future__ import annotations

from collections.abc import Callable
from dataclasses import dataclass, field
from pathlib import Path

from zavcir.editions import SAMPLE_SETUP_INI
from zavcir.layout import lay_out, sample_folders, sample_packages
from zavcir.editions import PACKAGE_FOLDER
from zavcir.paths import SAMPLE_DIR, SHARED
from zavcir.wine.target import tool


@dataclass
class Distribution:
    """A distribution folder laid out in a prefix."""

    root: str  # Windows path, e.g. C:\dist
    folders: dict[str, int] = field(default_factory=dict)  # package folder -> DPInst word size

    @property
    def setup(self) -> str:
        return self.root + "\\Setup.exe"

    def folder(self, name: str) -> str:
        return self.root + "\\" + name


def standin(bits: int) -> Path:
    """The DPInst.exe stand-in of a word size, of the target's build."""
    return tool(f"dpinst{bits}.exe")


def real_installer(bits: int) -> Path:
    """The real DPInst.exe of a word size, as vendors ship it (x86 or amd64),
    read from ../shared/dpinst/; never copied into the project."""
    path = SHARED / "dpinst" / PACKAGE_FOLDER[bits] / "DPInst.exe"
    if not path.is_file():
        raise FileNotFoundError(f"{path} is missing: ../shared/ beside the project holds the real installer")
    return path


class DistributionMixin:
    """WinePrefix.make_dist (it provides unix_path() and encoding)."""

    def make_dist(self, root: str = r"C:\dist", ini: str | bytes | bool | None = None,
                  folders: dict[str, int] | None = None, inf: bytes | None = None,
                  sample: Path = SAMPLE_DIR, setup: Path | bool | None = None,
                  installer: Callable[[int], Path] = standin, whole: bool = False) -> Distribution:
        r"""Lays out a distribution folder.

        ini: the Setup.ini text (default: SAMPLE_SETUP_INI, a folder named like each tag;
        False: none). folders: package folder -> word size of the DPInst stand-in to put
        there (default: the six tags, each with the stand-in of its word size). Each folder
        gets the zavcir.inf of the sample package of its word size (sample/x86 or
        sample/amd64, or the same in sample=SAMPLE_DIR / "v2"), or inf: the zavcir.inf
        bytes for every folder. The package's other files are left out (the stand-in
        installer does not need them) unless whole. setup: the Setup.exe to copy (default:
        the build's; False: none). installer: the DPInst.exe of a word size (default: the
        stand-in; real_installer: the real one). Text is written in the prefix's ANSI code
        page."""
        if ini is None:
            ini = SAMPLE_SETUP_INI
        data = None if ini is False else ini if isinstance(ini, bytes) else ini.encode(self.encoding)
        if folders is None:
            folders = sample_folders(sample)
        packages = sample_packages(folders, installer, sample, inf, whole)
        setup = None if setup is False else setup or tool("Setup.exe")
        lay_out(self.unix_path(root), setup, data,
                {self.unix_path(root + "\\" + name): package for name, package in packages.items()})
        return Distribution(root, dict(folders))
