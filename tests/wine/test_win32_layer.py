"""The Win32 layer and the package operations against Wine's real registry,
files and processes, through layer_probe.exe (tests/standins/layer_probe.cpp):
the same core and Win32 sources as Setup.exe, one operation per run.

What Wine cannot show here: that a 32-bit Windows never switches redirection
(Wine's 32-bit prefix has the functions and they fail, so a switch would change
nothing visible either; the native unit tests check that no switch is made),
and subkey names over 256 characters (Wine cannot create them)."""

import shutil

import pytest

from zavcir.wine import UNINSTALL_KEY, Result, WinePrefix, tool

PROBE = r"C:\probe\layer_probe.exe"
DRIVER_VER = b"[Version]\r\nSignature=\"$WINDOWS NT$\"\r\nDriverVer = 01/02/2026, 7.7.7.7\r\n"


def install_probe(p: WinePrefix, folder: str = r"C:\probe") -> str:
    target = p.unix_path(folder)
    target.mkdir(parents=True, exist_ok=True)
    shutil.copyfile(tool("layer_probe.exe"), target / "layer_probe.exe")
    return folder + r"\layer_probe.exe"


def probe(p: WinePrefix, *args: str, env: dict[str, str] | None = None) -> Result:
    result = p.run(PROBE, *args, env=env, timeout=60)
    assert result.code == 0, (args, result.stdout, result.stderr[-2000:])
    return result


def scanned(p: WinePrefix) -> dict[str, dict[str, str]]:
    """The entries of one Scan by subkey name: command, inf, version."""
    entries, current = {}, None
    for key, value in probe(p, "scan").records():
        if key == "entry":
            current = entries.setdefault(value, {})
        elif current is not None:
            current[key] = value
    return entries


def sub(name: str) -> str:
    return UNINSTALL_KEY + "\\" + name


def test_run_command_returns_every_exit_code_and_start_error_unchanged(wine64):
    p = wine64
    install_probe(p)
    install_probe(p, r"C:\probe dir")
    p.unix_path(r"C:\probe\text.exe").write_text("not a program")
    cases = [(rf"C:\probe\layer_probe.exe exit {code:#x}", code)
             for code in (0x0, 0x1, 0x100, 0x40000000, 0x80000000, 0xC0000000, 0xFFFFFFFF)]
    cases += [
        # No extension and an unquoted folder with a blank: the system's own search.
        (r"C:\probe dir\layer_probe exit 0x100", 0x100),
        (r"C:\probe\missing.exe /u x", 0x90000002),
        (r"C:\probe\text.exe", 0x90000000 | 193),  # ERROR_BAD_EXE_FORMAT
    ]
    for command, expected in cases:
        values = probe(p, "run", env={"ZAVCIR_PROBE_COMMAND": command}).values()
        assert (int(values["result"], 16), values["unchanged"]) == (expected, "1"), command
    # Both handles of a started program are closed again, and a failed start leaves none.
    for command in (cases[2][0], cases[-2][0]):
        values = probe(p, "run", "handles", env={"ZAVCIR_PROBE_COMMAND": command}).values()
        assert values["handles_after"] == values["handles_before"], command


def test_scan_sees_only_the_64_bit_view_on_64_bit_windows(wine64):
    p = wine64
    install_probe(p)
    # The INF in the real System32, behind redirection (Wine redirects the driver store).
    store = p.system32() / "DriverStore" / "FileRepository" / "zavcir.inf_amd64_1"
    store.mkdir(parents=True)
    (store / "zavcir.inf").write_bytes(DRIVER_VER)
    inf = r"C:\Windows\System32\DriverStore\FileRepository\zavcir.inf_amd64_1\zavcir.inf"
    p.reg_add(sub("Twin"), "UninstallString", rf"C:\Tools\DPInst.exe /u {inf}", view=64)
    p.reg_add(sub("Twin"), "UninstallString", r"C:\Tools\DPInst.exe /u C:\x32\zavcir.inf", view=32)
    p.reg_add(sub("Only32"), "UninstallString", r"C:\Tools\DPInst.exe /u C:\y\zavcir.inf", view=32)

    assert scanned(p) == {"Twin": {"command": rf"c:\tools\dpinst.exe /u {inf.lower()}",
                                   "inf": inf.lower(), "version": "7.7.7.7"}}


