r"""The support log of the real Setup.exe under Wine: C:\windows\ZavCirSetup.log
with a header, the Trace lines, the commands and their results, the registry
writes and the exit code, each line stamped with the local time; appended
run after run and rolled over past 1 MiB; the same lines of its own in the
debugger output. And nothing depends on it: with a log that cannot be opened,
every run ends the same and leaves the same registry and installer calls."""

import re
import subprocess

import pytest

from zavcir.exit_codes import EXIT_RESTART_NEEDED, EXIT_SETUP_FAILED, SETUP_SUCCESS
from zavcir.paths import SAMPLE_DIR
from zavcir.wine import debug_strings

LOG = r"C:\windows\ZavCirSetup.log"
OLD = r"C:\windows\ZavCirSetup.log.old"
DEBUG_PREFIX = "ZavCirSetup: "
STAMP = re.compile(r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \[(\d+)\] ")


def log_lines(p, path=LOG, pids=None):
    """The log's lines without their time stamps and process ids (each checked
    to be there); the ids, line by line, are appended to pids when given."""
    text = p.unix_path(path).read_bytes().decode(p.encoding)
    assert text.endswith("\r\n")
    lines = text[:-2].split("\r\n")
    stripped = []
    for line in lines:
        m = STAMP.match(line)
        assert m, line
        stripped.append(line[m.end():])
        if pids is not None:
            pids.append(int(m.group(1)))
    return stripped


def debug_texts(result):
    """Every OutputDebugString text of a run, the support log's own lines included."""
    return debug_strings(result.stderr)


def test_install_and_uninstall_runs_are_logged_and_appended(wine64):
    p = wine64
    d = p.make_dist()
    result = p.run(d.setup, "/S", debugstr=True)
    assert result.code == SETUP_SUCCESS
    lines = log_lines(p)
    assert lines[0] == "==== Setup 2.2.0.0 started, command line: /S"
    assert lines[1] == r"Program folder: C:\dist"
    assert lines[2] == ("Windows: Windows 7 or later (OS kind 5), version 6.1, platform 2, "
                        f"{p.logged_machine()}, code page 1252")
    assert lines[3] == "Mode: install, silent; edition tag: Win7_64"
    assert lines[4] == r"Package folder: C:\dist\Win7_64"
    # Wine's ShutdownBlockReasonCreate is a stub that fails with error 120.
    assert lines[5] == "Shutdown level 0x000003FF: asked before the other applications"
    assert lines[6] == "Shutdown block reason not set, error 120: a log-off or shutdown may end this run"
    assert lines[7] == r"Run guard Global\ZavCirReceiverDriverSetup taken at once"
    assert lines[8] == "Install +"
    assert lines[9] == r'Command: "C:\dist\Win7_64\DPInst.exe" /LM /SW /F'
    assert lines[10] == "Command result: 0x00000001"
    writes = [line for line in lines if line.startswith("Registry write ")]
    assert len(writes) == 5 and all(w.endswith(": result 0") for w in writes), writes
    assert ' DisplayName = "ZAV CIR Receiver Driver" ' in writes[0]
    assert "(64-bit view)" in writes[0]
    # Then the detection key, from the entries the run leaves.
    detection = r"Registry write HKLM\SOFTWARE\ZAV\ZAV CIR Receiver Driver (64-bit view) "
    assert [w[len(detection):].split(" = ")[0] for w in writes[2:]] == ["DisplayVersion", "UninstallKey", "Copies"]
    assert lines[-3:] == ["Install -", "Giving up the run guard", "Exit code 0x00000000 (success)"]

    # The debugger output has the Trace lines as they are and the log's own
    # lines behind a prefix: together, the log's lines in the log's order.
    texts = debug_texts(result)
    assert [t[len(DEBUG_PREFIX):] if t.startswith(DEBUG_PREFIX) else t for t in texts] == \
        [line + "\n" for line in lines]

    # A second run appends.
    p.set_device(True)
    assert p.run(d.setup, "/S", "/U").code == EXIT_RESTART_NEEDED
    pids = []
    again = log_lines(p, pids=pids)
    assert again[:len(lines)] == lines
    added = again[len(lines):]
    # Every line carries its run's process id.
    assert len(set(pids[:len(lines)])) == 1 and len(set(pids[len(lines):])) == 1
    assert pids[0] != pids[-1]
    assert added[0] == "==== Setup 2.2.0.0 started, command line: /S /U"
    assert "Mode: uninstall, silent; edition tag: Win7_64" in added
    assert any(line.startswith("Command: ") and " /u " in line for line in added)
    assert added[-1] == "Exit code 0x00000001 (restart needed)"


VERSIONS = [("64", "win7", "Windows 7 or later (OS kind 5), version 6.1"),
            ("64", "win8", "Windows 7 or later (OS kind 5), version 6.2"),
            ("64", "win81", "Windows 7 or later (OS kind 5), version 6.3"),
            ("64", "win10", "Windows 7 or later (OS kind 5), version 10.0"),
            ("64", "vista", "Windows Vista (OS kind 4), version 6.0"),
            ("64", "winxp64", "Windows XP (OS kind 3), version 5.2"),
            ("32", "win7", "Windows 7 or later (OS kind 5), version 6.1"),
            ("32", "winxp", "Windows XP (OS kind 3), version 5.1")]


@pytest.mark.parametrize("arch,version,shown", VERSIONS, ids=[f"{v}-{a}bit" for a, v, _ in VERSIONS])
def test_the_log_names_the_version_and_the_machine_that_run(make_prefix, arch, version, shown):
    """The manifest declares every Windows from Vista to 10 and 11: without
    that, 8.1 and later report 6.2 to the program (Wine does the same). The
    machine is the prefix's, whatever version it reports."""
    p = make_prefix(arch, version)
    d = p.make_dist()
    assert p.run(d.setup, "/S").code == SETUP_SUCCESS
    [windows] = [line for line in log_lines(p) if line.startswith("Windows: ")]
    assert windows == f"Windows: {shown}, platform 2, {p.logged_machine()}, code page 1252"


def test_a_silent_start_up_failure_leaves_its_reason(wine64):
    p = wine64
    d = p.make_dist(ini=False)
    assert p.run(d.setup, "/S").code == EXIT_SETUP_FAILED
    assert log_lines(p)[-2:] == [
        "Start-up failed (silent, no message shown): Failed to open Setup.ini file",
        "Exit code 0x00000004 (setup failed)",
    ]


def test_a_log_past_one_mebibyte_is_rolled_over(wine64):
    p = wine64
    d = p.make_dist()
    big = b"x" * (1024 * 1024) + b"\r\n"
    p.unix_path(LOG).write_bytes(big)
    p.unix_path(OLD).write_bytes(b"an older run\r\n")
    assert p.run(d.setup, "/S").code == SETUP_SUCCESS
    assert p.unix_path(OLD).read_bytes() == big
    assert log_lines(p)[0] == "==== Setup 2.2.0.0 started, command line: /S"

    # Exactly 1 MiB does not pass the limit: the run appends.
    exact = b"y" * (1024 * 1024 - 2) + b"\r\n"
    p.unix_path(LOG).write_bytes(exact)
    assert p.run(d.setup, "/S").code == SETUP_SUCCESS
    assert p.unix_path(LOG).read_bytes().startswith(exact)
    assert p.unix_path(OLD).read_bytes() == big


def make_unwritable(p, how, cleanups):
    path = p.unix_path(LOG)
    if how == "read-only file":
        path.write_bytes(b"kept\r\n")
        assert p.run("cmd", "/c", "attrib", "+r", LOG).code == 0
        # The tests run as root, for whom Wine's read-only attribute does not
        # stop a write; the immutable flag stops it as Windows stops a write to
        # a read-only file (access denied).
        if subprocess.run(["chattr", "+i", str(path)], capture_output=True).returncode != 0:
            pytest.skip("the file system cannot make a file immutable")
        cleanups.append(lambda: subprocess.run(["chattr", "-i", str(path)], capture_output=True))
    elif how == "name taken by a folder":
        # The Windows directory itself always exists; a folder in the log's
        # place makes the open fail as a missing directory would.
        path.mkdir()
        (path / "inside").mkdir()


def outcome(p, result):
    return result.code, p.standin_log(), p.uninstall_entries(), p.store_folders()


@pytest.mark.parametrize("how", ["read-only file", "name taken by a folder"])
def test_a_log_that_cannot_be_opened_changes_no_result(make_prefix, how, request):
    cleanups = []
    request.addfinalizer(lambda: [undo() for undo in cleanups])
    runs = [("/S",), (), ("/S", "/U")]
    outcomes = {}
    for case in ("working log", how):
        p = make_prefix("64", "win7")
        if case != "working log":
            make_unwritable(p, how, cleanups)
        d = p.make_dist()
        v2 = p.make_dist(root=r"C:\dist2", sample=SAMPLE_DIR / "v2")
        outcomes[case] = [outcome(p, p.run(d.setup, *runs[0]))]
        outcomes[case] += [outcome(p, p.run(v2.setup, *args)) for args in runs[1:]]
        if case == "working log":
            assert len(log_lines(p)) > 20
        elif how == "read-only file":
            assert p.unix_path(LOG).read_bytes() == b"kept\r\n"
        else:
            assert p.unix_path(LOG).is_dir()
    assert outcomes[how] == outcomes["working log"]
