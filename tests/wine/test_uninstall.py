r"""Uninstall (/U) with the real Setup.exe under Wine: the entries' own commands,
the sweep of the driver store, the device check and the exit code."""

import re
import time

import pytest

from package_layout import STAGED_WITHOUT_ENTRY, V1, V2, NewLines, Store, assert_state
from zavcir.exit_codes import EXIT_REMOVE_FAILED, EXIT_RESTART_NEEDED, SETUP_SUCCESS
from zavcir.paths import SAMPLE_DIR
from zavcir.wine import UNINSTALL_KEY, tool

STORE = Store(xp=False, bits=64)
# A third package: the sample INF with one byte more, so a folder of its own.
V3 = V1 + b"\r\n"


def leave_in_store(p, dist):
    """Stages the distribution's package without an entry: a copy that only the sweep finds."""
    assert p.run(dist.setup, "/S", env=STAGED_WITHOUT_ENTRY).code == SETUP_SUCCESS


@pytest.mark.parametrize("silent", [True, False], ids=["silent", "interactive"])
def test_entries_go_first_then_every_package_folder_of_the_store(wine64, silent):
    p = wine64
    v1 = p.make_dist()
    v2 = p.make_dist(root=r"C:\dist2", sample=SAMPLE_DIR / "v2")
    v3 = p.make_dist(root=r"C:\dist3", inf=V3)
    assert p.run(v1.setup, "/S").code == SETUP_SUCCESS
    leave_in_store(p, v2)
    leave_in_store(p, v3)
    v1_dir = v1.folder("Win7_64")
    assert_state(p, STORE, STORE.entry(v1_dir, V1, "1.0.0.0"), [V1, V2, V3])
    # A file that matches the mask is no package folder.
    stray = p.system32() / "DriverStore" / "FileRepository" / "zavcir-notes.txt"
    stray.write_text("not a package\n")
    log = NewLines(p.standin_log)
    log.new()

    started = time.monotonic()
    result = p.run(v1.setup, *(["/S"] if silent else []), "/U")
    assert result.code == SETUP_SUCCESS
    assert time.monotonic() - started >= 1.0  # the pause before the device check
    entry, *sweep = log.new()
    assert entry == STORE.entry_command(v1_dir, V1, silent)
    # Once per folder, in the order the search yields them.
    assert sorted(sweep) == sorted(STORE.sweep_command(v1_dir, inf, silent) for inf in (V2, V3))
    if not silent:  # spelled out once: two spaces, both paths quoted
        for command in sweep:
            assert re.fullmatch(r'"C:\\dist\\Win7_64\\DPInst\.exe"  /u "C:\\windows\\System32\\DriverStore'
                                r'\\FileRepository\\zavcir\.inf_amd64_[0-9a-f]{16}\\zavcir\.inf"', command)
    stray.unlink()
    assert_state(p, STORE, {}, [])


# Uninstall outcomes: (what is there, stand-in uninstall exit code, device present)
# -> (exit code, what is left: "entry" and/or "store").
OUTCOMES = {
    "device-absent": ("entry", None, False, SETUP_SUCCESS, ""),
    "device-present-after-the-pause": ("entry", None, True, EXIT_RESTART_NEEDED, ""),
    "restart-from-the-sweep": ("store", "0x40000000", True, EXIT_RESTART_NEEDED, ""),
    "failure-and-restart-from-the-sweep": ("store", "0xC0000000", False, EXIT_REMOVE_FAILED | EXIT_RESTART_NEEDED,
                                           "store"),
    # A failing entry: the sweep still runs (and fails too); no device check.
    "failing-entry": ("entry", "0x80000000", True, EXIT_REMOVE_FAILED, "entry store"),
    # A restart asked for by an entry's command is not read; the device check decides.
    "restart-from-an-entry": ("entry", "0x40000000", False, SETUP_SUCCESS, ""),
}


@pytest.mark.parametrize("case", OUTCOMES)
def test_exit_code_of_an_uninstall(wine64, case):
    there, uninstall_exit, device, code, left = OUTCOMES[case]
    p = wine64
    d = p.make_dist()
    if there == "entry":
        assert p.run(d.setup, "/S").code == SETUP_SUCCESS
    else:
        leave_in_store(p, d)
    p.set_device(device)
    env = {"ZAVCIR_STANDIN_UNINSTALL_EXIT": uninstall_exit} if uninstall_exit else None

    started = time.monotonic()
    assert p.run(d.setup, "/S", "/U", env=env).code == code
    if code == SETUP_SUCCESS or case == "device-present-after-the-pause":
        assert time.monotonic() - started >= 1.0
    entries = STORE.entry(d.folder("Win7_64"), V1, "1.0.0.0") if "entry" in left else {}
    assert_state(p, STORE, entries, [V1] if "store" in left else [])


def test_entry_whose_inf_is_gone_is_deleted_and_counts_as_failed(wine64):
    p = wine64
    d = p.make_dist()
    p.set_device(True)
    stale = UNINSTALL_KEY + r"\{0D1E4B1C-ZAVCIR-STALE}"
    p.reg_add(stale, "UninstallString",
              r"C:\Windows\System32\DriverStore\FileRepository\zavcir.inf_amd64_gone\ZAVCIR.INF")
    p.reg_add(stale, "DisplayName", "Stale")
    # The 32-bit view is not the package's on 64-bit Windows: left alone.
    p.reg_add(stale, "UninstallString", r"C:\dist\Win7_64\DPInst.exe /u C:\windows\zavcir.inf", view=32)

    # Removal failed, so no device check (the device would add the restart bit).
    assert p.run(d.setup, "/S", "/U").code == EXIT_REMOVE_FAILED
    assert p.reg_values(stale) is None
    assert p.reg_values(stale, view=32) is not None
    assert p.standin_log() == []


def test_package_folder_gone_uses_the_installer_beside_setup(wine64):
    p = wine64
    d = p.make_dist()
    leave_in_store(p, d)
    log = NewLines(p.standin_log)
    log.new()
    package = p.unix_path(d.folder("Win7_64"))
    for name in ("DPInst.exe", "zavcir.inf"):
        (package / name).unlink()
    package.rmdir()

    # Nothing beside Setup.exe either: the command cannot start; the copy stays.
    assert p.run(d.setup, "/U").code == EXIT_REMOVE_FAILED
    assert log.new() == []
    assert p.store_folders() == [STORE.folder(V1)]

    p.unix_path(r"C:\dist\DPInst.exe").write_bytes(tool("dpinst64.exe").read_bytes())
    assert p.run(d.setup, "/U").code == SETUP_SUCCESS
    assert log.new() == [STORE.sweep_command(r"C:\dist", V1, silent=False)]
    assert_state(p, STORE, {}, [])
