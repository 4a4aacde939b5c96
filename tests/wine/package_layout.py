r"""Where the installer stand-in puts the sample driver package, the command
lines that Setup.exe and the stored "Uninstall" entries give it, and the check
of what a run left behind.

The stand-in names a package's driver-store folder and "Uninstall" key after
hashes of the package's zavcir.inf (see tests/standins/dpinst_standin.cpp), so
every name here follows from the INF bytes alone.
"""

from __future__ import annotations

from dataclasses import dataclass

from zavcir.paths import SAMPLE_DIR

V1 = (SAMPLE_DIR / "amd64" / "zavcir.inf").read_bytes()  # DriverVer 10/01/2026, 1.0.0.0
V2 = (SAMPLE_DIR / "v2" / "amd64" / "zavcir.inf").read_bytes()  # DriverVer 12/01/2026, 1.1.0.0

PRODUCT = "ZAV CIR Receiver Driver"
WINDOWS_DIR = r"C:\windows"  # as GetWindowsDirectoryA reports it under Wine
# Installer behaviour: the package copied into the store, registered nowhere.
STAGED_WITHOUT_ENTRY = {"ZAVCIR_STANDIN_EXIT": "0x100", "ZAVCIR_STANDIN_SKIP_REGISTRATION": "1"}


def _fnv1a(data: bytes, basis: int) -> int:
    h = basis
    for b in data:
        h = ((h ^ b) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return h


def entry_key(inf: bytes) -> str:
    """The name of the "Uninstall" key the stand-in registers for this INF."""
    bases = (0xCBF29CE484222325, 0x84222325CBF29CE4, 0x1234567890ABCDEF)
    return "".join(f"{_fnv1a(inf, b):016X}" for b in bases)[:40]


def install_command(package_dir: str, silent: bool) -> str:
    """The installer command line Setup.exe forms for a package folder."""
    return f'"{package_dir}\\DPInst.exe" ' + ("/LM /SW /F" if silent else "/LM /P")


@dataclass(frozen=True)
class Store:
    """The driver store of one Windows: XP's DRVSTORE or Vista+'s FileRepository,
    with the stand-in of the given word size filling it."""

    xp: bool
    bits: int

    @property
    def subdir(self) -> str:
        return "DRVSTORE" if self.xp else r"DriverStore\FileRepository"

    def folder(self, inf: bytes) -> str:
        """The name of the package's folder in the store."""
        digest = f"{_fnv1a(inf, 0xCBF29CE484222325):016x}"
        if self.xp:
            return f"zavcir_{digest}"
        return f"zavcir.inf_{'amd64' if self.bits == 64 else 'x86'}_{digest}"

    def stored_inf(self, inf: bytes) -> str:
        r"""The INF path in the stand-in's UninstallString (it names C:\windows\system32)."""
        return rf"{WINDOWS_DIR}\system32\{self.subdir}\{self.folder(inf)}\zavcir.inf"

    def swept_inf(self, inf: bytes) -> str:
        """The INF path in Setup.exe's store sweep (the Windows directory and its
        own "System32" suffix)."""
        return rf"{WINDOWS_DIR}\System32\{self.subdir}\{self.folder(inf)}\zavcir.inf"

    def uninstall_string(self, package_dir: str, inf: bytes) -> str:
        """The UninstallString the stand-in in package_dir registers: unquoted."""
        return rf"{package_dir}\DPInst.exe /u {self.stored_inf(inf)}"

    def entry_command(self, package_dir: str, inf: bytes, silent: bool) -> str:
        """An entry's uninstall command as Setup.exe runs it: the stored command
        lower-cased, with "/s /u " for "/u " when silent."""
        command = self.uninstall_string(package_dir, inf).lower()
        return command.replace(" /u ", " /s /u ") if silent else command

    def sweep_command(self, location: str, inf: bytes, silent: bool) -> str:
        """Setup.exe's command for one package folder found in the store; a
        non-silent one has two spaces before /u."""
        return f'"{location}\\DPInst.exe" {"/s" if silent else ""} /u "{self.swept_inf(inf)}"'

    def entry(self, package_dir: str, inf: bytes, version: str,
              name: str = PRODUCT) -> dict[str, dict[str, str]]:
        """The registry state of one entry as uninstall_entries() returns it."""
        return {entry_key(inf): {"DisplayName": name, "DisplayVersion": version,
                                 "UninstallString": self.uninstall_string(package_dir, inf)}}


def assert_state(p, store: Store, entries: dict, folders: list[bytes]) -> None:
    """The package's entries (in the registry view Setup.exe uses) and store
    folders; on a 64-bit prefix also nothing of the package where a 32-bit
    program looks without switching view or redirection."""
    assert p.uninstall_entries() == entries
    assert p.store_folders() == sorted(store.folder(inf) for inf in folders)
    if p.arch == "64":
        assert p.uninstall_entries(view=32) == {}
        wow = p.path / "drive_c" / "windows" / "syswow64"
        for sub in ("DriverStore/FileRepository", "DRVSTORE"):
            if (wow / sub).is_dir():
                assert not [x for x in (wow / sub).iterdir() if x.name.lower().startswith("zavcir")]


class NewLines:
    """A log read in portions: `new()` returns the lines that read() gives
    beyond those it gave at the last call."""

    def __init__(self, read):
        self._read, self._seen = read, 0

    def new(self) -> list[str]:
        lines = self._read()
        fresh, self._seen = lines[self._seen:], len(lines)
        return fresh


def detection_values(version: str, key: str, copies: int = 1) -> dict[str, str]:
    """The detection key's values, as detection_key() reads them, for the
    newest copy registered (version, entry key) among copies."""
    return {"DisplayVersion": version, "UninstallKey": key, "Copies": f"0x{copies:x}"}
