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

from guard_story import hold, wait_for_hold
from package_layout import STAGED_WITHOUT_ENTRY, V1, V2, Store, assert_state, entry_key
from wineprefix import SAMPLE_DIR

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


@pytest.mark.parametrize("how", ["setup-killed", "power-cut"])
@pytest.mark.parametrize("cut", CUTS)
def test_a_cut_run_and_one_more_run_end_as_one_uncut_run(wine64, cut, how):
    args, point, package, left_by_cut = CUTS[cut]
    p = wine64
    v1 = p.make_dist()
    v2 = p.make_dist(root=r"C:\dist2", sample=SAMPLE_DIR / "v2")
    assert p.run(v1.setup, "/S").code == 0
    if args == UNINSTALL:
        # The new copy installed, and an older one left in the store for the sweep.
        assert p.run(v2.setup, "/S").code == 0
        assert p.run(v1.setup, "/S", env=STAGED_WITHOUT_ENTRY).code == 0

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

    assert p.run(v2.setup, *args).code == 0
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
        assert p.run(d.setup, "/S").code == 0
        assert_state(p, STORE, installed, [V1])
    for _ in range(2):
        assert p.run(d.setup, "/S", "/U").code == 0
        assert_state(p, STORE, {}, [])
