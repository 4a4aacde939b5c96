"""The byte-reproducible zip of a distribution folder."""

from __future__ import annotations

import time
import zipfile
from pathlib import Path

DOS_EPOCH = 315532800  # 1980-01-01 00:00:00 UTC, the earliest time a zip entry can hold


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
