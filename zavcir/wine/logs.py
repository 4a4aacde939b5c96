"""The logs a prefix's runs leave: Setup.exe's support log and the installer
stand-in's command and event logs, and the file that ends the stand-in's holds."""

from __future__ import annotations

import re

SUPPORT_LOG = r"C:\windows\ZavCirSetup.log"
# The installer stand-in's logs and the file that ends its holds (its defaults).
STANDIN_COMMANDS = r"C:\standin\commands.log"
STANDIN_EVENTS = r"C:\standin\events.log"
STANDIN_RELEASE = r"C:\standin\release"

# A support-log line: time stamp, [process id], text.
_LOG_LINE = re.compile(r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \[(\d+)\] ")


class LogsMixin:
    """WinePrefix's log readers (it provides unix_path() and encoding)."""

    def _log_lines(self, windows_path: str) -> list[str]:
        """The CRLF-separated lines of a log in the prefix ([] when it is missing)."""
        log = self.unix_path(windows_path)
        if not log.exists():
            return []
        return log.read_bytes().decode(self.encoding, "replace").split("\r\n")

    def standin_log(self) -> list[str]:
        """The command lines the installer stand-in was given, in order."""
        return [line for line in self._log_lines(STANDIN_COMMANDS) if line]

    def support_log(self) -> list[tuple[int, str]]:
        r"""The lines of C:\windows\ZavCirSetup.log as (process id, text)."""
        lines = []
        for line in self._log_lines(SUPPORT_LOG):
            m = _LOG_LINE.match(line)
            if m:
                lines.append((int(m.group(1)), line[m.end():]))
        return lines

    def support_texts(self) -> list[str]:
        """The support log's lines without time stamp and process id."""
        return [text for _, text in self.support_log()]

    def setup_pids(self) -> list[int]:
        """The process ids of the Setup.exe runs in the support log, in order of start."""
        return [pid for pid, text in self.support_log() if text.startswith("==== Setup ")]

    def standin_events(self) -> list[tuple[str, int, str]]:
        """The installer stand-in's event log as (kind, process id, rest): "begin"
        (rest: the command line), "hold" (the point), "end" (the exit code)."""
        events = []
        for line in self._log_lines(STANDIN_EVENTS):
            kind, _, rest = line.partition(" ")
            pid, _, rest = rest.partition(" ")
            if kind and pid.isdigit():
                events.append((kind, int(pid), rest))
        return events

    def release_standin(self) -> None:
        """Ends every hold of the stand-in, now and later: creates its release file."""
        self.unix_path(STANDIN_RELEASE).parent.mkdir(parents=True, exist_ok=True)
        self.unix_path(STANDIN_RELEASE).write_bytes(b"")
