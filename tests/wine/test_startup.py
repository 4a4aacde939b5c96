"""Start-up of the real Setup.exe under Wine: messages, exit codes, the edition
tag per Windows version, the hidden main window, its refusal of log-off and the
end of a session during the job."""

import re
import shutil

import pytest

from zavcir.exit_codes import EXIT_SETUP_FAILED, SETUP_SUCCESS
from zavcir.wine import tool, traced_process_id

UNSUPPORTED = "This ZAV CIR driver is for Windows 7, Vista or Windows XP only."
NO_INI = "Failed to open Setup.ini file"
NO_LINE = "Failed to find the line in Setup.ini: Win7_64=..."

WS_OVERLAPPEDWINDOW = 0x00CF0000
WS_VISIBLE = 0x10000000
WS_CHILD_OR_POPUP = 0xC0000000

# Binary junk that the INF parser rejects as a whole.
JUNK = bytes((i * 37 + 11) % 256 for i in range(512))

# Start-up failures: (Windows version, Setup.ini or False for none, message).
FAILURES = {
    "unsupported": ("win2k", None, UNSUPPORTED),
    "unsupported-without-ini": ("win2k", False, UNSUPPORTED),
    "ini-missing": ("win7", False, NO_INI),
    "ini-junk": ("win7", JUNK, NO_INI),
    "no-line-for-tag": ("win7", "[Dir]\r\nWinXP32 = WinXP32\r\nWin7_32 = Win7_32\r\n", NO_LINE),
    "empty-first-value": ("win7", '[dir]\r\nwin7_64 = ""\r\nWin7_64 = Win7_64\r\n', NO_LINE),
    "no-dir-section": ("win7", "[Version]\r\nSignature = x\r\n", NO_LINE),
}


def assert_box(box, text):
    assert (box.caption, box.text, box.ok_only, box.icon) == ("Setup", text, True, True)


@pytest.mark.parametrize("case", FAILURES)
def test_failed_start_up_shows_its_message_unless_silent_and_ends_with_setup_failed(make_prefix, case):
    version, ini, message = FAILURES[case]
    p = make_prefix("64", version)
    d = p.make_dist(ini=ini)
    for args, shown in ((), True), (("/S",), False), (("-u",), True), (("/u", "-s"), False):
        result, boxes = p.run_with_boxes(d.setup, *args, debugstr=True)
        assert result.code == EXIT_SETUP_FAILED, args
        assert len(boxes) == (1 if shown else 0), (args, boxes)
        if shown:
            assert_box(boxes[0], message)
        assert result.debug == [], args  # no worker ran
    assert p.standin_log() == []


def test_missing_package_folder_is_reported_even_when_silent_but_not_in_uninstall_mode(wine64):
    p = wine64
    d = p.make_dist(ini="[Dir]\r\nWin7_64 = gone away\r\n", folders={})
    for args in ((), ("/S",), ("/s", "/x", "file")):
        result, boxes = p.run_with_boxes(d.setup, *args, debugstr=True)
        assert result.code == EXIT_SETUP_FAILED, args
        assert len(boxes) == 1, (args, boxes)
        assert_box(boxes[0], r"Invalid path: C:\dist\gone away")
        assert result.debug == []
    # Uninstall mode does not need the folder: start-up succeeds without a box.
    for args in (("/U",), ("/S", "/U")):
        result, boxes = p.run_with_boxes(d.setup, *args, debugstr=True)
        assert (result.code, boxes) == (SETUP_SUCCESS, []), args
        assert "Install +\n" not in result.debug
    assert p.standin_log() == []


# Each key names its own folder; none exists, so the "Invalid path" box, which
# silent mode still shows, tells which one was chosen.
TAG_INI = "".join(f"{tag} = pkg-{tag.lower()}\r\n" for tag in
                  ("WinXP32", "WinXP64", "Vista32", "Vista64", "Win7_32", "Win7_64"))


