#!/usr/bin/python3
"""From driver packages to a shippable distribution; run as scripts/make-dist.sh:

    scripts/make-dist.sh --x86 DIR --amd64 DIR --dpinst-x86 FILE --dpinst-x64 FILE --out DIR
                         [--package TAG=DIR ...]

Builds Setup.exe (win32 preset) and the checker (host preset), lays the
distribution out in a folder beside OUT, signs Setup.exe when the signing
variables are set, runs the checker on it as the gate, archives it, and only
then moves OUT, OUT.zip and OUT.zip.sha256 into place. Exit code: 0 made (the
checker's warnings are printed); 2 refused (a bad argument, a missing input, an
OUT that exists and is not empty, or the checker's errors); 1 a tool failed (the
build or signing). After a refusal or failure nothing it wrote is left.

The archive is byte-reproducible: entries sorted, each file 0644 and each
folder 0755, all dated SOURCE_DATE_EPOCH or else the commit's time (UTC).
"""

from __future__ import annotations

import argparse
import contextlib
import fcntl
import hashlib
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import zipfile
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
BUILD = REPO / "build"
WIN32_SETUP = BUILD / "win32" / "Setup.exe"
HOST_CHECKER = BUILD / "host" / "zavcir-distcheck"
BUILD_LOG = BUILD / "make-dist.log"

TAG_BITS = {"WinXP32": 32, "WinXP64": 64, "Vista32": 32, "Vista64": 64, "Win7_32": 32, "Win7_64": 64}
SHARED_FOLDER = {32: "x86", 64: "amd64"}  # the folder of the --x86 or --amd64 package
INI_HEADER = "; Setup.ini: which package folder serves which Windows edition and word size.\r\n[Dir]\r\n"
# Characters Windows does not allow in file names.
BAD_NAME_CHARS = set('<>:"/\\|?*') | {chr(c) for c in range(32)}
DOS_EPOCH = 315532800  # 1980-01-01 00:00:00 UTC, the earliest time a zip entry can hold


class Refused(Exception):
    """The inputs cannot make a distribution (exit code 2)."""


class Failed(Exception):
    """A tool failed (exit code 1)."""


def say(text: str) -> None:
    print(f"make-dist: {text}", flush=True)


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


def tree_digest(folder: Path) -> str:
    """A digest of the package's names and contents (the DPInst.exe beside its INF left out)."""
    h = hashlib.sha256()
    for path in sorted(folder.rglob("*")):
        relative = path.relative_to(folder).as_posix()
        if relative.lower() == "dpinst.exe":
            continue
        h.update(relative.encode() + b"\0")
        h.update(hashlib.sha256(path.read_bytes()).digest() if path.is_file() else b"dir")
    return h.hexdigest()


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


