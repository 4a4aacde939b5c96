r"""Setup.exe with the real driver package installer (../shared/dpinst/, read
there and never copied into the project), as a release engineer tries a
release before trusting it.

Under Wine 8 the real installer works in Windows XP prefixes: it stages the
package in System32\DRVSTORE where no device matches, installs it on a device
with the INF's hardware ID (a root device made through SetupAPI by devtool.exe),
and registers its own "Uninstall" entry, whose command names its copy of itself
by a short path. On Vista and later it fails at start and returns the bare
Windows error code 1627 (0x0000065B), which read as an installer result would
count 91 packages installed and 6 staged. The stand-in stays for what the real
one cannot show here (Vista and later, exact result fields, cut-off runs).
After every run the detection key names what is left; started from a service
without /S, Setup.exe gives the installer its silent options, as the wizard
would wait there for a person who cannot see it.

On a machine that cannot run 32-bit programs the 64-bit prefix cases run with
the 64-bit test build; the 32-bit ones are skipped.
"""

from __future__ import annotations

import re
import shutil
import time
from pathlib import Path

import pytest

from package_layout import PRODUCT, NewLines, detection_values
from zavcir.exit_codes import EXIT_REMOVE_FAILED, EXIT_SETUP_FAILED, SETUP_SUCCESS
from zavcir.paths import BUILD_ROOT, SAMPLE_DIR
from zavcir.wine import VirtualDisplay, missing_tools, real_installer, target, tool

HARDWARE_ID = r"ACPI\ZAV0C1R"  # the sample INF's device
RESULTS = BUILD_ROOT / "test-results"  # screenshots of the wizard's pages

# The entry the real installer registers: its own copy under Program Files by
# Wine's short name, and the package's folder in XP's driver store.
REAL_UNINSTALL_STRING = re.compile(
    r"^C:\\PROG~\w+\\DIFX\\[0-9A-F]{16}\\DPInst\.exe /u "
    r"C:\\windows\\system32\\DRVSTORE\\zavcir_[0-9A-F]{40}\\zavcir\.inf$")
# What it answers at start on Vista and later under Wine 8, with the system's text.
FAILED_AT_START = re.compile(r"^The installer failed at start: 0x0000065B \(1627\): \S.*$")
UNINSTALL_FAILED_AT_START = re.compile(r"^The uninstall command failed at start: 0x0000065B \(1627\): \S.*$")

# Windows XP of each word size: (prefix, Windows version, edition tag).
XP = {"32": ("32", "winxp", "WinXP32"), "64": ("64", "winxp64", "WinXP64")}


def real_dist(p, root: str = r"C:\dist", sample: Path = SAMPLE_DIR, tags: tuple[str, ...] = ()):
    """A distribution whose package folders (one per tag, named like it) hold the
    whole sample package and the real installer of the tag's word size."""
    folders = {tag: 64 if tag.endswith("64") else 32 for tag in tags}
    return p.make_dist(root=root, folders=folders, sample=sample, installer=real_installer, whole=True)


def labels(values: dict[str, str]) -> tuple[str | None, str | None]:
    return values.get("DisplayName"), values.get("DisplayVersion")


def results(lines: list[str]) -> list[str]:
    return [line for line in lines if line.startswith("Command result: ")]


@pytest.fixture(params=["32", "64"], ids=["winxp-32bit", "winxp64-64bit"])
def xp(request, make_prefix):
    """A Windows XP prefix of each word size, with its edition tag."""
    arch, version, tag = XP[request.param]
    return make_prefix(arch, version), tag


def test_staged_without_a_device_then_a_second_version_beside_it(xp):
    p, tag = xp
    v1, v2 = real_dist(p, tags=(tag,)), real_dist(p, r"C:\dist2", SAMPLE_DIR / "v2", (tag,))
    log = NewLines(p.support_texts)

    # No device matches: staged only, labelled and kept.
    assert p.run(v1.setup, "/S", timeout=120).code == SETUP_SUCCESS
    assert results(log.new()) == ["Command result: 0x00000100"]
    (key1, values), = p.uninstall_entries().items()
    assert labels(values) == (PRODUCT, "1.0.0.0")
    assert REAL_UNINSTALL_STRING.match(values["UninstallString"]), values["UninstallString"]
    folder1 = values["UninstallString"].split("\\")[-2]
    assert p.store_folders() == [folder1]
    assert p.detection_key() == detection_values("1.0.0.0", key1)

    # A second version, staged beside the first: labelled, then removed by its
    # own entry's short-path command, as only the first may stay.
    assert p.run(v2.setup, "/S", timeout=120).code == SETUP_SUCCESS
    lines = log.new()
    assert results(lines) == ["Command result: 0x00000100", "Command result: 0x00000000"]
    removal = next(line for line in lines if line.startswith("Command: c:\\prog~"))
    assert " /s /u c:\\windows\\system32\\drvstore\\zavcir_" in removal
    assert not any(line.startswith("Staged copy still") for line in lines)
    assert {k: labels(v) for k, v in p.uninstall_entries().items()} == {key1: (PRODUCT, "1.0.0.0")}
    assert p.store_folders() == [folder1]
    # The key names what is left: the first version.
    assert p.detection_key() == detection_values("1.0.0.0", key1)


