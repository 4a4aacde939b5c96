"""A DLL planted beside Setup.exe under a system DLL's name is not loaded, and
the system libraries that start-up and the window load by name are loaded
first by their full path.

planted.dll (tests/standins/planted_dll.cpp) leaves "<its path>.loaded" when a
process loads it. It lies in the distribution folder as setupapi.dll, the one
library Setup.exe loads at run time, the run's current directory is that
folder, and Wine is told to prefer native copies of setupapi, so a load by bare
name would take the planted file. layer_probe.exe run from the same folder
shows that such a load does happen, so the test can see a planting at all.

Windows without SetDefaultDllDirectories (XP, Vista and 7 without the loader
update): Wine always has it, so Setup.exe never takes its SetDllDirectoryA("")
fallback here. layer_probe.exe runs that fallback with the same code instead:
after SetDllDirectoryA("") a bare name still finds the executable's folder, and
so do the dependencies of a library loaded by its full path with LoadLibraryA
(ole32.dll's combase.dll, planted beside it, was loaded); the preloads, loaded
with LOAD_WITH_ALTERED_SEARCH_PATH, take theirs from the system directory.

What Wine cannot show:
- Planted copies of the DLLs Setup.exe imports, and of what they import:
  Windows takes these from its known-DLL list, Wine searches the executable's
  folder first (its own user32 even imports version.dll and imm32.dll, so
  planted copies of those are loaded before the program's first instruction).
  The import table is checked against an allow-list at build time instead.
- That the preloaded libraries are then found among the loaded modules when
  asked for by name on such a Windows: Wine searches only the system directory
  after SetDefaultDllDirectories. Its module trace shows the full-path loads
  and their order instead."""

import re
import shutil

import pytest

from zavcir.exit_codes import SETUP_SUCCESS
from zavcir.wine import tool, traced_process_id

PREFER_NATIVE_SETUPAPI = {"WINEDLLOVERRIDES": "mscoree,mshtml=;setupapi=n,b"}
# combase.dll: what Wine's ole32.dll imports, loaded by nothing before it.
PREFER_NATIVE_COMBASE = {"WINEDLLOVERRIDES": "mscoree,mshtml=;combase=n,b"}


def plant(p, folder: str, name: str = "setupapi.dll") -> None:
    shutil.copyfile(tool("planted.dll"), p.unix_path(folder) / name)


def probe_in(p, dist) -> str:
    """layer_probe.exe laid beside the planted files, as Setup.exe lies."""
    probe = dist.root + r"\layer_probe.exe"
    shutil.copyfile(tool("layer_probe.exe"), p.unix_path(probe))
    return probe


def clear_markers(p, folder: str) -> None:
    for marker in p.unix_path(folder).glob("*.loaded"):
        marker.unlink()


def markers(p, folder: str) -> dict[str, list[str]]:
    """Who loaded each planted DLL of the folder: its name -> executables."""
    return {m.name[:-len(".loaded")]: m.read_bytes().decode().split("\r\n")[:-1]
            for m in p.unix_path(folder).glob("*.loaded")}


@pytest.mark.parametrize("arch, version, folder",
                         [("64", "win7", "Win7_64"), ("32", "winxp", "WinXP32")])
def test_setup_reads_setup_ini_without_loading_a_planted_setupapi(make_prefix, arch, version, folder):
    p = make_prefix(arch, version)
    dist = p.make_dist()
    plant(p, dist.root)

    result = p.run(dist.setup, "/S", env=PREFER_NATIVE_SETUPAPI, cwd=p.unix_path(dist.root))

    assert result.code == SETUP_SUCCESS
    # Setup.ini was read through the system's SetupAPI: its folder's installer ran.
    assert p.standin_log() == [rf'"{dist.folder(folder)}\DPInst.exe" /LM /SW /F']
    assert markers(p, dist.root) == {}


