"""What a Windows program run under Wine left: its `Result`, a `Process` still
running in the background, and a message box (`Box`) as boxtool read it.

Windows programs are run with files (never pipes) for their output: the
services that the first process on a server starts inherit its handles.
"""

from __future__ import annotations

import contextlib
import re
import signal
import subprocess
import time
from dataclasses import dataclass
from pathlib import Path

from zavcir.wine.traces import debug_strings

# The prefix under which the support log copies its own lines to the debugger output.
SUPPORT_LOG_DEBUG_PREFIX = "ZavCirSetup: "


@dataclass
class Result:
    """The end of one Windows program run."""

    code: int | None  # exit status (the low byte of the exit code); None on time-out
    stdout: str
    stderr: str
    timed_out: bool = False

    @property
    def debug(self) -> list[str]:
        """The trace texts passed to OutputDebugString, in order (when +debugstr
        was on); the support log's own copies, which the program's trace lines
        never look like, left out."""
        return [text for text in debug_strings(self.stderr) if not text.startswith(SUPPORT_LOG_DEBUG_PREFIX)]

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
            self._result = Result(None if timed_out else self._popen.returncode, self._read(self._out),
                                  self._read(self._err), timed_out)
        return self._result

    def running(self) -> bool:
        return self._result is None and self._popen.poll() is None

    def output_now(self) -> str:
        """What the program has written to its standard output so far."""
        return self._read(self._out)

    def kill_now(self) -> None:
        """Ends the Unix process of a program still running (SIGKILL)."""
        if self.running():
            with contextlib.suppress(ProcessLookupError):
                self._popen.send_signal(signal.SIGKILL)

    def _read(self, path: Path) -> str:
        return path.read_bytes().decode(self._encoding, "replace") if path.exists() else ""
