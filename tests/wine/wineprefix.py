"""Headless Wine prefixes for the end-to-end tests of Setup.exe.

What runs is `target()`: the shipped 32-bit program of build/win32, or, on a
machine whose Wine cannot run 32-bit programs (or with
SETUP_TESTS_WITHOUT_32BIT=1), the 64-bit test build of build/win64 under
wine64. A test that needs the 32-bit program itself, or a 32-bit prefix, is
skipped there with the reason (`WineCannotRun`).

Two template prefixes (64-bit and 32-bit) are made once under
build/wine-templates/ and reused while Wine and the recipe stay the same. Each
test works in a clone of one of them (DLL folders hard-linked, the rest copied)
with a wine server of its own, which `WinePrefix.close()` always ends.

Windows programs are run with files (never pipes) for their output: the
services that the first process on a server starts inherit its handles.
"""

from __future__ import annotations

import atexit
import codecs
import contextlib
import fcntl
import functools
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time
from dataclasses import dataclass, field
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
BUILD_ROOT = REPO / "build"
# The shipped program's build, and the 64-bit test build (never shipped).
WIN32_BUILD = Path(os.environ.get("ZAVCIR_WIN32_BUILD", BUILD_ROOT / "win32"))
WIN64_BUILD = Path(os.environ.get("ZAVCIR_WIN64_BUILD", BUILD_ROOT / "win64"))
# Wine's loaders: the wrapper, which runs the 32-bit side first, and the 64-bit
# loader alone, which runs 64-bit Windows programs only where 32-bit x86 cannot run.
WINE = "wine"
WINE64 = "/usr/lib/wine/wine64"
# Set to 1: the harness behaves as on a machine that cannot run 32-bit programs.
WITHOUT_32BIT_VARIABLE = "SETUP_TESTS_WITHOUT_32BIT"
TEMPLATE_ROOT = BUILD_ROOT / "wine-templates"
PREFIX_ROOT = BUILD_ROOT / "wine-prefixes"
LOCALE_ROOT = BUILD_ROOT / "locales"
SAMPLE_DIR = REPO / "sample"

# Raise when the way templates are made changes: old templates are then remade.
TEMPLATE_RECIPE = "3"
# Folders of a prefix that hold only Wine's own DLLs and programs: hard-linked
# into clones. Files there must never be rewritten in place by a test.
LINKED_DIRS = ("drive_c/windows/system32", "drive_c/windows/syswow64")

# Edition tag -> word size of the Windows it is for (and so of its DPInst).
TAG_BITS = {"WinXP32": 32, "WinXP64": 64, "Vista32": 32, "Vista64": 64, "Win7_32": 32, "Win7_64": 64}

UNINSTALL_KEY = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall"
DEVICE_LINK = "zavcirindexiointerface"