@pytest.mark.parametrize("arch,version,tag", [
    ("32", "winxp", "WinXP32"),
    ("32", "vista", "Vista32"),
    ("32", "win7", "Win7_32"),
    ("32", "win10", "Win7_32"),
    ("32", "win2k", None),
    ("64", "winxp64", "WinXP64"),
    ("64", "win2003", "WinXP64"),
    ("64", "vista", "Vista64"),
    ("64", "win7", "Win7_64"),
    ("64", "win8", "Win7_64"),
    ("64", "win10", "Win7_64"),
])
def test_edition_tag_for_each_windows_version(make_prefix, arch, version, tag):
    p = make_prefix(arch, version)
    d = p.make_dist(ini="; every edition\r\n[Dir]\r\n" + TAG_INI, folders={})
    # Silent runs still show "Invalid path"; the unsupported-system message needs a plain run.
    result, boxes = p.run_with_boxes(d.setup, *(() if tag is None else ("/S",)))
    assert result.code == EXIT_SETUP_FAILED
    assert len(boxes) == 1, boxes
    expected = UNSUPPORTED if tag is None else rf"Invalid path: C:\dist\pkg-{tag.lower()}"
    assert_box(boxes[0], expected)


def window_states(result):
    """The 'info' blocks of a wndtool run, in order."""
    states = []
    for key, value in result.records():
        if key == "windows":
            states.append({})
        if states and key in ("windows", "class", "style", "visible", "rect", "hwnd", "thread"):
            states[-1][key] = value
    return states


def assert_hidden_main_window(state):
    style = int(state["style"], 16)
    assert state["windows"] == "1"
    assert style & WS_OVERLAPPEDWINDOW == WS_OVERLAPPEDWINDOW
    assert style & (WS_VISIBLE | WS_CHILD_OR_POPUP) == 0
    assert state["visible"] == "0"


@pytest.mark.parametrize("arch,version", [("64", "win7"), ("32", "winxp")])
def test_normal_run_has_a_hidden_window_and_ends_by_itself(make_prefix, arch, version):
    p = make_prefix(arch, version)
    d = p.make_dist()
    # Install: the installer stand-in keeps the job busy while the window is looked at.
    proc = p.start(d.setup, debugstr=True, env={"ZAVCIR_STANDIN_SLEEP_MS": "1500"})
    probe = p.wndtool("Setup.exe", "wait=10000", "info")
    result = proc.wait()
    [state] = window_states(probe)
    assert_hidden_main_window(state)
    assert result.code == SETUP_SUCCESS
    assert result.debug[0] == "Install +\n" and result.debug[-1] == "Install -\n"
    assert len(p.standin_log()) == 1

    # Uninstall: the flow's pause before the device check keeps the window alive.
    proc = p.start(d.setup, "/U", debugstr=True)
    probe = p.wndtool("Setup.exe", "wait=10000", "info")
    result = proc.wait()
    [state] = window_states(probe)
    assert_hidden_main_window(state)
    assert result.code == SETUP_SUCCESS
    assert "Install +\n" not in result.debug and "Install -\n" not in result.debug


def test_module_folder_with_trail_byte_0x5c_in_code_page_932(make_prefix):
    p = make_prefix("64", "win7", japanese=True)
    root = "C:\\ドライバ表"  # the last character is 0x95 0x5C
    assert root.encode("cp932").endswith(b"\x95\x5c")
    d = p.make_dist(root=root)
    result, boxes = p.run_with_boxes(d.setup, "/S")
    assert (result.code, boxes) == (SETUP_SUCCESS, [])
    assert p.standin_log() == [f'"{root}\\Win7_64\\DPInst.exe" /LM /SW /F']

    # The same trail byte in the executable's own name: the folder is still its
    # folder, and the message box caption is the whole base name.
    renamed = root + "\\表.exe"
    shutil.copyfile(p.unix_path(d.setup), p.unix_path(renamed))
    result, boxes = p.run_with_boxes(renamed, "/S")
    assert (result.code, boxes) == (SETUP_SUCCESS, [])
    assert len(p.standin_log()) == 2

    p.unix_path(root + "\\Setup.ini").write_bytes("[Dir]\r\nWin7_64 = ソフト表\r\n".encode("cp932"))
    result, boxes = p.run_with_boxes(renamed, "/S")
    assert result.code == EXIT_SETUP_FAILED
    assert len(boxes) == 1, boxes
    assert (boxes[0].caption, boxes[0].text) == ("表", f"Invalid path: {root}\\ソフト表")