def test_on_a_device_install_upgrade_and_uninstall(xp):
    p, tag = xp
    v1, v2 = real_dist(p, tags=(tag,)), real_dist(p, r"C:\dist2", SAMPLE_DIR / "v2", (tag,))
    added = p.run(tool("devtool.exe"), "add", HARDWARE_ID)
    assert added.code == 0, added.stdout + added.stderr
    log = NewLines(p.support_texts)

    assert p.run(v1.setup, "/S", timeout=120).code == SETUP_SUCCESS
    assert results(log.new()) == ["Command result: 0x00000001"]
    (key1, values1), = p.uninstall_entries().items()
    assert labels(values1) == (PRODUCT, "1.0.0.0")
    assert p.detection_key() == detection_values("1.0.0.0", key1)
    # The installer put its driver on the device.
    assert p.run(tool("devtool.exe"), "show", HARDWARE_ID).values().get("service") == "zavcir"

    # Upgrade: 1.1 installed on the device and labelled; 1.0 removed with its
    # entry's own command (the short path of the installer's copy).
    assert p.run(v2.setup, "/S", timeout=120).code == SETUP_SUCCESS
    lines = log.new()
    assert results(lines) == ["Command result: 0x00000001", "Command result: 0x00000000"]
    assert f"Command: {values1['UninstallString'].lower().replace(' /u ', ' /s /u ')}" in lines
    assert not any(line.startswith("Older copy still") for line in lines)
    (key2, values2), = p.uninstall_entries().items()
    assert key2 != key1 and labels(values2) == (PRODUCT, "1.1.0.0")
    assert p.store_folders() == [values2["UninstallString"].split("\\")[-2]]
    assert p.detection_key() == detection_values("1.1.0.0", key2)

    # Uninstall: nothing left, no entry and no store folder.
    assert p.run(v2.setup, "/S", "/U", timeout=120).code == SETUP_SUCCESS
    lines = log.new()
    assert results(lines) == ["Command result: 0x00000000"]
    assert not any(line.startswith("Copy still") for line in lines)
    assert p.uninstall_entries() == {} and p.store_folders() == []
    assert p.detection_key() is None


# Vista and later of each word size: (prefix, Windows version, edition tag).
LATER = [("64", "win7", "Win7_64"), ("64", "win10", "Win7_64"), ("32", "vista", "Vista32"),
         ("32", "win7", "Win7_32")]


@pytest.mark.parametrize("arch,version,tag", LATER, ids=[f"{v}-{a}bit" for a, v, _ in LATER])
def test_a_failure_at_start_is_a_failed_install(make_prefix, arch, version, tag):
    p = make_prefix(arch, version)
    dist = real_dist(p, tags=(tag,))
    log = NewLines(p.support_texts)
    assert p.run(dist.setup, "/S", timeout=120).code == EXIT_SETUP_FAILED
    lines = log.new()
    assert results(lines) == ["Command result: 0x0000065B"]
    assert any(FAILED_AT_START.match(line) for line in lines), lines
    assert lines[-1] == "Exit code 0x00000004 (setup failed)"
    assert p.uninstall_entries() == {} and p.store_folders() == []
    assert p.detection_key() is None