def test_scan_reads_the_only_view_on_32_bit_windows(wine32):
    p = wine32
    install_probe(p)
    store = p.system32() / "DRVSTORE" / "zavcir_1"
    store.mkdir(parents=True)
    (store / "zavcir.inf").write_bytes(DRIVER_VER)
    p.reg_add(sub("Entry"), "UninstallString",
              r"C:\Tools\DPInst.exe /u C:\WINDOWS\system32\DRVSTORE\zavcir_1\zavcir.inf", view=None)

    assert probe(p, "scan").values()["wow64"] == "0"
    assert scanned(p) == {"Entry": {
        "command": r"c:\tools\dpinst.exe /u c:\windows\system32\drvstore\zavcir_1\zavcir.inf",
        "inf": r"c:\windows\system32\drvstore\zavcir_1\zavcir.inf", "version": "7.7.7.7"}}


def test_scan_value_rules(wine64):
    p = wine64
    install_probe(p)
    p.unix_path(r"C:\windows\inf\zavcir.inf").write_bytes(DRIVER_VER)
    head = r"c:\x /u c:\windows\inf\zavcir.inf "
    fits = head + "y" * (259 - len(head))  # 259 characters and the zero: 260 bytes
    binary = (b"C:\\Z /u ZAVCIR.INF " + b"Q" * 300)[:260]  # 260 bytes, no zero
    short_binary = b"C:\\Q /u Zavcir.Inf"  # no zero either
    values = {
        "Fits": (fits, "REG_SZ"),
        "TooLong": (fits + "y", "REG_SZ"),
        "Expand": (r"%SystemRoot%\inf\zavcir.inf", "REG_EXPAND_SZ"),
        "Binary260": (binary.hex(), "REG_BINARY"),
        "BinaryShort": (short_binary.hex(), "REG_BINARY"),
        "Upper": (r"C:\X /U C:\WINDOWS\INF\ZAVCIR.INF", "REG_SZ"),
        "OtherInf": (r"C:\x /u C:\windows\inf\other.inf", "REG_SZ"),
    }
    for name, (data, kind) in values.items():
        p.reg_add(sub(name), "UninstallString", data, kind=kind)
    p.reg_add(sub("NoCommand"), "DisplayName", "zavcir.inf")

    inf = r"c:\windows\inf\zavcir.inf"
    assert scanned(p) == {
        "Fits": {"command": fits, "inf": fits[len(r"c:\x /u "):], "version": ""},
        # Used as stored: %systemroot% names no file, and the Windows directory is not in it.
        "Expand": {"command": r"%systemroot%\inf\zavcir.inf", "inf": "", "version": ""},
        # Unterminated data: exactly the bytes the read reported, nothing after them.
        "Binary260": {"command": binary.decode().lower(), "inf": "", "version": ""},
        "BinaryShort": {"command": short_binary.decode().lower(), "inf": "", "version": ""},
        "Upper": {"command": r"c:\x /u " + inf, "inf": inf, "version": "7.7.7.7"},
    }


def test_set_display_name_writes_only_an_existing_subkey_of_the_64_bit_view(wine64):
    p = wine64
    install_probe(p)
    p.reg_add(sub("Entry"), "UninstallString", r"C:\x /u C:\y\zavcir.inf", view=64)
    p.reg_add(sub("Entry"), "UninstallString", "thirty-two", view=32)

    probe(p, "setname", "Missing", "ZAV CIR Receiver Driver")
    probe(p, "setname", "Entry", "ZAV CIR Receiver Driver")

    assert p.reg_values(sub("Missing"), view=64) is None
    assert p.reg_values(sub("Missing"), view=32) is None
    assert p.reg_values(sub("Entry"), view=64)["DisplayName"] == "ZAV CIR Receiver Driver"
    assert p.reg_values(sub("Entry"), view=32) == {"UninstallString": "thirty-two"}


def test_deletion_branch_removes_a_lone_subkey_and_fails_on_one_with_children(wine64):
    p = wine64
    install_probe(p)
    command = r"C:\x /u C:\Windows\inf\gone\zavcir.inf"  # names no file
    p.reg_add(sub("Parent"), "UninstallString", command, view=64)
    p.reg_add_key(sub(r"Parent\Child"), view=64)
    p.reg_add(sub("Lone"), "UninstallString", command, view=64)
    p.reg_add(sub("Lone"), "UninstallString", "thirty-two", view=32)

    def uninstall(key: str) -> list[tuple[str, str]]:
        return [r for r in probe(p, "uninstall", key).records() if r[0] != "wow64"]

    traced = [("found", "1"),
              ("trace", r"Uninstall entry: {} c:\x /u c:\windows\inf\gone\zavcir.inf"),
              ("trace", "Manually remove this uninstall entry because its preinstalled driver "
                        "package path is invalid")]
    expected = lambda key, outcome: [(k, v.format(key)) for k, v in traced] + [
        ("trace", outcome), ("result", "0")]
    assert uninstall("Parent") == expected("Parent", "Remove failed")
    assert p.reg_subkeys(sub("Parent"), view=64) == ["Child"]
    assert uninstall("Lone") == expected("Lone", "Remove OK")
    assert p.reg_values(sub("Lone"), view=64) is None
    # The subkey of the other view stays.
    assert p.reg_values(sub("Lone"), view=32) == {"UninstallString": "thirty-two"}


