r"""Setup.exe started from the folders users and administrators have, under
Wine (64-bit prefix, Windows 7, code page 1252 unless said otherwise): names
that the ANSI code page cannot carry, a path longer than MAX_PATH, a folder no
form of whose path fits, a read-only drive.

Wine gives every component that is not a plain 8.3 name a hashed ASCII short
name (`____~K44` for a Cyrillic one), so a short form that the code page cannot
carry, or a volume without short names, cannot happen here (the unit tests
cover both); a path whose short form is still too long can: components that
are 8.3 names already have no other short name.
"""

import contextlib
import re
import subprocess
from pathlib import Path

import pytest

from package_layout import V1, NewLines, Store, assert_state, install_command
from zavcir.exit_codes import EXIT_SETUP_FAILED, SETUP_SUCCESS

NO_INI = "Failed to open Setup.ini file"
MOVE = "; move the distribution to a plainer folder"

# About 300 characters from C:\ to the end of Setup.exe.
DEEP = "C:\\" + "\\".join(f"release-{i:02d}-zav-cir-receiver-driver" for i in range(8)) + r"\ZavCir"
# 282 characters, every component an 8.3 name already: the short form is as long.
TOO_DEEP = "C:\\" + "\\".join(f"ZAVCIR{i:02d}" for i in range(30))

# The folders from which Setup.exe used to fail on a Western Windows.
UNNAMEABLE = {
    "cyrillic-user-folder": r"C:\users\Дмитрий\Downloads\ZavCir",
    "chinese-folder": r"C:\接收器驱动",
    "look-alike-letter": r"C:\users\Łukasz\ZavCir",  # 1252 best-fits Ł to L: another folder
}


def last_run(p):
    """The support log's lines of the last run, without their time stamps."""
    lines = p.support_texts()
    starts = [i for i, line in enumerate(lines) if line.startswith("==== Setup ")]
    return lines[starts[-1]:]


def tree(folder: Path) -> dict[str, tuple]:
    """Every entry below folder with its kind, size and modification time."""
    entries = {}
    for path in sorted(folder.rglob("*")):
        info = path.stat()
        entries[str(path.relative_to(folder))] = (path.is_dir(), info.st_size, info.st_mtime_ns)
    return entries


def install_and_uninstall(p, d, installed: bool = False) -> str:
    """A silent install (unless the caller has run it: installed) and a silent
    uninstall from the distribution d: both end with 0, the installer is the one
    in d's package folder, nothing is left behind. Returns the program folder of
    the install run's log."""
    store = Store(xp=False, bits=64)
    log = NewLines(p.standin_log)
    if not installed:
        assert p.run(d.setup, "/S").code == SETUP_SUCCESS
    folder = last_run(p)[1][len("Program folder: "):].split(" (the short form of ")[0]
    package = folder + r"\Win7_64"
    # The stand-in started from that folder: it copied the INF beside it into
    # the store and registered it, and Setup.exe labelled the entry it found by
    # the INF of its package folder. The prefix holds no other distribution.
    assert log.new() == [install_command(package, silent=True)]
    assert_state(p, store, store.entry(package, V1, "1.0.0.0"), [V1])
    assert p.run(d.setup, "/S", "/U").code == SETUP_SUCCESS
    assert log.new() == [store.entry_command(package, V1, silent=True)]
    assert_state(p, store, {}, [])
    return folder


@pytest.mark.parametrize("case", UNNAMEABLE)
def test_folder_outside_the_code_page_is_used_by_its_short_form(wine64, case):
    p, root = wine64, UNNAMEABLE[case]
    d = p.make_dist(root=root)
    before = tree(p.unix_path(root))
    folder = install_and_uninstall(p, d)
    shown = root.encode("cp1252", "replace").decode("cp1252")  # as the ANSI call shows it
    assert last_run(p)[1] == \
        f"Program folder: {folder} (the short form of {shown}, which code page 1252 cannot name)"
    assert folder.isascii() and "?" not in folder
    assert tree(p.unix_path(root)) == before  # nothing written into the distribution


def test_path_longer_than_max_path_is_used_by_its_short_form(wine64):
    p = wine64
    length = len(DEEP + r"\Setup.exe")
    assert 295 <= length <= 305
    d = p.make_dist(root=DEEP)
    result = p.run(d.setup, "/S")
    lines = last_run(p)
    folder = lines[1][len("Program folder: "):].split(" (the short form of ")[0]
    assert re.fullmatch(r"C:(\\[A-Z0-9_~]{1,8})+\\ZavCir", folder), folder
    assert lines[1] == (f"Program folder: {folder} (the short form of {DEEP}, whose path "
                        f"has {length} characters, more than 259)")
    package = folder + r"\Win7_64"
    assert f"Package folder: {package}" in lines
    assert f"Command: {install_command(package, silent=True)}" in lines
    if "Command result: 0x90000002" in lines and p.standin_log() == []:
        # Wine 8 builds a new process's image name from GetLongPathNameW into a
        # MAX_PATH buffer without looking at the size it answers: for a program
        # whose long path is longer, the name is whatever that buffer held, and
        # the start fails or not by chance. Windows starts it by its short path.
        pytest.skip("Wine 8 cannot reliably start a program whose long path has more than "
                    "259 characters; Setup.exe's part (short form, package folder, command) "
                    "is checked above")
    assert result.code == SETUP_SUCCESS
    assert install_and_uninstall(p, d, installed=True) == folder


