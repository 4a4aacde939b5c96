"""Checks of the built Setup.exe read straight from its file: that it starts on
a bare Windows XP SP3 (imports, PE header), that Windows 2000 loads it too, so
that it can show its own message for unsupported Windows there, that it is
terminal-server aware, that it loads nothing from outside the system directory
by import, and that its resources say what they must.

Reads build/win32/Setup.exe (or $SETUP_EXE); skips when it has not been built.
"""

import os
import re
import struct
import subprocess
import sys
import xml.etree.ElementTree as ET

import pytest

pefile = pytest.importorskip("pefile")

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
EXE = os.environ.get("SETUP_EXE", os.path.join(ROOT, "build", "win32", "Setup.exe"))

# System DLLs that Windows loads from the system directory whatever the search
# path (known DLLs and their kin). SetupAPI is deliberately missing: it is loaded
# at run time by its full path.
ALLOWED_DLLS = {"kernel32.dll", "user32.dll", "advapi32.dll", "gdi32.dll", "msvcrt.dll",
                "ntdll.dll", "shell32.dll", "ole32.dll", "comctl32.dll"}

# Functions that 32-bit Windows XP SP3 does not export: one of them in the
# import table and the loader refuses to start the program there.
XP_MISSING_EXACT = {
    "GetTickCount64", "Wow64DisableWow64FsRedirection", "Wow64RevertWow64FsRedirection",
    "Wow64EnableWow64FsRedirection", "SetDefaultDllDirectories", "AddDllDirectory",
    "RemoveDllDirectory", "LCIDToLocaleName", "LocaleNameToLCID", "GetLocaleInfoEx",
    "CompareStringEx", "LCMapStringEx", "GetUserDefaultLocaleName", "GetDateFormatEx",
    "GetTimeFormatEx", "GetNumberFormatEx", "GetCurrencyFormatEx", "IsValidLocaleName",
    "ResolveLocaleName", "EnumSystemLocalesEx", "GetSystemDefaultLocaleName",
    "InitializeCriticalSectionEx", "CreateSymbolicLinkA", "CreateSymbolicLinkW",
    "GetFinalPathNameByHandleA", "GetFinalPathNameByHandleW", "QueryFullProcessImageNameA",
    "QueryFullProcessImageNameW", "GetErrorMode", "CreateEventExA", "CreateEventExW",
    "CreateMutexExA", "CreateMutexExW", "CreateSemaphoreExA", "CreateSemaphoreExW",
    "GetFileInformationByHandleEx", "SetFileInformationByHandle", "ChangeWindowMessageFilter",
    "ChangeWindowMessageFilterEx", "RegGetValueA", "RegGetValueW", "RegDeleteKeyExA",
    "RegDeleteKeyExW", "RegDeleteTreeA", "RegDeleteTreeW", "RegCopyTreeA", "RegCopyTreeW",
    "IsWow64Process2",  # Windows 10 1709
    "InitializeProcThreadAttributeList", "UpdateProcThreadAttribute",
    "DeleteProcThreadAttributeList",
}
XP_MISSING_PATTERNS = [
    re.compile(p) for p in (
        r"^ShutdownBlockReason",   # Vista
        r"SRWLock",                # slim reader/writer locks, Vista
        r"ConditionVariable",      # Vista
        r"^InitOnce",              # Vista
        r"^Fls(Alloc|Free|GetValue|SetValue)$",  # fiber-local storage, Server 2003
        r"^\w+_s$",                # the msvcrt secure functions, absent from XP's msvcrt
        r"^_\w+_s$",
    )
]
# Functions that Windows XP (or one of its service packs) added and Windows 2000
# SP4 does not export: one of them in the import table and the Windows 2000
# loader refuses the program, and its message for unsupported Windows never
# shows. Today's reference pages name Windows XP as the minimum for every
# function, old ones included; these are the ones that the pages of their time
# gave as new with XP (with everything that 32-bit XP SP3 lacks, above).
W2K_MISSING_EXACT = {
    # kernel32
    "GetModuleHandleExA", "GetModuleHandleExW", "GetNativeSystemInfo", "IsWow64Process",
    "GetSystemWow64DirectoryA", "GetSystemWow64DirectoryW", "SetDllDirectoryA",
    "SetDllDirectoryW", "GetDllDirectoryA", "GetDllDirectoryW", "AddVectoredExceptionHandler",
    "RemoveVectoredExceptionHandler", "InitializeSListHead", "InterlockedPushEntrySList",
    "InterlockedPopEntrySList", "InterlockedFlushSList", "QueryDepthSList", "AttachConsole",
    "GetConsoleProcessList", "GetProcessId", "GetSystemTimes", "GetProcessHandleCount",
    "CheckRemoteDebuggerPresent", "DebugActiveProcessStop", "DebugSetProcessKillOnExit",
    "DebugBreakProcess", "IsProcessInJob", "TzSpecificLocalTimeToSystemTime",
    "GetLogicalProcessorInformation", "CreateMemoryResourceNotification",
    "QueryMemoryResourceNotification", "HeapSetInformation", "HeapQueryInformation",
    "GetSystemRegistryQuota", "WTSGetActiveConsoleSessionId", "SetFileValidData",
    "SetFileShortNameA", "SetFileShortNameW", "GetVolumePathNamesForVolumeNameA",
    "GetVolumePathNamesForVolumeNameW", "CreateActCtxA", "CreateActCtxW", "ActivateActCtx",
    "DeactivateActCtx", "ReleaseActCtx", "AddRefActCtx", "GetCurrentActCtx", "QueryActCtxW",
    "ZombifyActCtx", "FindActCtxSectionStringA", "FindActCtxSectionStringW",
    "FindActCtxSectionGuid", "RtlCaptureContext", "RtlCaptureStackBackTrace", "EncodePointer",
    "DecodePointer", "EncodeSystemPointer", "DecodeSystemPointer", "GetThreadIOPendingFlag",
    "GetProcessDEPPolicy", "SetProcessDEPPolicy", "GetSystemDEPPolicy",
    "GetFirmwareEnvironmentVariableA", "GetFirmwareEnvironmentVariableW",
    "SetFirmwareEnvironmentVariableA", "SetFirmwareEnvironmentVariableW",
    # user32
    "PrintWindow", "GetLayeredWindowAttributes", "RegisterRawInputDevices", "GetRawInputData",
    "GetRawInputBuffer", "GetRawInputDeviceList", "GetRawInputDeviceInfoA",
    "GetRawInputDeviceInfoW", "GetRegisteredRawInputDevices", "DefRawInputProc",
    "GetWindowRgnBox", "IsGUIThread",
    # advapi32
    "CreateWellKnownSid", "IsWellKnownSid", "GetWindowsAccountDomainSid", "EqualDomainSid",
    "RegSaveKeyExA", "RegSaveKeyExW", "SaferCreateLevel", "SaferCloseLevel",
    "SaferComputeTokenFromLevel", "SaferIdentifyLevel",
}
RUNTIME_DLL = re.compile(r"^(libgcc|libstdc\+\+|libwinpthread|libssp|libatomic)", re.I)

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24


