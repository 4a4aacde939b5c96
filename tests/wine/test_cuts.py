r"""Runs of the real Setup.exe cut off, then run once more with the same command
line: the machine ends as one uncut run leaves it (the "Uninstall" entries with
their labels, the driver-store copies), and the re-run ends with the uncut
run's exit code. The installer stand-in holds the run at the point of the cut.

Each cut both ways:
- "setup-killed": only Setup.exe ends (TerminateProcess, through `taskkill /F
  /PID`, as Task Manager or a deployment tool past its time limit ends it); the
  installer it started lives on, and finishes before the re-run;
- "power-cut": every process of the prefix ends at once (`wineserver -k`).
"""

import pytest

from guard_story import (EARLIER_ENDED, EARLIER_WORKS, GUARD, commands_one_at_a_time, guard_lines,
                         hold, wait_for_hold)
from package_layout import (STAGED_WITHOUT_ENTRY, V1, V2, Store, assert_state, entry_key,
                            install_command)
from zavcir.exit_codes import EXIT_SETUP_FAILED, SETUP_SUCCESS
from zavcir.paths import SAMPLE_DIR

STORE = Store(xp=False, bits=64)
UPGRADE, UNINSTALL = ("/S",), ("/S", "/U")

# Cut -> (command line of the cut run, hold point, the package whose store copy
# the held command names (None: the first command at that point), and what the
# cut leaves, each way: the packages with an "Uninstall" entry, and those with
# a store copy). Before an upgrade V1 is installed; before an uninstall V2 is,
# and a copy of V1 without an entry lies in the store.
CUTS = {
    "upgrade-while-the-installer-runs": (UPGRADE, "install", None, {
        "setup-killed": ([V1, V2], [V1, V2]), "power-cut": ([V1], [V1])}),
    "upgrade-after-the-new-copy-registered": (UPGRADE, "registered", None, {
        "setup-killed": ([V1, V2], [V1, V2]), "power-cut": ([V1, V2], [V1, V2])}),
    "upgrade-while-the-old-copy-is-uninstalled": (UPGRADE, "uninstall", None, {
        "setup-killed": ([V2], [V2]), "power-cut": ([V1, V2], [V1, V2])}),
    "upgrade-when-the-old-copy-lost-its-entry": (UPGRADE, "unregistered", None, {
        "setup-killed": ([V2], [V2]), "power-cut": ([V2], [V1, V2])}),
    "uninstall-while-an-entry-is-uninstalled": (UNINSTALL, "uninstall", V2, {
        "setup-killed": ([], [V1]), "power-cut": ([V2], [V1, V2])}),
    "uninstall-when-an-entry-lost-its-key": (UNINSTALL, "unregistered", V2, {
        "setup-killed": ([], [V1]), "power-cut": ([], [V1, V2])}),
    "uninstall-during-the-store-sweep": (UNINSTALL, "uninstall", V1, {
        "setup-killed": ([], []), "power-cut": ([], [V1])}),
}

# The one cut that does not end as an uncut run: power lost while the old
# copy's uninstall command had deleted its entry but not yet its store folder.
# The re-run's install flow finds no entry of the old copy and never sweeps the
# store, so the old copy stays there until the next uninstall (/U) sweeps it.
OLD_COPY_LEFT_IN_STORE = {("upgrade-when-the-old-copy-lost-its-entry", "power-cut")}


def machine_before(p, args):
    """The distributions of V1 (C:\\dist) and V2 (C:\\dist2), and the machine
    before the cut run: V1 installed; before an uninstall, V2 installed and a
    copy of V1 without an entry left in the store for the sweep."""
    v1 = p.make_dist()
    v2 = p.make_dist(root=r"C:\dist2", sample=SAMPLE_DIR / "v2")
    assert p.run(v1.setup, "/S").code == SETUP_SUCCESS
    if args == UNINSTALL:
        assert p.run(v2.setup, "/S").code == SETUP_SUCCESS
        assert p.run(v1.setup, "/S", env=STAGED_WITHOUT_ENTRY).code == SETUP_SUCCESS
    return v1, v2