# A Latin-1 folder on code page 1252, a katakana one on 932 (Japanese Windows).
@pytest.mark.parametrize("japanese,root", [(False, r"C:\Treiber für Empfänger"),
                                           (True, r"C:\リモコン受信機")])
def test_folder_the_code_page_names_is_used_as_it_is(make_prefix, japanese, root):
    p = make_prefix("64", "win7", japanese=japanese)
    d = p.make_dist(root=root)
    before = tree(p.unix_path(root))
    store = Store(xp=False, bits=64)
    log = NewLines(p.standin_log)
    assert p.run(d.setup, "/S").code == SETUP_SUCCESS
    assert last_run(p)[1] == "Program folder: " + root
    assert log.new() == [install_command(root + r"\Win7_64", silent=True)]
    assert_state(p, store, store.entry(root + r"\Win7_64", V1, "1.0.0.0"), [V1])
    # The stored command is unquoted: its blanks make Windows look for
    # C:\Treiber.exe first, then find the installer (which then sees its name
    # quoted under Wine, unchanged on Windows).
    assert p.run(d.setup, "/S", "/U").code == SETUP_SUCCESS
    command = store.entry_command(root + r"\Win7_64", V1, silent=True)
    if " " in root:
        program = command.index(".exe ") + 4
        command = f'"{command[:program]}"{command[program:]}'
    assert log.new() == [command]
    assert_state(p, store, {}, [])
    assert tree(p.unix_path(root)) == before


def test_folder_no_form_of_whose_path_fits_fails_as_without_setup_ini(wine64):
    p = wine64
    d = p.make_dist(root=TOO_DEEP)
    length = len(TOO_DEEP + r"\Setup.exe")
    reason = (f"Program folder: none: {TOO_DEEP}: the path has {length} characters ({length} in its "
              f"short form), more than 259{MOVE}")
    result, boxes = p.run_with_boxes(d.setup)
    assert result.code == EXIT_SETUP_FAILED
    assert [(b.caption, b.text, b.ok_only, b.icon) for b in boxes] == [("Setup", NO_INI, True, True)]
    lines = last_run(p)
    assert lines[1] == reason
    assert lines[-2:] == [f"Start-up failed: {NO_INI}", "Exit code 0x00000004 (setup failed)"]

    result, boxes = p.run_with_boxes(d.setup, "/S")
    assert (result.code, boxes) == (EXIT_SETUP_FAILED, [])
    lines = last_run(p)
    assert lines[1] == reason
    assert lines[-2:] == [f"Start-up failed (silent, no message shown): {NO_INI}",
                          "Exit code 0x00000004 (setup failed)"]
    assert p.standin_log() == []


@contextlib.contextmanager
def read_only(folder: Path):
    """Makes folder read-only even for root, who may write into a folder without
    write permission: a read-only bind mount of it onto itself where mounting is
    allowed, else the immutable attribute on everything in it. Yields which."""
    def run(*argv):
        return subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0

    if run("mount", "--bind", str(folder), str(folder)):
        try:
            if run("mount", "-o", "remount,bind,ro", str(folder)):
                yield "read-only bind mount"
                return
        finally:
            run("umount", str(folder))
    if run("chattr", "-R", "+i", str(folder)):
        try:
            yield "immutable attribute"
        finally:
            run("chattr", "-R", "-i", str(folder))
        return
    pytest.skip("this machine allows neither a read-only mount nor the immutable attribute")


def test_read_only_drive_root_works_and_nothing_is_written_there(wine64, tmp_path):
    p = wine64
    medium = tmp_path / "cd"
    medium.mkdir()
    p.map_drive("d", medium)
    d = p.make_dist(root="D:")
    before = tree(medium)
    with read_only(medium) as how:
        with pytest.raises(OSError):
            (medium / "probe").write_bytes(b"x")
        # Windows programs cannot write there either.
        assert p.run("cmd", "/c", r"echo x> D:\probe.txt").stderr.strip(), how
        assert not (medium / "probe.txt").exists()
        store = Store(xp=False, bits=64)
        log = NewLines(p.standin_log)
        assert p.run(d.setup, "/S").code == SETUP_SUCCESS, how
        assert last_run(p)[1] == "Program folder: D:"
        assert log.new() == [install_command(r"D:\Win7_64", silent=True)]
        assert_state(p, store, store.entry(r"D:\Win7_64", V1, "1.0.0.0"), [V1])
        result, boxes = p.run_with_boxes(d.setup, "/U")
        assert (result.code, boxes) == (SETUP_SUCCESS, []), how
        assert log.new() == [store.entry_command(r"D:\Win7_64", V1, silent=False)]
        assert_state(p, store, {}, [])
        assert tree(medium) == before
