r"""Install, upgrade and uninstall with the real Setup.exe under Wine, on every
supported Windows and word size, and the install run's particular endings.

On 64-bit Windows the 32-bit Setup.exe must find the entries that the 64-bit
installer writes in the 64-bit registry view, and the store folders below the
real System32 (Wine redirects System32\DriverStore for 32-bit programs): every
story on a 64-bit prefix checks both.
"""

import pytest

from package_layout import STAGED_WITHOUT_ENTRY, V1, V2, NewLines, Store, assert_state, install_command
from zavcir.exit_codes import EXIT_SETUP_FAILED, SETUP_SUCCESS
from zavcir.paths import SAMPLE_DIR
from zavcir.wine import UNINSTALL_KEY, tool

# (prefix word size, Windows version, package folder Setup.ini names for it)
STORIES = [
    ("32", "winxp", "WinXP32"),
    ("64", "winxp64", "WinXP64"),
    ("64", "vista", "Vista64"),
    ("64", "win7", "Win7_64"),
    ("64", "win10", "Win7_64"),
    ("32", "vista", "Vista32"),
    ("32", "win7", "Win7_32"),
    ("32", "win10", "Win7_32"),
]


@pytest.mark.parametrize("arch,version,tag", STORIES, ids=[f"{v}-{a}bit" for a, v, _ in STORIES])
def test_install_upgrade_and_uninstall(make_prefix, arch, version, tag):
    p = make_prefix(arch, version)
    store = Store(xp=version.startswith("winxp"), bits=int(arch))
    v1 = p.make_dist()
    v2 = p.make_dist(root=r"C:\dist2", sample=SAMPLE_DIR / "v2")
    v1_dir, v2_dir = v1.folder(tag), v2.folder(tag)
    log = NewLines(p.standin_log)

    # First install: the new entry is labelled with the product name and the INF's version.
    assert p.run(v1.setup, "/S").code == SETUP_SUCCESS
    assert log.new() == [install_command(v1_dir, silent=True)]
    assert_state(p, store, store.entry(v1_dir, V1, "1.0.0.0"), [V1])

    # Upgrade: the new copy is labelled and kept, the older one removed silently.
    assert p.run(v2.setup, "/S").code == SETUP_SUCCESS
    assert log.new() == [install_command(v2_dir, silent=True), store.entry_command(v1_dir, V1, silent=True)]
    assert_state(p, store, store.entry(v2_dir, V2, "1.1.0.0"), [V2])

    # The older package staged again but registered nowhere: no new entry, so
    # nothing follows the installer; the copy stays behind in the store.
    assert p.run(v1.setup, "/S", env=STAGED_WITHOUT_ENTRY).code == SETUP_SUCCESS
    assert log.new() == [install_command(v1_dir, silent=True)]
    assert_state(p, store, store.entry(v2_dir, V2, "1.1.0.0"), [V1, V2])

    # Uninstall: the entry's own command, then the sweep of the store for the rest.
    assert p.run(v2.setup, "/S", "/U").code == SETUP_SUCCESS
    assert log.new() == [store.entry_command(v2_dir, V2, silent=True),
                         store.sweep_command(v2_dir, V1, silent=True)]
    assert_state(p, store, {}, [])


@pytest.mark.parametrize("arch,version,tag", [("64", "win7", "Win7_64"), ("32", "winxp", "WinXP32")])
def test_interactive_run_passes_interactive_options_but_removes_old_copies_silently(
        make_prefix, arch, version, tag):
    p = make_prefix(arch, version)
    store = Store(xp=version == "winxp", bits=int(arch))
    v1 = p.make_dist()
    v2 = p.make_dist(root=r"C:\dist2", sample=SAMPLE_DIR / "v2")
    log = NewLines(p.standin_log)

    assert p.run(v1.setup).code == SETUP_SUCCESS
    assert log.new() == [f'"C:\\dist\\{tag}\\DPInst.exe" /LM /P']
    assert p.run(v2.setup).code == SETUP_SUCCESS
    assert log.new() == [install_command(v2.folder(tag), silent=False),
                         store.entry_command(v1.folder(tag), V1, silent=True)]
    assert_state(p, store, store.entry(v2.folder(tag), V2, "1.1.0.0"), [V2])