@pytest.fixture(scope="module")
def pe():
    if not os.path.isfile(EXE):
        pytest.skip(f"{EXE} is not built (cmake --preset win32 && cmake --build --preset win32)")
    image = pefile.PE(EXE)
    yield image
    image.close()


def imports(pe):
    """{dll name in lower case: [function names]} of the import table."""
    table = {}
    for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        names = [i.name.decode() for i in entry.imports if i.name]
        table.setdefault(entry.dll.decode().lower(), []).extend(names)
    return table


def resource(pe, type_id, name_id):
    """The data of the resource type_id/name_id (first language), or None."""
    for rtype in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if rtype.id != type_id:
            continue
        for rname in rtype.directory.entries:
            if rname.id != name_id:
                continue
            lang = rname.directory.entries[0]
            return pe.get_data(lang.data.struct.OffsetToData, lang.data.struct.Size)
    return None


def test_header_is_a_32_bit_gui_program_that_windows_2000_loads(pe):
    assert pe.FILE_HEADER.Machine == 0x14C  # i386
    opt = pe.OPTIONAL_HEADER
    assert opt.Magic == 0x10B  # PE32, not PE32+
    assert opt.Subsystem == 2  # Windows GUI
    # The Windows 2000 loader refuses an image whose subsystem version is above
    # its own 5.0 (Wine ignores the field).
    assert (opt.MajorSubsystemVersion, opt.MinorSubsystemVersion) == (5, 0)
    assert (opt.MajorOperatingSystemVersion, opt.MinorOperatingSystemVersion) == (5, 0)
    # No time stamp: the same sources give the same bytes.
    assert pe.FILE_HEADER.TimeDateStamp == 0


