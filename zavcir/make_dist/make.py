"""The distribution made: laid out beside OUT (tags whose packages hold the
same files sharing a folder), signed, checked, archived, and only then moved
into place; after a refusal or a failure nothing it wrote is left."""

from __future__ import annotations

import argparse
import hashlib
import os
import shutil
import tempfile
import time
from pathlib import Path

from zavcir.editions import PACKAGE_FOLDER, TAG_BITS, setup_ini
from zavcir.layout import Package, lay_out, own_installers
from zavcir.make_dist.archive import DOS_EPOCH, archive
from zavcir.make_dist.inputs import archive_path, checksum_path, validate
from zavcir.make_dist.outcome import say
from zavcir.make_dist.tools import WIN32_SETUP, build_tools, check, sign, source_date, warn_if_work_tree_changed


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


def shared_folders(packages: dict[str, Path], defaults: dict[int, Path]) -> dict[str, str]:
    """The folder of each tag. Tags of one word size whose packages hold the same
    files share a folder: x86 or amd64 for the --x86 or --amd64 package, else
    named like its first tag."""
    digests = {tag: tree_digest(folder) for tag, folder in packages.items()}
    default_digest = {bits: tree_digest(folder) for bits, folder in defaults.items()}
    folder_of: dict[str, str] = {}
    by_content: dict[tuple[int, str], str] = {}
    for tag, bits in TAG_BITS.items():
        key = (bits, digests[tag])
        if key not in by_content:
            by_content[key] = PACKAGE_FOLDER[bits] if digests[tag] == default_digest[bits] else tag
        folder_of[tag] = by_content[key]
    return folder_of


def lay_out_stage(stage: Path, packages: dict[str, Path], defaults: dict[int, Path],
                  installers: dict[int, Path]) -> dict[str, str]:
    """Setup.exe, the package folders and Setup.ini in stage; the folder of each tag."""
    stage.mkdir()
    folder_of = shared_folders(packages, defaults)
    folders: dict[str, Package] = {}
    for tag, folder in folder_of.items():
        if folder not in folders:
            folders[folder] = Package(packages[tag], installers[TAG_BITS[tag]])
            own = own_installers(packages[tag])
            if own:
                say(f"warning: {packages[tag] / own[0]} is not shipped; the installer given on the "
                    "command line takes its place")
    lay_out(stage, WIN32_SETUP, setup_ini(folder_of).encode("ascii"), folders)
    return folder_of


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
        folder_of = lay_out_stage(stage, packages, defaults, installers)
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