def base_env() -> dict[str, str]:
    """The environment of every Wine process: headless, quiet, no Mono or Gecko."""
    env = {k: v for k, v in os.environ.items() if not k.startswith(("WINE", "ZAVCIR_STANDIN_"))}
    for name in ("DISPLAY", "WAYLAND_DISPLAY", "LANGUAGE", "LOCPATH"):
        env.pop(name, None)
    env.update(WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=", LANG="C.UTF-8", LC_ALL="C.UTF-8")
    # A home of its own: Wine links the prefix's user folders (Desktop, ...) there.
    home = BUILD_ROOT / "wine-home"
    home.mkdir(parents=True, exist_ok=True)
    env["HOME"] = str(home)
    return env


# The Setup.ini of the distributions laid out from the sample: one package folder
# per tag, named like the tag.
SAMPLE_SETUP_INI = ("; Setup.ini: which package folder serves which Windows edition and word size.\r\n"
                    "[Dir]\r\n" + "".join(f"{tag} = {tag}\r\n" for tag in TAG_BITS))


def sample_package(sample: Path, bits: int) -> Path:
    """The sample's driver package for a word size: <sample>/x86 or <sample>/amd64
    (zavcir.inf and the files it names)."""
    return sample / ("amd64" if bits == 64 else "x86")


def fill_package_folder(folder: Path, bits: int, inf: bytes | None = None, sample: Path = SAMPLE_DIR,
                        whole: bool = False) -> None:
    """Puts the sample's zavcir.inf of that word size (or inf, when given) into
    folder, with the DPInst stand-in of that word size; whole: the package's other
    files (zavcir.sys, zavcir.cat) too."""
    folder.mkdir(parents=True, exist_ok=True)
    package = sample_package(sample, bits)
    for source in sorted(package.iterdir()) if whole else []:
        if source.is_file() and source.name != "zavcir.inf":
            shutil.copyfile(source, folder / source.name)
    (folder / "zavcir.inf").write_bytes(inf if inf is not None else (package / "zavcir.inf").read_bytes())
    shutil.copyfile(tool(f"dpinst{bits}.exe"), folder / "DPInst.exe")


def tool(name: str, build: Path | None = None) -> Path:
    """A built program of the target's build (or of build): 'Setup.exe' or one
    of <build>/tests/."""
    build = build or target().build
    path = build / name if name == "Setup.exe" else build / "tests" / name
    if not path.is_file():
        preset = build.name
        raise FileNotFoundError(
            f"{path} is missing: build it with `cmake --preset {preset} && cmake --build --preset {preset}`")
    return path


@contextlib.contextmanager
def _file_lock(path: Path):
    path.parent.mkdir(parents=True, exist_ok=True)
    with open(path, "w") as handle:
        fcntl.flock(handle, fcntl.LOCK_EX)
        try:
            yield
        finally:
            fcntl.flock(handle, fcntl.LOCK_UN)


try:  # under pytest, a test that meets it is skipped, wherever it makes its prefix
    import pytest
    _CannotRunBase = pytest.skip.Exception
except ImportError:  # pragma: no cover - the demo and the benchmark without pytest
    _CannotRunBase = RuntimeError


class WineCannotRun(_CannotRunBase):
    """This machine's Wine cannot run what a test needs (a 32-bit program or
    prefix). Under pytest it is pytest's skip exception, so that a test (or a
    fixture of any scope) that meets it is skipped with the reason."""


def _version_of(loader: str) -> subprocess.CompletedProcess:
    return subprocess.run([loader, "--version"], capture_output=True, text=True, env=base_env(),
                          stdin=subprocess.DEVNULL, check=False)


@functools.lru_cache(maxsize=None)
def why_32bit_cannot_run() -> str | None:
    """Why this machine's Wine cannot run 32-bit Windows programs, or None.

    Wine's 32-bit side is a 32-bit x86 Linux program: a kernel built or booted
    without IA32 emulation refuses it with "Exec format error" (exit status 126
    from the wine wrapper). Only that is excused: a Wine that is missing or
    broken otherwise fails the tests, so that a missing install step shows."""
    result = _version_of(WINE)
    if result.returncode == 126 and "Exec format error" in result.stderr:
        return ("this machine's kernel cannot run 32-bit x86 programs (no IA32 emulation), so Wine "
                "cannot start 32-bit Windows programs: " + result.stderr.strip())
    return None


@dataclass(frozen=True)
class Target:
    """What the end-to-end tests run under Wine, and with which loader."""

    bits: int  # 32: the shipped program; 64: the 64-bit test build
    build: Path
    loader: str
    why_64: str | None = None  # why the 32-bit program is not run (in full)
    short_why: str | None = None  # the same in a few words

    @property
    def label(self) -> str:
        return "the 32-bit program" if self.bits == 32 else "the 64-bit test build"

    def env(self) -> dict[str, str]:
        """What every Wine process of this target adds to base_env(): the 64-bit
        loader names itself for the processes it starts (as the wrapper does
        where the 32-bit side is missing)."""
        return {} if self.bits == 32 else {"WINELOADER": self.loader}


@functools.lru_cache(maxsize=None)
def target() -> Target:
    """The shipped 32-bit program where Wine runs it; else the 64-bit test build."""
    if os.environ.get(WITHOUT_32BIT_VARIABLE) == "1":
        why = f"{WITHOUT_32BIT_VARIABLE}=1 makes the tests run as where 32-bit programs cannot run"
        short = f"not run with {WITHOUT_32BIT_VARIABLE}=1"
    else:
        why = why_32bit_cannot_run()
        short = "which this machine's Wine cannot run"
    if why is None:
        return Target(32, WIN32_BUILD, WINE)
    return Target(64, WIN64_BUILD, WINE64, why, short)


def require_32bit(subject: str) -> None:
    """Raises WineCannotRun where the 32-bit program is not run: for a test whose
    subject (said in a few words) is the 32-bit program itself."""
    if target().bits == 64:
        raise WineCannotRun(f"needs the 32-bit program ({subject}), {target().short_why}")


def wine_version() -> str:
    """What the target's loader says of its version ("wine-8.0")."""
    result = _version_of(target().loader)
    if result.returncode != 0:
        raise RuntimeError(f"{target().loader} --version failed ({result.returncode}): {result.stderr.strip()}")
    return result.stdout.strip()


def _kill_server(prefix: Path, env: dict[str, str]) -> None:
    subprocess.run(["wineserver", "-k"], env={**env, "WINEPREFIX": str(prefix)},
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   timeout=60, check=False)


def template_dir(arch: str) -> Path:
    """Where the template of arch '64' or '32' lies: one per loader, since where
    Wine's 32-bit side cannot run a prefix's 32-bit half stays incomplete."""
    loader = target().loader
    return TEMPLATE_ROOT / (f"win{arch}" if loader == WINE else f"win{arch}-{Path(loader).name}")


def template(arch: str) -> Path:
    """The idle template prefix for arch '64' or '32', made on first use.

    Safe when several test processes ask at once: one makes it, the others wait."""
    assert arch in ("64", "32")
    final = template_dir(arch)
    stamp = final / ".zavcir-template"
    loader = target().loader
    expected = f"{TEMPLATE_RECIPE} {wine_version()} {loader}\n"
    with _file_lock(TEMPLATE_ROOT / f".lock-{final.name}"):
        if stamp.is_file() and stamp.read_text() == expected and (final / "system.reg").is_file():
            return final
        if final.exists():
            shutil.rmtree(final)
        env = {**base_env(), **target().env(), "WINEPREFIX": str(final), "WINEARCH": f"win{arch}"}
        try:
            quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            subprocess.run([loader, "wineboot", "-i"], env=env, timeout=300, check=True, **quiet)
            subprocess.run([loader, "reg", "add", r"HKCU\Software\Wine\Drivers", "/v", "Graphics",
                            "/d", "null", "/f"], env=env, timeout=120, check=True, **quiet)
            # The server ends with its last process; wait for that, so that the
            # registry files are complete and nothing is being written.
            subprocess.run(["wineserver", "-w"], env=env, timeout=300, check=True, **quiet)
        except BaseException:
            _kill_server(final, env)
            shutil.rmtree(final, ignore_errors=True)
            raise
        stamp.write_text(expected)
        return final


def _clone(source: Path, dest: Path) -> None:
    """Copies a template: the DLL folders as hard links, everything else as copies."""
    subprocess.run(["cp", "-a", "--link", "--no-target-directory", str(source), str(dest)], check=True)
    linked = tuple(str(dest / d) + os.sep for d in LINKED_DIRS)
    for root, dirs, files in os.walk(dest):
        if (root + os.sep).startswith(linked):
            dirs[:] = []
            continue
        dirs[:] = [d for d in dirs if not (os.path.join(root, d) + os.sep).startswith(linked)]
        for name in files:
            path = os.path.join(root, name)
            if not os.path.islink(path) and os.stat(path).st_nlink > 1:
                # Break the link: a private copy, renamed over it.
                tmp = path + ".zavcir-copy"
                shutil.copy2(path, tmp)
                os.replace(tmp, path)


def japanese_locale_env() -> dict[str, str]:
    """Environment for code page 932, with the ja_JP.UTF-8 locale made privately."""
    target = LOCALE_ROOT / "ja_JP.UTF-8"
    with _file_lock(LOCALE_ROOT / ".lock"):
        if not (target / "LC_CTYPE").exists():
            subprocess.run(["localedef", "-i", "ja_JP", "-f", "UTF-8", str(target)],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False, timeout=120)
            if not (target / "LC_CTYPE").exists():
                raise RuntimeError("localedef could not make ja_JP.UTF-8 (package 'locales' missing?)")
    return {"LOCPATH": str(LOCALE_ROOT), "LANG": "ja_JP.UTF-8", "LC_ALL": "ja_JP.UTF-8"}


_ROOT_KEYS = {"HKLM": "HKEY_LOCAL_MACHINE", "HKCU": "HKEY_CURRENT_USER", "HKCR": "HKEY_CLASSES_ROOT",
              "HKU": "HKEY_USERS"}


def _long_key(key: str) -> str:
    """A key path with its root written out, as reg.exe prints it."""
    root, sep, rest = key.partition("\\")
    return _ROOT_KEYS.get(root.upper(), root) + sep + rest


_LOADED = re.compile(r'^([0-9a-f]+):[0-9a-f]+:trace:loaddll:build_module Loaded L"(.*)" at ')


def traced_process_id(stderr: str, image_suffix: str) -> str:
    """The id (as Wine's +pid traces print it) of the first process whose image
    path ends in image_suffix, from a run traced with WINEDEBUG=+pid,+loaddll."""
    for line in stderr.splitlines():
        m = _LOADED.match(line)
        if m and m.group(2).replace("\\\\", "\\").lower().endswith(image_suffix.lower()):
            return m.group(1)
    raise AssertionError(f"no process of {image_suffix} in the trace")


# The installer stand-in's event log and the file that ends its holds (its defaults).
STANDIN_EVENTS = r"C:\standin\events.log"
STANDIN_RELEASE = r"C:\standin\release"

# A support-log line: time stamp, [process id], text.
_LOG_LINE = re.compile(r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \[(\d+)\] ")

_DEBUGSTR = re.compile(r'^[0-9a-f]+:warn:debugstr:OutputDebugString[AW] "(.*)"')


def _unescape(text: str) -> str:
    """Undoes Wine's C-style escaping of debug strings."""
    return codecs.decode(text.encode("latin-1", "backslashreplace"), "unicode_escape")


@dataclass
class Result:
    """The end of one Windows program run."""

    code: int | None  # exit status (the low byte of the exit code); None on time-out
    stdout: str
    stderr: str
    timed_out: bool = False

    @property
    def debug(self) -> list[str]:
        """The trace texts passed to OutputDebugString, in order (when +debugstr was on)."""
        out = []
        for line in self.stderr.splitlines():
            m = _DEBUGSTR.match(line)
            if m:
                text = _unescape(m.group(1))
                # The support log copies its own lines to the debugger output
                # under this prefix; the program's trace lines carry none.
                if not text.startswith("ZavCirSetup: "):
                    out.append(text)
        return out

    def records(self) -> list[tuple[str, str]]:
        """The 'key=value' lines of a helper's output, in order."""
        found = []
        for line in self.stdout.splitlines():
            key, sep, value = line.rstrip("\r").partition("=")
            if sep:
                found.append((key, value))
        return found

    def values(self) -> dict[str, str]:
        """The 'key=value' lines of a helper's output (later keys win)."""
        return dict(self.records())


@dataclass
class Box:
    """A message box as boxtool read it (before pressing its OK button)."""

    caption: str
    text: str
    ok_only: bool  # exactly one button, and it is OK
    icon: bool
    exe: str

    @classmethod
    def parse(cls, result: Result) -> "Box | None":
        values = result.values()
        if values.get("found") != "1":
            return None
        unescape = lambda t: re.sub(r"\\(.)", lambda m: {"n": "\n", "r": "\r"}.get(m.group(1), m.group(1)), t)
        return cls(unescape(values.get("caption", "")), unescape(values.get("text", "")),
                   values.get("ok_only") == "1", values.get("icon") == "1", values.get("exe", ""))


class Process:
    """A Windows program started in the background; `wait()` collects it."""

    def __init__(self, popen: subprocess.Popen, out: Path, err: Path, encoding: str, timeout: float):
        self._popen, self._out, self._err = popen, out, err
        self._encoding, self._deadline = encoding, time.monotonic() + timeout
        self._result: Result | None = None

    def wait(self, timeout: float | None = None) -> Result:
        if self._result is None:
            left = self._deadline - time.monotonic() if timeout is None else timeout
            timed_out = False
            try:
                self._popen.wait(timeout=max(left, 0.1))
            except subprocess.TimeoutExpired:
                timed_out = True
                self._popen.kill()
                self._popen.wait()
            read = lambda p: p.read_bytes().decode(self._encoding, "replace") if p.exists() else ""
            self._result = Result(None if timed_out else self._popen.returncode, read(self._out),
                                  read(self._err), timed_out)
        return self._result

    def running(self) -> bool:
        return self._result is None and self._popen.poll() is None

    def output_now(self) -> str:
        """What the program has written to its standard output so far."""
        return self._out.read_bytes().decode(self._encoding, "replace") if self._out.exists() else ""


@dataclass
class Distribution:
    """A distribution folder laid out in a prefix."""

    root: str  # Windows path, e.g. C:\dist
    folders: dict[str, int] = field(default_factory=dict)  # package folder -> DPInst word size

    @property
    def setup(self) -> str:
        return self.root + "\\Setup.exe"

    def folder(self, name: str) -> str:
        return self.root + "\\" + name


_LIVE: set["WinePrefix"] = set()


@atexit.register
def _close_all() -> None:
    """Last resort: no server outlives the test process."""
    for prefix in list(_LIVE):
        prefix.close()


def remove_stale_prefixes(max_age_s: float = 7200) -> None:
    """Removes clones left by test runs that were killed (their servers first)."""
    if not PREFIX_ROOT.is_dir():
        return
    for path in PREFIX_ROOT.iterdir():
        with contextlib.suppress(OSError):
            if path.is_dir() and time.time() - path.stat().st_mtime > max_age_s:
                _kill_server(path, base_env())
                shutil.rmtree(path, ignore_errors=True)


class WinePrefix:
    """One test's private prefix with its own persistent wine server."""

    def __init__(self, path: Path, arch: str, env: dict[str, str]):
        self.path, self.arch = path, arch
        self.env = {**env, "WINEPREFIX": str(path)}
        japanese = env.get("LC_ALL", "").startswith("ja_JP")
        # ANSI code page (programs' own output, files) and OEM code page (reg.exe's output).
        self.encoding = "cp932" if japanese else "cp1252"
        self.oem_encoding = "cp932" if japanese else "cp437"
        self._runs = 0
        self._procs: list[Process] = []

    # ---- life cycle ---------------------------------------------------------

    @classmethod
    def create(cls, arch: str = "64", extra_env: dict[str, str] | None = None) -> "WinePrefix":
        """Clones the template of arch '64' or '32' and starts the prefix's server.
        WineCannotRun for a 32-bit prefix where the 32-bit program is not run."""
        if arch == "32":
            require_32bit("a 32-bit prefix")
        source = template(arch)
        PREFIX_ROOT.mkdir(parents=True, exist_ok=True)
        path = Path(tempfile.mkdtemp(prefix=f"w{arch}-", dir=PREFIX_ROOT))
        path.rmdir()
        prefix = cls(path, arch, {**base_env(), **target().env(), **(extra_env or {})})
        _LIVE.add(prefix)
        try:
            _clone(source, path)
            prefix._run_quiet(["wineserver", "-p"], timeout=60)
            # The first process starts the prefix's services; they inherit its
            # handles, so it gets none that anybody waits on.
            prefix._run_quiet([target().loader, "cmd", "/c", "exit"], timeout=120)
        except BaseException:
            prefix.close()
            raise
        return prefix

    def close(self) -> None:
        """Ends every process of the prefix and its server, and removes it."""
        for proc in self._procs:
            if proc.running():
                with contextlib.suppress(ProcessLookupError):
                    proc._popen.send_signal(signal.SIGKILL)
        if self.path.exists():
            _kill_server(self.path, self.env)
            shutil.rmtree(self.path, ignore_errors=True)
        _LIVE.discard(self)

    def _run_quiet(self, argv: list[str], timeout: float) -> None:
        subprocess.run(argv, env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=timeout, check=True)

    # ---- running programs ---------------------------------------------------

    def start(self, program: str | Path, *args: str, timeout: float = 60, debugstr: bool = False,
              env: dict[str, str] | None = None, cwd: Path | None = None,
              encoding: str | None = None) -> Process:
        """Starts `wine program args...` (a Windows path, or a Unix path of an .exe)."""
        self._runs += 1
        out = self.path / f".run{self._runs}.out"
        err = self.path / f".run{self._runs}.err"
        run_env = {**self.env, **(env or {})}
        if debugstr:
            run_env["WINEDEBUG"] = "-all,+debugstr"
        with open(out, "wb") as o, open(err, "wb") as e:
            popen = subprocess.Popen([target().loader, str(program), *args], env=run_env, stdin=subprocess.DEVNULL,
                                     stdout=o, stderr=e, cwd=cwd or self.path / "drive_c")
        proc = Process(popen, out, err, encoding or self.encoding, timeout)
        self._procs.append(proc)
        return proc

    def run(self, program: str | Path, *args: str, **kwargs) -> Result:
        """Runs a program to its end (or its time-out) and returns what it left."""
        return self.start(program, *args, **kwargs).wait()

    def run_with_boxes(self, program: str | Path, *args: str, timeout: float = 30,
                       **kwargs) -> tuple[Result, list[Box]]:
        """Runs a program to its end while pressing OK on each message box that a
        process of its name shows; returns its result and the boxes, in order."""
        name = str(program).replace("/", "\\").rsplit("\\", 1)[-1]
        proc = self.start(program, *args, timeout=timeout, **kwargs)
        boxes = []
        deadline = time.monotonic() + timeout
        while proc.running() and time.monotonic() < deadline:
            box = Box.parse(self.boxtool("--timeout", "300", "--exe", name, timeout=30))
            if box:
                boxes.append(box)
        return proc.wait(), boxes

    def boxtool(self, *args: str, timeout: float = 30) -> Result:
        """Runs boxtool (see tests/standins/boxtool.cpp) to its end."""
        return self.run(tool("boxtool.exe"), *args, timeout=timeout)

    def wndtool(self, exe: str, *actions: str, timeout: float = 30) -> Result:
        """Runs wndtool (see tests/standins/wndtool.cpp) on the process named exe."""
        return self.run(tool("wndtool.exe"), exe, *actions, timeout=timeout)

    def exit_code(self, command_line: str, timeout: float = 30,
                  env: dict[str, str] | None = None) -> int | None:
        """The full 32-bit exit code of a Windows command line (passed unchanged), or
        None when it could not be started."""
        env = {**(env or {}), "ZAVCIR_RUNEXIT_COMMAND": command_line}
        values = self.run(tool("runexit.exe"), timeout=timeout, env=env).values()
        return int(values["exit"], 16) if "exit" in values else None

    def logged_machine(self) -> str:
        """What the support log's Windows line says of the program's word size and
        of the machine: Wine 8's IsWow64Process2 names the prefix's machine (as
        Windows does), whatever Windows version the prefix reports."""
        if target().bits == 64:
            return "64-bit process (the test build), native machine AMD64 (0x8664)"
        if self.arch == "64":
            return "WOW64 yes, native machine AMD64 (0x8664)"
        return "WOW64 no, native machine x86 (0x014C)"

    # ---- configuration ------------------------------------------------------

    def set_version(self, name: str) -> None:
        """The Windows version that the next processes see (winxp, win7, win2k, ...)."""
        self.reg_add(r"HKCU\Software\Wine", "Version", name, view=None)

    def show_on(self, display: str) -> None:
        """Makes the prefix's windows appear on an X display (Wine's x11 driver
        instead of the null one): the server starts anew for it."""
        self.reg_add(r"HKCU\Software\Wine\Drivers", "Graphics", "x11", view=None)
        self.env["DISPLAY"] = display
        self.power_cut()

    def set_device(self, present: bool) -> None:
        r"""Makes \\.\ZavCirIndexIoInterface openable (a link to /dev/null) or absent."""
        link = self.path / "dosdevices" / DEVICE_LINK
        if link.is_symlink() or link.exists():
            link.unlink()
        if present:
            link.symlink_to("/dev/null")

    # ---- registry -----------------------------------------------------------

    def _view(self, view: int | None) -> list[str]:
        return [] if view is None else [f"/reg:{view}"]

    def _reg(self, *args: str, check: bool = True) -> Result:
        result = self.start("reg", *args, timeout=60, encoding=self.oem_encoding).wait()
        if check and result.code != 0:
            raise RuntimeError(f"reg {' '.join(args)} failed: {result.code} {result.stdout} {result.stderr}")
        return result

    def reg_add(self, key: str, name: str | None, data: str | int = "", kind: str = "REG_SZ",
                view: int | None = 64) -> None:
        """Writes one value (name None: the default value) in the 64- or 32-bit view."""
        args = ["add", key, *(["/ve"] if name is None else ["/v", name]), "/t", kind]
        args += ["/d", str(data), "/f", *self._view(view)]
        self._reg(*args)

    def reg_add_key(self, key: str, view: int | None = 64) -> None:
        self._reg("add", key, "/f", *self._view(view))

    def reg_delete(self, key: str, view: int | None = 64) -> None:
        self._reg("delete", key, "/f", *self._view(view), check=False)

    def reg_values(self, key: str, view: int | None = 64) -> dict[str, str] | None:
        """The values of one key as texts (REG_DWORD as 0x...), or None when it is missing."""
        result = self._reg("query", key, *self._view(view), check=False)
        if result.code != 0:
            return None
        values, inside = {}, False
        for line in result.stdout.splitlines():
            line = line.rstrip("\r")
            if not line.strip():
                continue
            if not line.startswith(" "):
                inside = line.strip().lower() == _long_key(key).lower()
                continue
            m = re.match(r"^ {4}(.*?) {4}(REG_[A-Z_]+)(?: {4}(.*))?$", line)
            if inside and m:
                values["" if m.group(1) == "(Default)" else m.group(1)] = m.group(3) or ""
        return values

    def reg_subkeys(self, key: str, view: int | None = 64) -> list[str]:
        """The names of a key's direct subkeys ([] when it is missing)."""
        result = self._reg("query", key, *self._view(view), check=False)
        if result.code != 0:
            return []
        prefix = _long_key(key).lower().rstrip("\\") + "\\"
        names = []
        for line in result.stdout.splitlines():
            line = line.strip()
            if line.lower().startswith(prefix) and "\\" not in line[len(prefix):]:
                names.append(line[len(prefix):])
        return names

    def uninstall_entries(self, view: int | None = None) -> dict[str, dict[str, str]]:
        """The Uninstall subkeys that name zavcir.inf, by key name, with their values.

        view None: the one the setup program uses (64 on a 64-bit prefix)."""
        view = view or (64 if self.arch == "64" else 32)
        entries = {}
        for name in self.reg_subkeys(UNINSTALL_KEY, view):
            values = self.reg_values(UNINSTALL_KEY + "\\" + name, view) or {}
            if "zavcir.inf" in values.get("UninstallString", "").lower():
                entries[name] = values
        return entries

    # ---- files ----------------------------------------------------------------

    def map_drive(self, letter: str, folder: Path) -> None:
        """Makes a drive letter (other than C) name a Unix folder, as a CD or a
        USB stick would appear."""
        assert len(letter) == 1 and letter.lower() in "defghijklmnopqrstuvwxy", letter
        link = self.path / "dosdevices" / f"{letter.lower()}:"
        if link.is_symlink() or link.exists():
            link.unlink()
        link.symlink_to(folder)

    def unix_path(self, windows_path: str) -> Path:
        r"""The Unix path of a C:\ path (or of a drive that map_drive made),
        matching existing names without regard to case."""
        drive, _, rest = windows_path.partition(":")
        mapped = self.path / "dosdevices" / f"{drive.lower()}:"
        if drive.lower() == "c":
            path = self.path / "drive_c"
        elif len(drive) == 1 and mapped.is_symlink():
            path = mapped
        else:
            raise ValueError(f"only C: and mapped drives' paths are mapped: {windows_path}")
        for part in [p for p in rest.split("\\") if p]:
            match = None
            if path.is_dir():
                match = next((e for e in os.listdir(path) if e.lower() == part.lower()), None)
            path = path / (match or part)
        return path

    def system32(self) -> Path:
        """The Unix path of the real (native word size) System32."""
        return self.path / "drive_c" / "windows" / "system32"

    def store_folders(self) -> list[str]:
        """Names of the package's folders in the driver store (Vista+ and XP layouts)."""
        found = []
        for sub in ("DriverStore/FileRepository", "DRVSTORE"):
            base = self.system32() / sub
            if base.is_dir():
                found += sorted(p.name for p in base.iterdir() if p.name.lower().startswith("zavcir"))
        return found

    def standin_log(self) -> list[str]:
        """The command lines the installer stand-in was given, in order."""
        log = self.unix_path(r"C:\standin\commands.log")
        if not log.exists():
            return []
        return [line for line in log.read_bytes().decode(self.encoding, "replace").split("\r\n") if line]

    # ---- runs that meet, runs cut off ------------------------------------------

    def wait_until(self, condition, timeout: float = 30, what: str = "the condition") -> None:
        """Polls condition() every 20 ms until it holds; fails after timeout seconds."""
        deadline = time.monotonic() + timeout
        while not condition():
            if time.monotonic() > deadline:
                raise AssertionError(f"timed out after {timeout} s waiting for {what}")
            time.sleep(0.02)

    def support_log(self) -> list[tuple[int, str]]:
        r"""The lines of C:\windows\ZavCirSetup.log as (process id, text)."""
        log = self.unix_path(r"C:\windows\ZavCirSetup.log")
        if not log.exists():
            return []
        lines = []
        for line in log.read_bytes().decode(self.encoding, "replace").split("\r\n"):
            m = _LOG_LINE.match(line)
            if m:
                lines.append((int(m.group(1)), line[m.end():]))
        return lines

    def setup_pids(self) -> list[int]:
        """The process ids of the Setup.exe runs in the support log, in order of start."""
        return [pid for pid, text in self.support_log() if text.startswith("==== Setup ")]

    def standin_events(self) -> list[tuple[str, int, str]]:
        """The installer stand-in's event log as (kind, process id, rest): "begin"
        (rest: the command line), "hold" (the point), "end" (the exit code)."""
        log = self.unix_path(STANDIN_EVENTS)
        if not log.exists():
            return []
        events = []
        for line in log.read_bytes().decode(self.encoding, "replace").split("\r\n"):
            kind, _, rest = line.partition(" ")
            pid, _, rest = rest.partition(" ")
            if kind and pid.isdigit():
                events.append((kind, int(pid), rest))
        return events

    def release_standin(self) -> None:
        """Ends every hold of the stand-in, now and later: creates its release file."""
        self.unix_path(STANDIN_RELEASE).parent.mkdir(parents=True, exist_ok=True)
        self.unix_path(STANDIN_RELEASE).write_bytes(b"")

    def kill(self, pid: int, exit_code: int | None = None) -> None:
        """Ends one Windows process as Task Manager or a deployment tool does
        (TerminateProcess, through `taskkill /F /PID`, which gives it exit code 0
        under Wine; or through killtool with exit_code, as Task Manager's 1); the
        programs it started live on."""
        if exit_code is not None:
            result = self.run(tool("killtool.exe"), str(pid), str(exit_code), timeout=30)
        else:
            result = self.run("taskkill", "/F", "/PID", str(pid), timeout=30, encoding=self.oem_encoding)
        if result.code != 0:
            raise RuntimeError(f"taskkill {pid} failed: {result.code} {result.stdout} {result.stderr}")

    def power_cut(self) -> None:
        """Ends every process of the prefix at once (`wineserver -k`, the power-loss
        case), then starts the server again, so that the next run finds the machine
        as it was left. Wine's server writes the registry out as it ends."""
        _kill_server(self.path, self.env)
        for proc in self._procs:
            proc.wait(timeout=30)
        self._run_quiet(["wineserver", "-p"], timeout=60)
        self._run_quiet([target().loader, "cmd", "/c", "exit"], timeout=120)

    def make_dist(self, root: str = r"C:\dist", ini: str | bytes | bool | None = None,
                  folders: dict[str, int] | None = None, inf: bytes | None = None,
                  sample: Path = SAMPLE_DIR, setup: Path | bool | None = None) -> Distribution:
        r"""Lays out a distribution folder.

        ini: the Setup.ini text (default: SAMPLE_SETUP_INI, a folder named like each tag;
        False: none). folders: package folder -> word size of the DPInst stand-in to put
        there (default: the six tags, each with the stand-in of its word size). Each folder
        gets the zavcir.inf of the sample package of its word size (sample/x86 or
        sample/amd64, or the same in sample=SAMPLE_DIR / "v2"), or inf: the zavcir.inf
        bytes for every folder. The package's other files are left out (the stand-in
        installer does not need them). setup: the Setup.exe to copy (default: the build's;
        False: none). Text is written in the prefix's ANSI code page."""
        base = self.unix_path(root)
        base.mkdir(parents=True, exist_ok=True)
        if setup is not False:
            shutil.copyfile(setup or tool("Setup.exe"), base / "Setup.exe")
        if ini is None:
            ini = SAMPLE_SETUP_INI
        if ini is not False:
            data = ini if isinstance(ini, bytes) else ini.encode(self.encoding)
            (base / "Setup.ini").write_bytes(data)
        if folders is None:
            folders = {tag: bits for tag, bits in TAG_BITS.items() if sample_package(sample, bits).is_dir()}
        for name, bits in folders.items():
            fill_package_folder(self.unix_path(root + "\\" + name), bits, inf, sample)
        return Distribution(root, dict(folders))


if __name__ == "__main__":
    # For the shell scripts: "<32 or 64> <why the 64-bit test build runs, or nothing>".
    print(target().bits, target().why_64 or "")