@contextlib.contextmanager
def build_lock():
    """One build at a time in build/: parallel runs would rebuild the same files."""
    BUILD.mkdir(exist_ok=True)
    with open(BUILD / "make-dist.lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        yield


def build_tools() -> None:
    """Setup.exe with the win32 preset and the checker with the host preset;
    nothing to do when they are up to date."""
    with build_lock(), open(BUILD_LOG, "w") as log:
        for preset, target, product in (("win32", "Setup", WIN32_SETUP),
                                        ("host", "zavcir-distcheck", HOST_CHECKER)):
            steps = [["cmake", "--build", "--preset", preset, "--target", target]]
            if not (BUILD / preset / "build.ninja").is_file():
                steps.insert(0, ["cmake", "--preset", preset])
            started = log.tell()
            for step in steps:
                log.write(f"==== {' '.join(step)}\n")
                log.flush()
                if subprocess.run(step, cwd=REPO, stdout=log, stderr=subprocess.STDOUT).returncode != 0:
                    log.flush()
                    tail = BUILD_LOG.read_text(errors="replace").splitlines()[-30:]
                    print("\n".join(tail), file=sys.stderr)
                    raise Failed(f"building {product.name} failed (whole output in {BUILD_LOG})")
            log.flush()
            done = BUILD_LOG.read_text(errors="replace")[started:]
            state = "up to date" if "no work to do" in done else "built"
            say(f"{product.relative_to(REPO)}: {state} ({preset} preset)")


def source_date() -> tuple[int, str]:
    """The archive's time stamp and where it comes from."""
    if os.environ.get("SOURCE_DATE_EPOCH"):
        try:
            return int(os.environ["SOURCE_DATE_EPOCH"]), "SOURCE_DATE_EPOCH"
        except ValueError:
            raise Refused(f"SOURCE_DATE_EPOCH is not a number: {os.environ['SOURCE_DATE_EPOCH']}") from None
    result = subprocess.run(["git", "log", "-1", "--format=%ct %h"], cwd=REPO, capture_output=True, text=True)
    if result.returncode != 0 or not result.stdout.strip():
        raise Refused("cannot tell the commit's time (no git work tree?): set SOURCE_DATE_EPOCH")
    stamp, commit = result.stdout.split()
    return int(stamp), f"commit {commit}"


def warn_if_work_tree_changed() -> None:
    result = subprocess.run(["git", "status", "--porcelain"], cwd=REPO, capture_output=True, text=True)
    if result.returncode == 0 and result.stdout.strip():
        say("warning: the work tree has changes that are not committed, so this Setup.exe "
            "cannot be rebuilt from a commit")


def lay_out(stage: Path, packages: dict[str, Path], defaults: dict[int, Path],
            installers: dict[int, Path]) -> dict[str, str]:
    """Setup.exe, the package folders and Setup.ini in stage; the folder of each
    tag. Tags of one word size whose packages hold the same files share a folder:
    x86 or amd64 for the --x86 or --amd64 package, else named like its first tag."""
    stage.mkdir()
    shutil.copyfile(WIN32_SETUP, stage / "Setup.exe")
    digests = {tag: tree_digest(folder) for tag, folder in packages.items()}
    default_digest = {bits: tree_digest(folder) for bits, folder in defaults.items()}
    folder_of: dict[str, str] = {}
    by_content: dict[tuple[int, str], str] = {}
    for tag, bits in TAG_BITS.items():
        key = (bits, digests[tag])
        if key not in by_content:
            name = SHARED_FOLDER[bits] if digests[tag] == default_digest[bits] else tag
            by_content[key] = name
            copy_package(packages[tag], stage / name, installers[bits])
        folder_of[tag] = by_content[key]
    ini = INI_HEADER + "".join(f"{tag} = {folder}\r\n" for tag, folder in folder_of.items())
    (stage / "Setup.ini").write_bytes(ini.encode("ascii"))
    return folder_of


def copy_package(package: Path, target: Path, installer: Path) -> None:
    def ignore(folder, names):
        if Path(folder).resolve() == package.resolve():
            own = [n for n in names if n.lower() == "dpinst.exe"]
            if own:
                say(f"warning: {package / own[0]} is not shipped; the installer given on the command "
                    "line takes its place")
            return own
        return []
    shutil.copytree(package, target, ignore=ignore)
    shutil.copyfile(installer, target / "DPInst.exe")


def sign(stage: Path) -> None:
    if not (os.environ.get("SETUP_SIGN_PFX") or os.environ.get("SETUP_SIGN_PASSWORD")):
        say("Setup.exe is not signed (SETUP_SIGN_PFX is not set)")
        return
    result = subprocess.run([str(REPO / "scripts" / "sign.sh"), str(stage / "Setup.exe")],
                            capture_output=True, text=True)
    if result.returncode != 0:
        sys.stderr.write(result.stdout + result.stderr)
        raise Failed("signing Setup.exe failed")
    say(f"Setup.exe signed ({os.environ.get('SETUP_SIGN_DIGESTS') or 'sha256'})")


def check(work: Path, name: str) -> None:
    say("checking it with zavcir-distcheck:")
    result = subprocess.run([str(HOST_CHECKER), name], cwd=work, capture_output=True, text=True)
    sys.stdout.write("".join("  " + line if line.strip() else line
                             for line in result.stdout.splitlines(keepends=True)))
    sys.stderr.write(result.stderr)
    if result.returncode == 2:
        raise Refused("the checker found errors in the distribution")
    if result.returncode not in (0, 1):
        raise Failed(f"the checker ended with exit code {result.returncode}")


def archive(stage: Path, target: Path, stamp: int) -> int:
    """Writes the zip of stage (entries under stage's name) to target; the entry count."""
    date = time.gmtime(min(max(stamp, DOS_EPOCH), 4354819198))[:6]  # zip times span 1980-2107
    entries = [stage] + sorted(stage.rglob("*"))
    names = sorted((path.relative_to(stage.parent).as_posix() + ("/" if path.is_dir() else ""), path)
                   for path in entries)
    with zipfile.ZipFile(target, "w") as zf:
        for name, path in names:
            info = zipfile.ZipInfo(name, date_time=date)
            info.create_system = 3  # Unix, so that the permission bits below count
            if path.is_dir():
                info.external_attr = (0o40755 << 16) | 0x10
                zf.writestr(info, b"", compress_type=zipfile.ZIP_STORED)
            else:
                info.external_attr = 0o100644 << 16
                zf.writestr(info, path.read_bytes(), compress_type=zipfile.ZIP_DEFLATED, compresslevel=9)
    return len(names)


def make(args: argparse.Namespace) -> Path:
    packages, installers, out = validate(args)
    defaults = {32: Path(args.x86), 64: Path(args.amd64)}
    stamp, stamp_source = source_date()
    build_tools()
    warn_if_work_tree_changed()

    created = []  # folders above out that this run made, outermost first
    for parent in reversed(out.parents):
        if not parent.exists():
            created.append(parent)
    work = None
    done = False
    emptied = False  # out was an empty folder that this run took away to put its own there
    try:
        out.parent.mkdir(parents=True, exist_ok=True)
        work = Path(tempfile.mkdtemp(prefix=f".{out.name}.", dir=out.parent))
        stage = work / out.name
        folder_of = lay_out(stage, packages, defaults, installers)
        for folder in sorted(set(folder_of.values()), key=list(folder_of.values()).index):
            tags = [tag for tag, name in folder_of.items() if name == folder]
            say(f"{out.name}/{folder}: package {packages[tags[0]]} for {', '.join(tags)}")
        sign(stage)
        check(work, out.name)
        count = archive(stage, work / archive_path(out).name, stamp)
        digest = hashlib.sha256((work / archive_path(out).name).read_bytes()).hexdigest()
        line = f"{digest}  {archive_path(out).name}\n"
        (work / checksum_path(out).name).write_text(line)
        say(f"{archive_path(out).name}: {count} entries under {out.name}/, dated "
            f"{time.strftime('%Y-%m-%d %H:%M:%S', time.gmtime(max(stamp, DOS_EPOCH)))} UTC ({stamp_source})")
        if out.is_dir():
            out.rmdir()  # empty, as validated
            emptied = True
        moved = []
        try:
            for source, target in ((stage, out), (work / archive_path(out).name, archive_path(out)),
                                   (work / checksum_path(out).name, checksum_path(out))):
                os.rename(source, target)
                moved.append((target, source))
        except OSError:
            for target, source in reversed(moved):
                os.rename(target, source)
            raise
        work.rmdir()
        done = True
        say(f"made {out}, {archive_path(out)}, {checksum_path(out)}")
        print(line, end="")
        return out
    finally:
        if not done:
            if work is not None:
                shutil.rmtree(work, ignore_errors=True)
            if created:
                shutil.rmtree(created[0], ignore_errors=True)
            elif emptied and not out.exists():
                out.mkdir()  # the empty folder the caller had


def main(argv: list[str]) -> int:
    # A termination request ends the run through the clean-up of make().
    for sig in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(sig, lambda *_: sys.exit(130))
    args = parse_args(argv)
    try:
        make(args)
    except Refused as refusal:
        print(f"make-dist: refused: {refusal}", file=sys.stderr)
        return 2
    except Failed as failure:
        print(f"make-dist: failed: {failure}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