def test_image_is_terminal_server_aware(pe):
    # IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE. Without it, on a Remote
    # Desktop Session Host GetWindowsDirectoryA gives the user's private Windows
    # directory, every live entry's INF path looks missing, and its key would be
    # deleted without its uninstall command being run. Wine ignores the flag.
    assert pe.OPTIONAL_HEADER.DllCharacteristics & 0x8000


def test_imports_only_system_dlls_and_no_runtime_dll(pe):
    dlls = set(imports(pe))
    assert dlls, "an executable without imports is not what was built"
    assert not [d for d in dlls if RUNTIME_DLL.match(d)]
    assert "setupapi.dll" not in dlls
    assert dlls <= ALLOWED_DLLS, f"imports outside the system allow-list: {dlls - ALLOWED_DLLS}"
    assert not getattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT", [])


def test_imports_nothing_that_xp_sp3_lacks(pe):
    offending = sorted(f"{dll}!{name}" for dll, names in imports(pe).items() for name in names
                       if xp_lacks(name))
    assert offending == []


def xp_lacks(name):
    return name in XP_MISSING_EXACT or any(p.search(name) for p in XP_MISSING_PATTERNS)


def w2k_lacks(name):
    return xp_lacks(name) or name in W2K_MISSING_EXACT


def test_imports_nothing_that_windows_2000_lacks(pe):
    offending = sorted(f"{dll}!{name}" for dll, names in imports(pe).items() for name in names
                       if w2k_lacks(name))
    assert offending == []


@pytest.mark.parametrize("name,xp,w2k", [
    ("GetTickCount64", True, True), ("AcquireSRWLockExclusive", True, True),
    ("SleepConditionVariableCS", True, True), ("InitOnceExecuteOnce", True, True),
    ("FlsAlloc", True, True), ("strcpy_s", True, True), ("_itoa_s", True, True),
    ("ShutdownBlockReasonCreate", True, True), ("RegDeleteKeyExA", True, True),
    # New with XP: Windows 2000 lacks them, XP SP3 has them.
    ("GetModuleHandleExW", False, True), ("AddVectoredExceptionHandler", False, True),
    ("SetDllDirectoryA", False, True), ("IsWow64Process", False, True),
    ("InterlockedPushEntrySList", False, True), ("PrintWindow", False, True),
    ("CreateWellKnownSid", False, True),
    # Both have them.
    ("GetTickCount", False, False), ("TlsAlloc", False, False),
    ("InitializeCriticalSection", False, False), ("_beginthreadex", False, False),
    ("memcpy", False, False), ("GetFileSizeEx", False, False), ("GetModuleHandleW", False, False),
    ("IsDBCSLeadByteEx", False, False), ("GetFileAttributesExA", False, False),
])
def test_import_rules_themselves_flag_what_they_should(name, xp, w2k):
    assert (xp_lacks(name), w2k_lacks(name)) == (xp, w2k)


def test_manifest_asks_for_administrator(pe):
    data = resource(pe, RT_MANIFEST, 1)
    assert data is not None, "no manifest (type 24, id 1)"
    ns = {"v1": "urn:schemas-microsoft-com:asm.v1", "v3": "urn:schemas-microsoft-com:asm.v3"}
    root = ET.fromstring(data)
    identity = root.find("v1:assemblyIdentity", ns)
    assert identity is not None
    assert identity.attrib == {"name": "Setup.exe", "version": "1.0.0.0",
                               "processorArchitecture": "X86", "type": "win32"}
    level = root.find("v3:trustInfo/v3:security/v3:requestedPrivileges/"
                      "v3:requestedExecutionLevel", ns)
    assert level is not None
    assert level.attrib == {"level": "requireAdministrator", "uiAccess": "false"}