def test_uninstall_runs_the_stored_command_while_its_inf_is_a_file(wine64):
    p = wine64
    install_probe(p)
    p.unix_path(r"C:\windows\inf\zavcir.inf").write_bytes(DRIVER_VER)
    p.reg_add(sub("Restart"), "UninstallString",
              rf"{PROBE} exit 0x40000000 /U C:\Windows\inf\zavcir.inf", view=64)
    p.reg_add(sub("Fails"), "UninstallString",
              rf"{PROBE} exit 0xC0000000 /s /u C:\Windows\inf\zavcir.inf", view=64)
    env = {"ZAVCIR_PROBE_LOG": r"C:\probe\commands.log"}

    restart = probe(p, "uninstall", "Restart", "silent", env=env).records()
    fails = probe(p, "uninstall", "Fails", env=env).records()

    stored = rf"{PROBE.lower()} exit 0x40000000 /u c:\windows\inf\zavcir.inf"
    assert restart[1:] == [("found", "1"), ("trace", f"Uninstall entry: Restart {stored}"),
                           ("trace", "Execute this uninstall entry"), ("result", "1")]
    assert fails[-1] == ("result", "0")
    log = p.unix_path(r"C:\probe\commands.log").read_bytes().decode().split("\r\n")
    assert log == [stored.replace("/u ", "/s /u "),
                   rf"{PROBE.lower()} exit 0xc0000000 /s /u c:\windows\inf\zavcir.inf", ""]
    assert set(p.reg_subkeys(UNINSTALL_KEY, view=64)) >= {"Restart", "Fails"}


@pytest.mark.parametrize("arch", [
    pytest.param("64", marks=pytest.mark.program32("the file-system redirection of a 32-bit process")),
    "32"])
def test_redirection_is_off_for_the_list_s_thread_only_while_the_list_exists(make_prefix, arch):
    p = make_prefix(arch)
    install_probe(p)
    (p.system32() / "zavcir_native.txt").write_text("real System32")
    paths = [r"C:\windows\system32\zavcir_native.txt"]
    if arch == "64":
        (p.path / "drive_c" / "windows" / "syswow64" / "zavcir_wow.txt").write_text("32-bit")
        paths.append(r"C:\windows\system32\zavcir_wow.txt")

    seen = {}
    for key, value in probe(p, "redirect", *paths).records():
        if key == "path":
            current = seen.setdefault(value, {})
        elif key != "wow64":
            current[key] = int(value)

    order = ("worker_before", "worker_during", "main_during", "worker_after", "main_after")
    if arch == "64":
        # Only the worker, and only while its list exists, sees the real System32.
        assert [seen[paths[0]][k] for k in order] == [0, 1, 0, 0, 0]
        assert [seen[paths[1]][k] for k in order] == [1, 0, 1, 1, 1]
    else:
        assert [seen[paths[0]][k] for k in order] == [1, 1, 1, 1, 1]


def test_drive_type_answers_no_root_for_a_drive_letter_that_the_process_lacks(wine64):
    r"""What start-up asks when it cannot read Setup.ini from a drive letter:
    DRIVE_NO_ROOT_DIR (1) for a letter the process lacks, as an elevated run
    lacks a network drive mapped without elevation. Wine has one set of drive
    letters for all processes of a prefix, so Setup.exe cannot be started from
    a letter that it then lacks; the unit tests cover that run."""
    p = wine64
    install_probe(p)
    stick = p.path / "stick"
    stick.mkdir()
    p.map_drive("m", stick)
    records = probe(p, "drive", "C:\\", "m:\\", "Q:\\").records()
    types = dict(zip([v for k, v in records if k == "root"], [v for k, v in records if k == "type"]))
    assert types["C:\\"] == "3"  # DRIVE_FIXED
    assert types["m:\\"] not in ("0", "1")  # some drive
    assert types["Q:\\"] == "1"  # DRIVE_NO_ROOT_DIR