def test_a_load_by_bare_name_takes_the_planted_dll(wine64):
    p = wine64
    dist = p.make_dist(setup=False, folders={})
    plant(p, dist.root)
    probe = probe_in(p, dist)
    planted, system = dist.root + r"\setupapi.dll", r"C:\windows\system32\setupapi.dll"

    cases = [
        ("plain", "setupapi.dll", planted),
        ("setdlldir", "setupapi.dll", planted),  # the fallback alone keeps the folder in
        ("setdlldir", "sys:setupapi.dll", system),  # a full path does not search
        ("system32", "setupapi.dll", system),
    ]
    for how, name, expected in cases:
        clear_markers(p, dist.root)
        result = p.run(probe, "loadlib", how, name, env=PREFER_NATIVE_SETUPAPI,
                       cwd=p.unix_path(dist.root))
        assert result.code == 0, (how, name, result.stderr[-2000:])
        assert result.values() == {"loaded": "1", "module": expected}, (how, name)
        assert markers(p, dist.root) == ({"setupapi.dll": [probe]} if expected == planted else {})


# What Setup.exe loads by full path before start-up, and what the trace showed
# start-up and the window loading by name without it (see app/app_main_win.cpp).
PRELOADED = ("rpcrt4.dll", "ole32.dll", "imm32.dll", "uxtheme.dll")
_LOOKING_FOR = re.compile(r'^([0-9a-f]+):[0-9a-f]+:trace:module:load_dll looking for L"(.*?)" in ')


@pytest.mark.parametrize("arch, version", [("64", "win7"), ("32", "winxp")])
def test_system_libraries_of_start_up_and_window_are_loaded_by_full_path_first(
        make_prefix, arch, version):
    p = make_prefix(arch, version)
    dist = p.make_dist()
    result = p.run(dist.setup, "/S", env={"WINEDEBUG": "-all,+pid,+loaddll,+module"})
    assert result.code == SETUP_SUCCESS
    pid = traced_process_id(result.stderr, r"\dist\Setup.exe")
    loads = [m.group(2).replace("\\\\", "\\").lower() for m in map(_LOOKING_FOR.match,
             result.stderr.splitlines()) if m and m.group(1) == pid]
    base = [name.rsplit("\\", 1)[-1] for name in loads]
    system = r"c:\windows\system32" + "\\"
    # Start-up reads Setup.ini through SetupAPI: the preloads come before it,
    # and so before the window too.
    start_up = base.index("setupapi.dll")
    for dll in PRELOADED:
        assert system + dll in loads, dll
        full = loads.index(system + dll)
        assert full < start_up, dll
        # Nothing asked for it by name before, except imm32.dll: Wine's user32
        # loads that by name before the program's first instruction.
        if dll != "imm32.dll":
            assert base.index(dll) == full, (dll, loads[:full + 1])


@pytest.mark.parametrize("arch, version", [("64", "win7"), ("32", "winxp")])
def test_preloads_take_their_dependencies_from_the_system_directory(make_prefix, arch, version):
    p = make_prefix(arch, version)
    dist = p.make_dist(setup=False, folders={})
    plant(p, dist.root, "combase.dll")
    probe = probe_in(p, dist)
    system = r"C:\windows\system32" + "\\"

    # Control: ole32.dll by its full path with LoadLibraryA, after the fallback's
    # SetDllDirectoryA(""), takes the planted dependency from the program's folder.
    result = p.run(probe, "loadlib", "setdlldir", "sys:ole32.dll", env=PREFER_NATIVE_COMBASE,
                   cwd=p.unix_path(dist.root))
    assert result.code == 0, result.stderr[-2000:]
    assert result.values() == {"loaded": "1", "module": system + "ole32.dll"}
    assert markers(p, dist.root) == {"combase.dll": [probe]}

    clear_markers(p, dist.root)
    result = p.run(probe, "preload", "combase.dll", env=PREFER_NATIVE_COMBASE,
                   cwd=p.unix_path(dist.root))
    assert result.code == 0, result.stderr[-2000:]
    assert result.values() == {name: system + name for name in PRELOADED + ("combase.dll",)}
    assert markers(p, dist.root) == {}