@pytest.mark.parametrize("arch,version", [("64", "win7"), ("32", "winxp")])
def test_log_off_is_refused_while_the_installer_runs(make_prefix, arch, version):
    p = make_prefix(arch, version)
    d = p.make_dist()
    proc = p.start(d.setup, debugstr=True, env={"ZAVCIR_STANDIN_SLEEP_MS": "4000"})
    probe = p.wndtool("Setup.exe", "wait=10000", "info", "qes", "info", "qes", "info", "endsession=0", "info")
    still_running = proc.running()
    result = proc.wait()

    assert still_running, "the requests came too late to test anything"
    answers = [(k, v) for k, v in probe.records() if k in ("sent", "qes", "endsession")]
    assert answers == [("sent", "1"), ("qes", "0"), ("sent", "1"), ("qes", "0"), ("endsession", "1")]
    before, *after = window_states(probe)
    assert_hidden_main_window(before)
    for state in after:
        assert state["visible"] == "1"
        left, top, _, _ = (int(x) for x in state["rect"].split(","))
        assert (left, top) == (-100, -100)  # Wine keeps a minimum size, so not 10 x 10

    # The job went on undisturbed and the run ended as usual.
    assert result.code == SETUP_SUCCESS
    assert result.debug[0] == "Install +\n" and result.debug[-1] == "Install -\n"
    folder = "Win7_64" if arch == "64" else "WinXP32"
    assert p.standin_log() == [f'"C:\\dist\\{folder}\\DPInst.exe" /LM /P']
    [entry] = p.uninstall_entries().values()
    assert entry["DisplayName"] == "ZAV CIR Receiver Driver"


# Wine's stubs write these lines (+pid: process and thread id in hex) and do no more.
SHUTDOWN_LEVEL = re.compile(r"^([0-9a-f]+):[0-9a-f]+:fixme:\w+:SetProcessShutdownParameters "
                            r"\(([0-9a-f]+), ([0-9a-f]+)\): partial stub\.$")
BLOCK_REASON = re.compile(r'^([0-9a-f]+):([0-9a-f]+):fixme:\w+:ShutdownBlockReasonCreate '
                          r'\((\w+), L"(.*)"\): stub$')


def test_the_window_gets_its_block_reason_on_its_own_thread_before_the_installer_starts(wine64):
    """Wine terminates no refusing process, and its shutdown calls are stubs
    (ShutdownBlockReasonCreate fails with error 120): this run checks the
    calls in Wine's trace, the level, then the reason on the main window from
    the window's own thread, both before the installer starts, and the log."""
    p = wine64
    d = p.make_dist()
    proc = p.start(d.setup, "/S", env={"ZAVCIR_STANDIN_SLEEP_MS": "3000",
                                        "WINEDEBUG": "+pid,+loaddll,fixme+all"})
    probe = p.wndtool("Setup.exe", "wait=10000", "info", "qes")
    result = proc.wait()
    assert result.code == SETUP_SUCCESS
    [window] = window_states(probe)
    assert [v for k, v in probe.records() if k == "qes"] == ["0"]  # refused all the same

    trace = result.stderr.splitlines()
    setup = traced_process_id(result.stderr, r"\Setup.exe")
    installer = traced_process_id(result.stderr, r"\DPInst.exe")
    installer_start = next(i for i, line in enumerate(trace) if line.startswith(installer + ":"))
    levels = [(i, m) for i, line in enumerate(trace) if (m := SHUTDOWN_LEVEL.match(line))]
    reasons = [(i, m) for i, line in enumerate(trace) if (m := BLOCK_REASON.match(line))]
    assert [(m[1], int(m[2], 16), int(m[3], 16)) for _, m in levels] == [(setup, 0x3FF, 0)]
    assert len(reasons) == 1, reasons
    at, reason = reasons[0]
    assert reason[1] == setup
    assert int(reason[2], 16) == int(window["thread"])  # the thread that created the window
    assert int(reason[3], 16) == int(window["hwnd"], 16)
    assert reason[4] == "Installing the ZAV CIR Receiver Driver."
    assert levels[0][0] < at < installer_start

    log = p.support_texts()
    assert log.index("Shutdown level 0x000003FF: asked before the other applications") < \
        log.index("Shutdown block reason not set, error 120: a log-off or shutdown may end this run") < \
        log.index(r'Command: "C:\dist\Win7_64\DPInst.exe" /LM /SW /F')


