r"""Setup.exe started by a service, as deployment tools start installs, by an
administrator who forgot /S: Wine gives services the window station
__wineservice_winstation, whose flags lack WSF_VISIBLE, as Windows' stations
of services do. Nobody could answer a message box or the installer's wizard
there, so the run is silent as with /S, and says why in the support log.
"""

import pytest

from package_layout import install_command
from zavcir.exit_codes import EXIT_SETUP_FAILED, SETUP_SUCCESS

HIDDEN_STATION = ("Window station __wineservice_winstation is not visible (flags 0x00000000), as a "
                  "service's is: nobody could answer a message box or the installer's wizard, so the run "
                  "is silent, as with /S")

# (prefix word size, Windows version, package folder Setup.ini names for it)
PREFIXES = [("64", "win7", "Win7_64"), ("32", "winxp", "WinXP32")]


@pytest.mark.parametrize("arch,version,tag", PREFIXES, ids=[f"{v}-{a}bit" for a, v, _ in PREFIXES])
def test_without_s_a_run_from_a_service_is_silent(make_prefix, arch, version, tag):
    p = make_prefix(arch, version)
    dist = p.make_dist()

    ran = p.run_from_service(dist.setup, timeout=120)
    assert ran["station"] == "__wineservice_winstation" and int(ran["flags"], 16) == 0
    assert int(ran["exit"], 16) == SETUP_SUCCESS
    assert p.standin_log() == [install_command(dist.folder(tag), silent=True)]
    log = p.support_texts()
    assert log[4] == HIDDEN_STATION, log
    assert p.detection_key()["DisplayVersion"] == "1.0.0.0"

    # The uninstall's commands get their silent option too.
    ran = p.run_from_service(f"{dist.setup} /U", timeout=120)
    assert int(ran["exit"], 16) == SETUP_SUCCESS
    [entry_command] = p.standin_log()[1:]
    assert " /s /u " in entry_command
    assert p.uninstall_entries() == {} and p.store_folders() == []
    assert p.detection_key() is None


def test_a_broken_distribution_shows_no_box_where_nobody_sees_it(wine64):
    """The "Invalid path" box, which /S still shows, would wait for ever there."""
    p = wine64
    dist = p.make_dist(ini="[Dir]\r\nWin7_64 = gone\r\n", folders={})
    ran = p.run_from_service(dist.setup, timeout=120)
    assert int(ran["exit"], 16) == EXIT_SETUP_FAILED
    log = p.support_texts()
    assert log[-2:] == [r"Start-up failed (window station not visible, no message shown): Invalid path: "
                        r"C:\dist\gone", "Exit code 0x00000004 (setup failed)"]

