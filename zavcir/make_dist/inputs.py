"""make-dist's command line, and the checks of the packages, installers and
output folder it names."""

from __future__ import annotations

import argparse
import os
from pathlib import Path

from zavcir.editions import TAG_BITS
from zavcir.make_dist.outcome import Refused

# Characters Windows does not allow in file names.
BAD_NAME_CHARS = set('<>:"/\\|?*') | {chr(c) for c in range(32)}


class Once(argparse.Action):
    """An option that may be given once."""

    def __call__(self, parser, namespace, values, option_string=None):
        if getattr(namespace, self.dest) is not None:
            parser.error(f"{option_string} is given twice")
        setattr(namespace, self.dest, values)


def parse_args(argv: list[str]) -> argparse.Namespace:
    parser = argparse.ArgumentParser(
        prog="make-dist.sh",
        description="Makes a checked, archived distribution of the setup program from driver packages.")
    parser.add_argument("--x86", required=True, action=Once, metavar="DIR",
                        help="the driver package of the 32-bit edition tags")
    parser.add_argument("--amd64", required=True, action=Once, metavar="DIR",
                        help="the driver package of the 64-bit edition tags")
    parser.add_argument("--dpinst-x86", required=True, action=Once, metavar="FILE",
                        help="the x86 DPInst.exe, for the 32-bit tags")
    parser.add_argument("--dpinst-x64", required=True, action=Once, metavar="FILE",
                        help="the x64 DPInst.exe, for the 64-bit tags")
    parser.add_argument("--out", required=True, action=Once, metavar="DIR",
                        help="the distribution folder to make; OUT.zip and OUT.zip.sha256 go beside it")
    parser.add_argument("--package", action="append", default=[], metavar="TAG=DIR",
                        help="a package of its own for one tag (" + ", ".join(TAG_BITS) + ")")
    args = parser.parse_args(argv)
    overrides = {}
    for item in args.package:
        tag, sep, folder = item.partition("=")
        known = {t.lower(): t for t in TAG_BITS}
        if not sep or not folder or tag.lower() not in known:
            parser.error(f"--package {item}: expected TAG=DIR with TAG one of {', '.join(TAG_BITS)}")
        if known[tag.lower()] in overrides:
            parser.error(f"--package: {known[tag.lower()]} is given twice")
        overrides[known[tag.lower()]] = folder
    args.overrides = overrides
    return args


def check_names(folder: Path) -> None:
    """Refuses a package that Windows could not hold as it is: a name Windows does
    not allow, two names that differ only in case, or anything but files and folders."""
    for current, dirs, files in os.walk(folder, followlinks=True):
        seen: dict[str, str] = {}
        for name in sorted(dirs + files):
            path = Path(current) / name
            if set(name) & BAD_NAME_CHARS or name.endswith((" ", ".")):
                raise Refused(f"{path}: Windows does not allow this name")
            if name.lower() in seen:
                raise Refused(f"{path} and {seen[name.lower()]} differ only in case; Windows keeps one of them")
            seen[name.lower()] = name
            if not (path.is_file() or path.is_dir()):
                raise Refused(f"{path} is neither a file nor a folder")


def validate(args: argparse.Namespace) -> tuple[dict[str, Path], dict[int, Path], Path]:
    """The package of each tag, the installer of each word size and the output folder."""
    packages = {}
    for tag, bits in TAG_BITS.items():
        given = args.overrides.get(tag) or (args.x86 if bits == 32 else args.amd64)
        packages[tag] = Path(given)
    for option, given in [("--x86", args.x86), ("--amd64", args.amd64)] + [
            (f"--package {tag}", folder) for tag, folder in args.overrides.items()]:
        if not Path(given).is_dir():
            raise Refused(f"{option}: no such folder: {given}")
    installers = {32: Path(args.dpinst_x86), 64: Path(args.dpinst_x64)}
    for bits, option in ((32, "--dpinst-x86"), (64, "--dpinst-x64")):
        if not installers[bits].is_file():
            raise Refused(f"{option}: no such file: {installers[bits]}")
    out = Path(os.path.abspath(args.out))
    if out.name in ("", ".", ".."):
        raise Refused(f"--out: {args.out} does not end in a folder name")
    if out.exists() and not out.is_dir():
        raise Refused(f"--out: {out} exists and is not a folder")
    if out.is_dir() and any(out.iterdir()):
        raise Refused(f"--out: {out} exists and is not empty")
    for extra in (archive_path(out), checksum_path(out)):
        if extra.exists() or extra.is_symlink():
            raise Refused(f"{extra} exists already")
    for folder in set(packages.values()):
        real = folder.resolve()
        if out.resolve() == real or real in out.resolve().parents:
            raise Refused(f"--out: {out} lies inside the package folder {folder}")
        check_names(folder)
    return packages, installers, out


def archive_path(out: Path) -> Path:
    return out.with_name(out.name + ".zip")


def checksum_path(out: Path) -> Path:
    return out.with_name(out.name + ".zip.sha256")