# Show commands that a deployment tool may put in the start-up information.
SW_HIDE, SW_SHOWMINNOACTIVE = 0, 7


@pytest.mark.parametrize("show", [SW_HIDE, SW_SHOWMINNOACTIVE], ids=["hidden", "minimised"])
def test_log_off_refusal_shows_the_window_of_a_program_started_with_a_show_command(wine64, show):
    """Windows applies the show command of the start-up information
    (STARTF_USESHOWWINDOW) to a program's first ShowWindow in place of the one
    given; the refusal must show the window all the same. What Wine cannot show:
    Wine 8 hands the start-up information to the program (GetStartupInfoA has
    it) but applies it to no ShowWindow call, so this run shows only that the
    refusal works for a program started this way."""
    p = wine64
    d = p.make_dist()
    env = {"ZAVCIR_RUNEXIT_COMMAND": d.setup, "ZAVCIR_RUNEXIT_SHOW": str(show),
           "ZAVCIR_STANDIN_SLEEP_MS": "4000"}
    proc = p.start(tool("runexit.exe"), env=env)
    probe = p.wndtool("Setup.exe", "wait=10000", "info", "qes", "info")
    result = proc.wait()

    before, after = window_states(probe)
    assert_hidden_main_window(before)
    assert [v for k, v in probe.records() if k == "qes"] == ["0"]
    assert after["visible"] == "1"
    assert tuple(int(x) for x in after["rect"].split(",")[:2]) == (-100, -100)
    assert result.values() == {"exit": f"0x{SETUP_SUCCESS:08X}"}  # as runexit prints it


def test_a_session_that_ends_during_the_job_leaves_the_run_cut_off_in_the_log(wine64):
    """WM_ENDSESSION with TRUE while the installer runs: Windows may end the
    process at any moment after it, so the log's last word must not be an exit
    code of success. Wine does not end the process (the message comes from a
    helper here, not from the end of a session): the job goes on, and its end
    writes the exit code as usual."""
    p = wine64
    d = p.make_dist()
    proc = p.start(d.setup, "/S", env={"ZAVCIR_STANDIN_SLEEP_MS": "4000"})
    probe = p.wndtool("Setup.exe", "wait=10000", "qes", "endsession=1")
    log = p.unix_path(r"C:\windows\ZavCirSetup.log")
    at_session_end = log.read_bytes().decode(p.encoding).splitlines()
    still_running = proc.running()
    result = proc.wait()

    assert still_running, "the session ended too late to test anything"
    assert [v for k, v in probe.records() if k == "endsession"] == ["1"]
    assert at_session_end[-1].endswith(
        " Run cut off by the end of the Windows session while the job was running: "
        "its outcome is unknown")
    assert not [line for line in at_session_end if " Exit code " in line]
    assert result.code == SETUP_SUCCESS
    assert log.read_bytes().decode(p.encoding).splitlines()[-1].endswith(
        " Exit code 0x00000000 (success)")
