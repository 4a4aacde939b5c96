"""A prefix's files: Windows paths as Unix paths, drive letters, the device
link, the real System32 and the package's folders in its driver store."""

from __future__ import annotations

import os
from pathlib import Path

DEVICE_LINK = "zavcirindexiointerface"


class FilesMixin:
    """WinePrefix's file calls (it provides path)."""

    def _dos_device(self, name: str) -> Path:
        """A prefix's link under dosdevices/, removed when it is there."""
        link = self.path / "dosdevices" / name
        if link.is_symlink() or link.exists():
            link.unlink()
        return link

    def set_device(self, present: bool) -> None:
        r"""Makes \\.\ZavCirIndexIoInterface openable (a link to /dev/null) or absent."""
        link = self._dos_device(DEVICE_LINK)
        if present:
            link.symlink_to("/dev/null")

    def map_drive(self, letter: str, folder: Path) -> None:
        """Makes a drive letter (other than C) name a Unix folder, as a CD or a
        USB stick would appear."""
        assert len(letter) == 1 and letter.lower() in "defghijklmnopqrstuvwxy", letter
        self._dos_device(f"{letter.lower()}:").symlink_to(folder)

    def unix_path(self, windows_path: str) -> Path:
        r"""The Unix path of a C:\ path (or of a drive that map_drive made),
        matching existing names without regard to case."""
        drive, _, rest = windows_path.partition(":")
        mapped = self.path / "dosdevices" / f"{drive.lower()}:"
        if drive.lower() == "c":
            path = self.path / "drive_c"
        elif len(drive) == 1 and mapped.is_symlink():
            path = mapped
        else:
            raise ValueError(f"only C: and mapped drives' paths are mapped: {windows_path}")
        for part in [p for p in rest.split("\\") if p]:
            match = None
            if path.is_dir():
                match = next((e for e in os.listdir(path) if e.lower() == part.lower()), None)
            path = path / (match or part)
        return path

    def system32(self) -> Path:
        """The Unix path of the real (native word size) System32."""
        return self.path / "drive_c" / "windows" / "system32"

    def store_folders(self) -> list[str]:
        """Names of the package's folders in the driver store (Vista+ and XP layouts)."""
        found = []
        for sub in ("DriverStore/FileRepository", "DRVSTORE"):
            base = self.system32() / sub
            if base.is_dir():
                found += sorted(p.name for p in base.iterdir() if p.name.lower().startswith("zavcir"))
        return found