# The supportedOS identifier of each Windows version from Vista on (Microsoft,
# "Targeting your application for Windows"). Windows 8.1 to 11 report version
# 6.2 to a program whose manifest lacks theirs.
SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}": "Vista",
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "10 and 11",
}


def test_manifest_declares_every_windows_from_vista_on(pe):
    root = ET.fromstring(resource(pe, RT_MANIFEST, 1))
    ns = {"v1": "urn:schemas-microsoft-com:asm.v1", "c": "urn:schemas-microsoft-com:compatibility.v1"}
    [application] = root.findall("c:compatibility/c:application", ns)
    declared = [e.attrib for e in application]
    assert all(e.tag == "{urn:schemas-microsoft-com:compatibility.v1}supportedOS" for e in application)
    assert sorted(SUPPORTED_OS.get(a.get("Id", "").lower(), repr(a)) for a in declared) == \
        sorted(SUPPORTED_OS.values())


def test_version_record(pe):
    assert resource(pe, RT_VERSION, 1) is not None, "no version record with id 1"
    fixed = pe.VS_FIXEDFILEINFO[0]
    assert (fixed.FileVersionMS, fixed.FileVersionLS) == (0x00020002, 0)
    assert (fixed.ProductVersionMS, fixed.ProductVersionLS) == (0x00010000, 0)
    assert fixed.FileFlagsMask == 0x3F
    assert fixed.FileFlags == 0
    assert fixed.FileOS == 4  # VOS__WINDOWS32
    assert fixed.FileType == 1  # VFT_APP

    tables = [t for info in pe.FileInfo[0] if info.Key == b"StringFileInfo"
              for t in info.StringTable]
    assert [t.LangID for t in tables] == [b"040904b0"]
    strings = {k.decode(): v.decode() for k, v in tables[0].entries.items()}
    notice = strings.pop("LegalCopyright")
    assert notice.strip(), "the legal notice must say something"
    assert strings == {
        "Comments": "", "CompanyName": "", "FileDescription": "Setup",
        "FileVersion": "2, 2, 0, 0", "InternalName": "Setup", "LegalTrademarks": "",
        "OriginalFilename": "Setup.EXE", "PrivateBuild": "", "ProductName": "Setup Application",
        "ProductVersion": "1, 0, 0, 0", "SpecialBuild": "",
    }

    translations = [v for info in pe.FileInfo[0] if info.Key == b"VarFileInfo"
                    for var in info.Var for v in var.entry.values()]
    assert translations == ["0x0409 0x04b0"]


def test_icon_group_128_holds_one_32x32_16_colour_image(pe):
    group = resource(pe, RT_GROUP_ICON, 128)
    assert group is not None, "no icon group 128"
    reserved, kind, count = struct.unpack_from("<HHH", group)
    assert (reserved, kind, count) == (0, 1, 1)
    width, height, colours, _, planes, bits, size, icon_id = struct.unpack_from("<BBBBHHIH",
                                                                                 group, 6)
    assert (width, height, colours, planes, bits) == (32, 32, 16, 1, 4)

    image = resource(pe, RT_ICON, icon_id)
    assert image is not None and len(image) == size
    header = struct.unpack_from("<IiiHH", image)
    assert header == (40, 32, 64, 1, 4)  # BITMAPINFOHEADER: height counts both masks


def test_committed_icon_is_what_its_script_draws(tmp_path):
    out = tmp_path / "setup.ico"
    subprocess.run([sys.executable, os.path.join(ROOT, "res", "make_icon.py"), str(out)],
                   check=True)
    with open(os.path.join(ROOT, "res", "setup.ico"), "rb") as committed:
        assert out.read_bytes() == committed.read()