@pytest.mark.parametrize("arch", ["64", "32"], ids=["win7-64bit", "win7-32bit"])
def test_a_copy_made_on_xp_stays_when_a_later_windows_fails_at_start(make_prefix, arch):
    xp_arch, xp_version, xp_tag = XP[arch]
    p = make_prefix(xp_arch, xp_version)
    later_tag = "Win7_64" if arch == "64" else "Win7_32"
    dist = real_dist(p, tags=(xp_tag, later_tag))
    assert p.run(dist.setup, "/S", timeout=120).code == SETUP_SUCCESS
    before = p.uninstall_entries()
    (key, values), = before.items()
    folders = p.store_folders()
    assert p.detection_key() == detection_values("1.0.0.0", key)
    p.set_version("win7")
    log = NewLines(p.support_texts)

    # The same package once more: the installer fails at start; the copy stays
    # as it was, labels and all.
    assert p.run(dist.setup, "/S", timeout=120).code == EXIT_SETUP_FAILED
    assert any(FAILED_AT_START.match(line) for line in log.new())
    assert p.uninstall_entries() == before and p.store_folders() == folders
    assert p.detection_key() == detection_values("1.0.0.0", key)

    # Uninstall: the entry's stored command fails at start too, and the copy
    # still registered afterwards is named.
    assert p.run(dist.setup, "/S", "/U", timeout=120).code == EXIT_REMOVE_FAILED
    lines = log.new()
    assert any(UNINSTALL_FAILED_AT_START.match(line) for line in lines), lines
    assert f"Copy still registered after the uninstall: {key} ({values['UninstallString'].lower()})" in lines
    assert lines[-1] == "Exit code 0x00000002 (removal failed)"
    assert p.uninstall_entries() == before
    assert p.detection_key() == detection_values("1.0.0.0", key)


@pytest.mark.parametrize("device", [False, True], ids=["staged", "on-a-device"])
def test_from_a_service_without_s_the_installer_gets_its_silent_options(xp, device):
    """A run started by a service, which nobody sees, never asks for the wizard:
    it ends as a silent run does, with or without a device to install on."""
    p, tag = xp
    dist = real_dist(p, tags=(tag,))
    if device:
        assert p.run(tool("devtool.exe"), "add", HARDWARE_ID).code == 0
    log = NewLines(p.support_texts)
    ran = p.run_from_service(dist.setup, timeout=240)
    assert ran["station"] == "__wineservice_winstation"
    assert int(ran["exit"], 16) == SETUP_SUCCESS
    lines = log.new()
    assert f'Command: "{dist.folder(tag)}\\DPInst.exe" /LM /SW /F' in lines
    assert results(lines) == ["Command result: 0x00000001" if device else "Command result: 0x00000100"]
    (key, values), = p.uninstall_entries().items()
    assert labels(values) == (PRODUCT, "1.0.0.0")
    assert p.detection_key() == detection_values("1.0.0.0", key)


WIZARD = "Device Driver Installation Wizard"


def _next_page(display, last: bytes, scratch: Path, timeout: float = 60) -> bool:
    """Waits until the wizard shows another page (the screen changed and held
    still for half a second): True; or until it is gone: False."""
    deadline = time.monotonic() + timeout
    previous = last
    while time.monotonic() < deadline:
        time.sleep(0.5)
        if not display.windows(WIZARD):
            return False
        shot = display.screenshot(scratch)
        if shot != last and shot == previous:
            return True
        previous = shot
    raise AssertionError(f"the wizard showed no other page within {timeout} s")


def test_without_s_the_wizard_is_clicked_through_as_a_person_does(make_prefix):
    missing = missing_tools()
    assert not missing, f"install {' '.join(missing)} (scripts/bootstrap.sh does)"
    arch = "32" if target().bits == 32 else "64"
    _, version, tag = XP[arch]
    shots = RESULTS / f"wizard-{version}-{arch}bit"
    shutil.rmtree(shots, ignore_errors=True)
    display = VirtualDisplay()
    try:
        p = make_prefix(arch, version)
        p.show_on(display.name)
        dist = real_dist(p, tags=(tag,))
        setup = p.start(dist.setup, timeout=180)
        window = display.wait_for_window(WIZARD)
        assert window, "the installer's wizard did not appear"
        # Each page is kept; Return presses its default button: Next, then Finish.
        pages = []
        while True:
            pages.append(shots / f"page-{len(pages) + 1}.png")
            shown = display.screenshot(pages[-1])
            display.press(window, "Return")
            if not _next_page(display, shown, shots / "scratch.png"):
                break
        result = setup.wait()
        print(f"the wizard's pages: {', '.join(str(page) for page in pages)}")
    finally:
        display.stop()
    assert len(pages) == 2, pages  # welcome, then "The drivers were successfully installed"
    assert result.code == SETUP_SUCCESS
    assert [labels(values) for values in p.uninstall_entries().values()] == [(PRODUCT, "1.0.0.0")]
    assert "Command: \"" + dist.folder(tag) + "\\DPInst.exe\" /LM /P" in p.support_texts()