def test_staged_ending_keeps_a_lone_copy_and_removes_a_second_one(wine64):
    p = wine64
    store = Store(xp=False, bits=64)
    v1 = p.make_dist()
    v2 = p.make_dist(root=r"C:\dist2", sample=SAMPLE_DIR / "v2")
    v1_dir, v2_dir = v1.folder("Win7_64"), v2.folder("Win7_64")
    staged = {"ZAVCIR_STANDIN_EXIT": "0x100"}
    log = NewLines(p.standin_log)

    # Staged only, nothing else there: the new entry is labelled and stays.
    assert p.run(v1.setup, "/S", env=staged).code == SETUP_SUCCESS
    assert log.new() == [install_command(v1_dir, silent=True)]
    assert_state(p, store, store.entry(v1_dir, V1, "1.0.0.0"), [V1])

    # The same package staged again: no entry more than before, so not staged;
    # the installer's fresh registration keeps its own name.
    assert p.run(v1.setup, "/S", env=staged).code == SETUP_SUCCESS
    assert log.new() == [install_command(v1_dir, silent=True)]
    own_name = "Windows Driver Package - ZAV CIR (zavcir)  (10/01/2026 1.0.0.0)"
    assert_state(p, store, store.entry(v1_dir, V1, "10/01/2026 1.0.0.0", own_name), [V1])

    # Staged beside another copy: the new copy removes itself, silently, also
    # in an interactive run; the older one stays as it was.
    assert p.run(v2.setup, env=staged).code == SETUP_SUCCESS
    assert log.new() == [install_command(v2_dir, silent=False), store.entry_command(v2_dir, V2, silent=True)]
    assert_state(p, store, store.entry(v1_dir, V1, "10/01/2026 1.0.0.0", own_name), [V1])


# Installer outcome over an installed v1 -> (exit code, v1 removed and v2 labelled).
INSTALLER_OUTCOMES = {
    "reports-failure-with-a-count": ({"ZAVCIR_STANDIN_EXIT": "0x80000001"}, EXIT_SETUP_FAILED, False),
    "missing": (None, EXIT_SETUP_FAILED, False),
    "restart-bit-is-ignored": ({"ZAVCIR_STANDIN_EXIT": "0x40000001"}, SETUP_SUCCESS, True),
    "installed-nothing": ({"ZAVCIR_STANDIN_EXIT": "0"}, SETUP_SUCCESS, False),
}


@pytest.mark.parametrize("case", INSTALLER_OUTCOMES)
def test_installer_outcome_over_an_installed_copy(wine64, case):
    env, code, upgraded = INSTALLER_OUTCOMES[case]
    p = wine64
    store = Store(xp=False, bits=64)
    v1 = p.make_dist()
    v2 = p.make_dist(root=r"C:\dist2", sample=SAMPLE_DIR / "v2")
    v1_dir, v2_dir = v1.folder("Win7_64"), v2.folder("Win7_64")
    assert p.run(v1.setup, "/S").code == SETUP_SUCCESS
    log = NewLines(p.standin_log)
    log.new()
    if env is None:
        p.unix_path(v2_dir + r"\DPInst.exe").unlink()

    assert p.run(v2.setup, "/S", env=env).code == code
    if env is None:
        assert log.new() == []
    elif upgraded:
        assert log.new() == [install_command(v2_dir, True), store.entry_command(v1_dir, V1, True)]
    else:
        assert log.new() == [install_command(v2_dir, True)]

    if upgraded:
        assert_state(p, store, store.entry(v2_dir, V2, "1.1.0.0"), [V2])
    elif case == "installed-nothing":
        # The installer registered v2 itself; the run left both entries as they were.
        v2_entry = store.entry(v2_dir, V2, "12/01/2026 1.1.0.0",
                               "Windows Driver Package - ZAV CIR (zavcir)  (12/01/2026 1.1.0.0)")
        assert_state(p, store, {**store.entry(v1_dir, V1, "1.0.0.0"), **v2_entry}, [V1, V2])
    else:
        assert_state(p, store, store.entry(v1_dir, V1, "1.0.0.0"), [V1])


def test_package_folder_with_spaces_runs_the_installer_in_it(wine64):
    p = wine64
    store = Store(xp=False, bits=64)
    d = p.make_dist(ini="[Dir]\r\nWin7_64 = My Drivers\r\n", folders={"My Drivers": 64})
    package_dir = d.folder("My Drivers")
    # A program where an unquoted command line would find one first.
    planted = p.unix_path(r"C:\dist\My.exe")
    planted.write_bytes(tool("runexit.exe").read_bytes())
    log = NewLines(p.standin_log)

    assert p.run(d.setup).code == SETUP_SUCCESS
    assert log.new() == [r'"C:\dist\My Drivers\DPInst.exe" /LM /P']
    assert_state(p, store, store.entry(package_dir, V1, "1.0.0.0"), [V1])

    # The entry lost, its store copy left: the sweep names the installer in
    # that folder quoted as well.
    [key] = p.uninstall_entries()
    p.reg_delete(UNINSTALL_KEY + "\\" + key)
    assert p.run(d.setup, "/U").code == SETUP_SUCCESS
    assert log.new() == [f'"C:\\dist\\My Drivers\\DPInst.exe"  /u "{store.swept_inf(V1)}"']
    assert_state(p, store, {}, [])
