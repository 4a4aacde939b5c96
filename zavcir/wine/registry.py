"""A prefix's registry, through reg.exe: values and keys in the 64- or 32-bit
view, the package's "Uninstall" entries, and the Windows version Wine reports."""

from __future__ import annotations

import re

from zavcir.wine.results import Result

UNINSTALL_KEY = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall"
# Where deployment tools read which version is installed (package/detection_key.h).
DETECTION_KEY = r"HKLM\SOFTWARE\ZAV\ZAV CIR Receiver Driver"

_ROOT_KEYS = {"HKLM": "HKEY_LOCAL_MACHINE", "HKCU": "HKEY_CURRENT_USER", "HKCR": "HKEY_CLASSES_ROOT",
              "HKU": "HKEY_USERS"}
_VALUE_LINE = re.compile(r"^ {4}(.*?) {4}(REG_[A-Z_]+)(?: {4}(.*))?$")


def _long_key(key: str) -> str:
    """A key path with its root written out, as reg.exe prints it."""
    root, sep, rest = key.partition("\\")
    return _ROOT_KEYS.get(root.upper(), root) + sep + rest


def _view(view: int | None) -> list[str]:
    return [] if view is None else [f"/reg:{view}"]


class RegistryMixin:
    """WinePrefix's registry calls (it provides start(), arch and oem_encoding)."""

    def set_version(self, name: str) -> None:
        """The Windows version that the next processes see (winxp, win7, win2k, ...)."""
        self.reg_add(r"HKCU\Software\Wine", "Version", name, view=None)

    def _reg(self, *args: str, check: bool = True) -> Result:
        result = self.start("reg", *args, timeout=60, encoding=self.oem_encoding).wait()
        if check and result.code != 0:
            raise RuntimeError(f"reg {' '.join(args)} failed: {result.code} {result.stdout} {result.stderr}")
        return result

    def reg_add(self, key: str, name: str | None, data: str | int = "", kind: str = "REG_SZ",
                view: int | None = 64) -> None:
        """Writes one value (name None: the default value) in the 64- or 32-bit view."""
        args = ["add", key, *(["/ve"] if name is None else ["/v", name]), "/t", kind]
        args += ["/d", str(data), "/f", *_view(view)]
        self._reg(*args)

    def reg_add_key(self, key: str, view: int | None = 64) -> None:
        self._reg("add", key, "/f", *_view(view))

    def reg_delete(self, key: str, view: int | None = 64) -> None:
        self._reg("delete", key, "/f", *_view(view), check=False)

    def reg_values(self, key: str, view: int | None = 64) -> dict[str, str] | None:
        """The values of one key as texts (REG_DWORD as 0x...), or None when it is missing."""
        result = self._reg("query", key, *_view(view), check=False)
        if result.code != 0:
            return None
        values, inside = {}, False
        for line in result.stdout.splitlines():
            line = line.rstrip("\r")
            if not line.strip():
                continue
            if not line.startswith(" "):
                inside = line.strip().lower() == _long_key(key).lower()
                continue
            m = _VALUE_LINE.match(line)
            if inside and m:
                values["" if m.group(1) == "(Default)" else m.group(1)] = m.group(3) or ""
        return values

    def reg_subkeys(self, key: str, view: int | None = 64) -> list[str]:
        """The names of a key's direct subkeys ([] when it is missing)."""
        result = self._reg("query", key, *_view(view), check=False)
        if result.code != 0:
            return []
        prefix = _long_key(key).lower().rstrip("\\") + "\\"
        names = []
        for line in result.stdout.splitlines():
            line = line.strip()
            if line.lower().startswith(prefix) and "\\" not in line[len(prefix):]:
                names.append(line[len(prefix):])
        return names

    def uninstall_entries(self, view: int | None = None) -> dict[str, dict[str, str]]:
        """The Uninstall subkeys that name zavcir.inf, by key name, with their values.

        view None: the one the setup program uses (64 on a 64-bit prefix)."""
        view = view or (64 if self.arch == "64" else 32)
        entries = {}
        for name in self.reg_subkeys(UNINSTALL_KEY, view):
            values = self.reg_values(UNINSTALL_KEY + "\\" + name, view) or {}
            if "zavcir.inf" in values.get("UninstallString", "").lower():
                entries[name] = values
        return entries

    def detection_key(self, view: int | None = None) -> dict[str, str] | None:
        """The detection key's values (Copies as 0x...), or None when it is
        missing; view None: the one the setup program uses (64 on a 64-bit prefix)."""
        return self.reg_values(DETECTION_KEY, view or (64 if self.arch == "64" else 32))