@pytest.mark.parametrize("how", ["setup-killed", "power-cut"])
@pytest.mark.parametrize("cut", CUTS)
def test_a_cut_run_and_one_more_run_end_as_one_uncut_run(wine64, cut, how):
    args, point, package, left_by_cut = CUTS[cut]
    p = wine64
    _, v2 = machine_before(p, args)
    cut_run = p.start(v2.setup, *args, env=hold(point, STORE.folder(package) if package else None))
    installer = wait_for_hold(p)
    if how == "setup-killed":
        p.kill(p.setup_pids()[-1])
        cut_run.wait()
        p.release_standin()
        p.wait_until(lambda: any(kind == "end" and pid == installer for kind, pid, _ in p.standin_events()),
                     what="the end of the installer that outlived Setup.exe")
    else:
        p.power_cut()
        assert not cut_run.running()
    entries, folders = left_by_cut[how]
    assert sorted(p.uninstall_entries()) == sorted(entry_key(inf) for inf in entries)
    assert p.store_folders() == sorted(STORE.folder(inf) for inf in folders)

    assert p.run(v2.setup, *args).code == SETUP_SUCCESS
    if args == UNINSTALL:
        assert_state(p, STORE, {}, [])
    else:
        left = [V1, V2] if (cut, how) in OLD_COPY_LEFT_IN_STORE else [V2]
        assert_state(p, STORE, STORE.entry(v2.folder("Win7_64"), V2, "1.1.0.0"), left)


def test_an_install_run_twice_and_an_uninstall_run_twice_end_as_after_the_first(wine64):
    p = wine64
    d = p.make_dist()
    installed = STORE.entry(d.folder("Win7_64"), V1, "1.0.0.0")
    for _ in range(2):
        assert p.run(d.setup, "/S").code == SETUP_SUCCESS
        assert_state(p, STORE, installed, [V1])
    for _ in range(2):
        assert p.run(d.setup, "/S", "/U").code == SETUP_SUCCESS
        assert_state(p, STORE, {}, [])


@pytest.mark.parametrize("args,point", [(UPGRADE, "install"), (UNINSTALL, "uninstall")],
                         ids=["upgrade", "uninstall"])
def test_a_run_started_at_once_after_setup_was_killed_waits_for_the_command_it_left(
        wine64, args, point):
    p = wine64
    _, v2 = machine_before(p, args)
    cut_run = p.start(v2.setup, *args, env=hold(point))
    left = wait_for_hold(p)
    # The command the killed run left: the install, or the only entry's (V2's)
    # uninstall command, as that run started it.
    package = v2.folder("Win7_64")
    command = (install_command(package, silent=True) if args == UPGRADE
               else STORE.entry_command(package, V2, silent=True))
    p.kill(p.setup_pids()[-1])
    cut_run.wait()

    rerun = p.start(v2.setup, *args)
    works = EARLIER_WORKS + f"process {left}, "
    p.wait_until(lambda: any(text.startswith(works) for _, text in p.support_log()),
                 what="the second run waiting for the command the first one left")
    assert [kind for kind, _, _ in p.standin_events()][-2:] == ["begin", "hold"]
    p.release_standin()
    assert rerun.wait().code == SETUP_SUCCESS

    # The rerun's commands began only after the left one had ended, and it did
    # its whole job from its own first scan.
    order = commands_one_at_a_time(p)
    # Upgrade: the install and the older copy's removal; uninstall: the store sweep.
    assert len(order) - order.index(left) - 1 == (2 if args == UPGRADE else 1)
    rerun_pid = p.setup_pids()[-1]
    lines = [text for pid, text in p.support_log() if pid == rerun_pid]
    waiting = next(i for i, text in enumerate(lines) if text.startswith(works))
    assert lines[waiting] == works + command + "; waiting for its end, within the run guard's 30 minutes"
    assert EARLIER_ENDED.fullmatch(lines[waiting + 1]), lines[waiting + 1]
    assert guard_lines(p, rerun_pid)[0].startswith(GUARD + " taken")
    if args == UNINSTALL:
        assert_state(p, STORE, {}, [])
    else:
        assert_state(p, STORE, STORE.entry(v2.folder("Win7_64"), V2, "1.1.0.0"), [V2])


def test_an_installer_ended_from_outside_fails_the_run_and_leaves_the_older_copy(wine64):
    p = wine64
    v1, v2 = machine_before(p, UPGRADE)
    run = p.start(v2.setup, "/S", env=hold("install"))
    installer = wait_for_hold(p)
    p.kill(installer, exit_code=1)  # as Task Manager ends it: read as "one package installed"

    assert run.wait().code == EXIT_SETUP_FAILED
    assert [kind for kind, _, _ in p.standin_events()][-2:] == ["begin", "hold"]
    assert_state(p, STORE, STORE.entry(v1.folder("Win7_64"), V1, "1.0.0.0"), [V1])
    lines = [text for pid, text in p.support_log() if pid == p.setup_pids()[-1]]
    assert "Command result: 0x00000001" in lines
    assert ('The installer reported the package installed (0x00000001), but no "Uninstall" entry '
            "has the package's INF: it did not install it, perhaps ended from outside; older "
            "copies left alone") in lines
    assert lines[-1] == "Exit code 0x00000004 (setup failed)"
