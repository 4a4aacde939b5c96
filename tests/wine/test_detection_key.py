r"""The detection key, HKLM\SOFTWARE\ZAV\ZAV CIR Receiver Driver, after every
run of Setup.exe, read as the deployment guide's detection rule reads it.

The key agrees with the "Uninstall" entries the run leaves: after an install,
a reinstall, a staged-only upgrade (whose new copy is removed again), an
upgrade on a device and a failed install it names the newest copy left; after
the uninstall it is gone, with SOFTWARE\ZAV when nothing else is there. On a
64-bit prefix it is in the 64-bit view only, as the entries are.
"""

import pytest

from package_layout import V1, V2, detection_values, entry_key
from zavcir.exit_codes import EXIT_SETUP_FAILED, SETUP_SUCCESS
from zavcir.paths import SAMPLE_DIR

# (prefix word size, Windows version)
STORIES = [("32", "winxp"), ("64", "winxp64"), ("32", "vista"), ("64", "win7"), ("64", "win10")]


def version(text: str) -> tuple[int, ...] | None:
    """A version as the tools compare them, the parts left out 0; None for no version."""
    parts = text.split(".")
    ok = 1 <= len(parts) <= 4 and all(part.isdigit() for part in parts)
    return tuple(int(part) for part in parts) + (0,) * (4 - len(parts)) if ok else None


def detected(p, minimum: str) -> bool:
    r"""The guide's rule: HKEY_LOCAL_MACHINE\SOFTWARE\ZAV\ZAV CIR Receiver
    Driver, value DisplayVersion, in the 64-bit view (the tools' default; a
    32-bit Windows has one), as a version greater than or equal to minimum."""
    found = version((p.detection_key(view=64) or {}).get("DisplayVersion", ""))
    return found is not None and found >= version(minimum)


@pytest.mark.parametrize("arch,version", STORIES, ids=[f"{v}-{a}bit" for a, v in STORIES])
def test_after_every_run_the_key_agrees_with_the_entries_left(make_prefix, arch, version):
    p = make_prefix(arch, version)
    v1 = p.make_dist()
    v2 = p.make_dist(root=r"C:\dist2", sample=SAMPLE_DIR / "v2")

    def key_is(installed_version, inf, copies=1):
        expected = None if inf is None else detection_values(installed_version, entry_key(inf), copies)
        assert p.detection_key() == expected
        if arch == "64":  # the entries' view only
            assert p.detection_key(view=32) is None
            assert "ZAV" not in p.reg_subkeys(r"HKLM\SOFTWARE", view=32)

    key_is(None, None)
    assert not detected(p, "1.0.0.0")

    # Installed, then the same package once more: one copy, version 1.0.0.0.
    for _ in range(2):
        assert p.run(v1.setup, "/S").code == SETUP_SUCCESS
        key_is("1.0.0.0", V1)
    assert detected(p, "1.0.0.0") and detected(p, "1.0") and not detected(p, "1.1.0.0")

    # Staged only beside it: the new copy removes itself, the key keeps 1.0.0.0.
    assert p.run(v2.setup, "/S", env={"ZAVCIR_STANDIN_EXIT": "0x100"}).code == SETUP_SUCCESS
    key_is("1.0.0.0", V1)
    assert not detected(p, "1.1.0.0")

    # Upgraded on a device: 1.1.0.0, the older copy removed.
    assert p.run(v2.setup, "/S").code == SETUP_SUCCESS
    key_is("1.1.0.0", V2)
    assert detected(p, "1.1.0.0") and detected(p, "1.0.0.0") and not detected(p, "1.2")

    # A failed install changes neither the copies nor the key.
    assert p.run(v1.setup, "/S", env={"ZAVCIR_STANDIN_EXIT": "0x80010000"}).code == EXIT_SETUP_FAILED
    key_is("1.1.0.0", V2)

    # Uninstalled: no copy, no key, no vendor key.
    assert p.run(v2.setup, "/S", "/U").code == SETUP_SUCCESS
    key_is(None, None)
    assert not detected(p, "1.0.0.0")
    assert "ZAV" not in p.reg_subkeys(r"HKLM\SOFTWARE", view=64 if arch == "64" else 32)

