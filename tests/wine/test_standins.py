"""The installer stand-in behaves as the setup program expects of DPInst.exe.

Every end-to-end scenario rests on it, so it is checked on its own first."""

import re

import pytest

from zavcir.paths import SAMPLE_DIR
from zavcir.wine import UNINSTALL_KEY

V1 = (SAMPLE_DIR / "amd64" / "zavcir.inf").read_bytes()
V2 = (SAMPLE_DIR / "v2" / "amd64" / "zavcir.inf").read_bytes()


def fnv1a(data: bytes, basis: int) -> int:
    h = basis
    for b in data:
        h = ((h ^ b) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return h


def store_hash(inf: bytes) -> str:
    return f"{fnv1a(inf, 0xCBF29CE484222325):016x}"


def entry_key(inf: bytes) -> str:
    bases = (0xCBF29CE484222325, 0x84222325CBF29CE4, 0x1234567890ABCDEF)
    return "".join(f"{fnv1a(inf, b):016X}" for b in bases)[:40]


def test_install_registers_and_uninstall_removes_on_64_bit(wine64):
    p = wine64
    p.make_dist(folders={"Win7_64": 64, "v2": 64}, setup=False)
    p.unix_path(r"C:\dist\v2\zavcir.inf").write_bytes(V2)
    store = f"zavcir.inf_amd64_{store_hash(V1)}"

    # The name unquoted, as the unmended command line has it; default exit code 1.
    assert p.exit_code(r"C:\dist\Win7_64\DPInst /LM /P") == 0x1
    assert p.store_folders() == [store]
    copied = p.system32() / "DriverStore" / "FileRepository" / store / "zavcir.inf"
    assert copied.read_bytes() == V1
    assert not (copied.parent / "DPInst.exe").exists()
    entries = p.uninstall_entries()
    assert list(entries) == [entry_key(V1)]
    assert re.fullmatch(r"[0-9A-F]{40}", entry_key(V1))
    inf = rf"C:\windows\system32\DriverStore\FileRepository\{store}\zavcir.inf"
    uninstall = rf"C:\dist\Win7_64\DPInst.exe /u {inf}"
    assert entries[entry_key(V1)] == {
        "DisplayName": "Windows Driver Package - ZAV CIR (zavcir)  (10/01/2026 1.0.0.0)",
        "DisplayVersion": "10/01/2026 1.0.0.0",
        "UninstallString": uninstall,
    }
    # The 64-bit build writes only the 64-bit view.
    assert p.reg_values(UNINSTALL_KEY + "\\" + entry_key(V1), view=32) is None

    # The same package again: the same folder and entry. A newer one: a second pair.
    # Quoted name, silent options, the whole 32-bit exit code passed through.
    env = {"ZAVCIR_STANDIN_EXIT": "0x40000100"}
    assert p.exit_code(r'"C:\dist\Win7_64\DPInst.exe" /lm /sw /f', env=env) == 0x40000100
    assert p.exit_code(r'"C:\dist\v2\DPInst.exe" /SW /F /LM', env=env) == 0x40000100
    assert sorted(p.uninstall_entries()) == sorted([entry_key(V1), entry_key(V2)])
    assert p.store_folders() == sorted([store, f"zavcir.inf_amd64_{store_hash(V2)}"])

    # Uninstall through the stored command, silently, with the exit code asked for.
    env = {"ZAVCIR_STANDIN_UNINSTALL_EXIT": "0x40000000"}
    assert p.exit_code(uninstall.replace(" /u ", " /s /u "), env=env) == 0x40000000
    assert list(p.uninstall_entries()) == [entry_key(V2)]
    assert p.store_folders() == [f"zavcir.inf_amd64_{store_hash(V2)}"]
    # Gone already: the installer reports failure.
    assert p.exit_code(uninstall) == 0x80000000

    assert p.standin_log() == [
        r"C:\dist\Win7_64\DPInst /LM /P",
        r'"C:\dist\Win7_64\DPInst.exe" /lm /sw /f',
        r'"C:\dist\v2\DPInst.exe" /SW /F /LM',
        uninstall.replace(" /u ", " /s /u "),
        uninstall,
    ]


def test_failures_change_nothing_and_bad_command_lines_are_refused(wine64):
    p = wine64
    p.make_dist(folders={"Win7_64": 64, "Win7_32": 32}, setup=False)
    exe = r'"C:\dist\Win7_64\DPInst.exe"'
    for bad in ("", " /LM", " /P", " /LM /P /Q", " /LM /P /P", " /LM /SW", " /u", " /x /u C:\\a.inf"):
        assert p.exit_code(exe + bad) == 0x80000000, bad
    assert p.exit_code(exe + " /LM /P", env={"ZAVCIR_STANDIN_EXIT": "0x80000100"}) == 0x80000100
    assert p.store_folders() == [] and p.uninstall_entries() == {}

    # Staged only, without an entry; a failing uninstall keeps the folder.
    assert p.exit_code(exe + " /LM /P", env={"ZAVCIR_STANDIN_EXIT": "0x100",
                                             "ZAVCIR_STANDIN_SKIP_REGISTRATION": "1"}) == 0x100
    assert p.uninstall_entries() == {}
    [store] = p.store_folders()
    inf = rf"C:\windows\system32\DriverStore\FileRepository\{store}\zavcir.inf"
    assert p.exit_code(f'{exe} /u "{inf}"', env={"ZAVCIR_STANDIN_UNINSTALL_EXIT": "0xC0000000"}) == 0xC0000000
    assert p.store_folders() == [store]
    # Only folders of the driver store are ever removed.
    assert p.exit_code(exe + r" /u C:\dist\Win7_64\zavcir.inf") == 0x80000000
    assert p.unix_path(r"C:\dist\Win7_64\zavcir.inf").exists()
    assert p.exit_code(f'{exe}  /u "{inf}"') == 0
    assert p.store_folders() == []


@pytest.mark.program32("the 32-bit installer stand-in")
def test_the_32_bit_installer_refuses_64_bit_windows(wine64):
    p = wine64
    p.make_dist(folders={"Win7_32": 32}, setup=False)
    assert p.exit_code(r"C:\dist\Win7_32\DPInst.exe /LM /P") == 0x80000000
    assert p.store_folders() == [] and p.uninstall_entries() == {}


@pytest.mark.parametrize("version", ["winxp", "vista"])
def test_layout_on_32_bit_windows(make_prefix, version):
    p = make_prefix("32", version)
    p.make_dist(folders={"Win7_32": 32}, setup=False)
    assert p.exit_code(r"C:\dist\Win7_32\DPInst.exe /LM /P", env={"ZAVCIR_STANDIN_SLEEP_MS": "200"}) == 1
    folder = (f"DRVSTORE/zavcir_{store_hash(V1)}" if version == "winxp"
              else f"DriverStore/FileRepository/zavcir.inf_x86_{store_hash(V1)}")
    assert (p.system32() / folder / "zavcir.inf").read_bytes() == V1
    [entry] = p.uninstall_entries().values()
    inf = "C:\\windows\\system32\\" + folder.replace("/", "\\") + "\\zavcir.inf"
    assert entry["UninstallString"] == r"C:\dist\Win7_32\DPInst.exe /u " + inf
    assert p.exit_code(entry["UninstallString"]) == 0
    assert p.store_folders() == [] and p.uninstall_entries() == {}
