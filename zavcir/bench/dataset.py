"""The data set: "Uninstall" subkeys like those of a real machine, every 20th
the package's, with its INF in the driver store."""

from __future__ import annotations

from zavcir.layout import sample_package
from zavcir.wine import UNINSTALL_KEY, WinePrefix

DIST = "C:\\dist"
INSTALLER = f'"{DIST}\\Win7_64\\DPInst.exe" /LM /SW /F'  # as Setup.exe forms it
PACKAGE_SHARE = 20  # every 20th subkey is the package's: 5 %
STORE = "DriverStore/FileRepository"
SAMPLE_INF = sample_package(64) / "zavcir.inf"


def _hex(i: int, salt: int, digits: int) -> str:
    """Deterministic hex digits for subkey i (a 64-bit mix, repeated as needed)."""
    out, x = "", (i * 0x9E3779B97F4A7C15 + salt) & 0xFFFFFFFFFFFFFFFF
    while len(out) < digits:
        x ^= x >> 31
        x = (x * 0xBF58476D1CE4E5B9) & 0xFFFFFFFFFFFFFFFF
        x ^= x >> 29
        out += f"{x:016X}"
    return out[:digits]


def _reg_text(text: str) -> str:
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def subkey(i: int) -> tuple[str, dict[str, str], str | None]:
    """Subkey i of the data set: its name, its values and, for the package's
    entries, the name of its driver-store folder."""
    if i % PACKAGE_SHARE == 0:
        folder = "zavcir.inf_amd64_" + _hex(i, 1, 16).lower()
        return (_hex(i, 2, 40), {
            "DisplayName": "ZAV CIR Receiver Driver",
            "DisplayVersion": "1.0.0.0",
            "Publisher": "ZAV",
            "UninstallString": rf"{DIST}\Win7_64\DPInst.exe /u C:\Windows\System32\DriverStore"
                               rf"\FileRepository\{folder}\zavcir.inf",
        }, folder)
    guid = _hex(i, 3, 32)
    guid = f"{{{guid[:8]}-{guid[8:12]}-{guid[12:16]}-{guid[16:20]}-{guid[20:]}}}"
    if i % 3 == 0:
        command = f"MsiExec.exe /X{guid}"
    elif i % 3 == 1:
        command = f'"C:\\Program Files\\Vendor {i % 97}\\Application {i}\\uninstall.exe" /remove'
    else:
        command = f"C:\\Program Files (x86)\\Tool {i}\\unins000.exe"
    name = guid if i % 2 else f"Application {i:05d}"
    return name, {"DisplayName": f"Application {i}", "DisplayVersion": f"{i % 10}.{i % 7}.{i}",
                  "Publisher": f"Vendor {i % 97}", "UninstallString": command}, None


def add_subkeys(prefix: WinePrefix, start: int, stop: int, inf: bytes) -> int:
    """Adds subkeys start..stop-1 (64-bit view) with one reg import, and the
    package's INF files in the real System32's driver store. Returns how many of
    them are the package's."""
    lines = ["REGEDIT4", ""]
    store = prefix.system32() / STORE
    packages = 0
    for i in range(start, stop):
        name, values, folder = subkey(i)
        lines.append(f"[HKEY_LOCAL_MACHINE\\{UNINSTALL_KEY[5:]}\\{name}]")
        lines += [f"{_reg_text(k)}={_reg_text(v)}" for k, v in values.items()]
        lines.append("")
        if folder:
            packages += 1
            (store / folder).mkdir(parents=True, exist_ok=True)
            (store / folder / "zavcir.inf").write_bytes(inf)
    reg_file = prefix.unix_path(r"C:\bench\keys.reg")
    reg_file.write_bytes("\r\n".join(lines).encode("ascii"))
    result = prefix.run("reg", "import", r"C:\bench\keys.reg", "/reg:64", timeout=600)
    if result.code != 0:
        raise RuntimeError(f"reg import failed: {result.code} {result.stdout} {result.stderr}")
    reg_file.unlink()
    return packages
