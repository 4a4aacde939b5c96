"""`WinePrefix`: one test's private prefix with its own persistent wine server,
and the Windows programs run in it. Each prefix is a clone of a template
(templates.py); `WinePrefix.close()` always ends its server and removes it."""

from __future__ import annotations

import atexit
import contextlib
import shutil
import subprocess
import tempfile
import time
from pathlib import Path

from zavcir.paths import BUILD_ROOT
from zavcir.wine.cuts import CutsMixin
from zavcir.wine.display import DisplayMixin
from zavcir.wine.distribution import DistributionMixin
from zavcir.wine.environment import base_env
from zavcir.wine.files import FilesMixin
from zavcir.wine.logs import LogsMixin
from zavcir.wine.registry import RegistryMixin
from zavcir.wine.results import Box, Process, Result
from zavcir.wine.services import ServicesMixin
from zavcir.wine.target import require_32bit, target, tool
from zavcir.wine.templates import clone, kill_server, template

PREFIX_ROOT = BUILD_ROOT / "wine-prefixes"

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
                kill_server(path, base_env())
                shutil.rmtree(path, ignore_errors=True)


class WinePrefix(RegistryMixin, FilesMixin, LogsMixin, CutsMixin, DistributionMixin, DisplayMixin,
                 ServicesMixin):
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
            clone(source, path)
            prefix._start_server()
        except BaseException:
            prefix.close()
            raise
        return prefix

    def _start_server(self) -> None:
        self._run_quiet(["wineserver", "-p"], timeout=60)
        # The first process starts the prefix's services; they inherit its
        # handles, so it gets none that anybody waits on.
        self._run_quiet([target().loader, "cmd", "/c", "exit"], timeout=120)

    def close(self) -> None:
        """Ends every process of the prefix and its server, and removes it."""
        for proc in self._procs:
            proc.kill_now()
        if self.path.exists():
            kill_server(self.path, self.env)
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
