"""Runs that meet and runs cut off: waiting for a state, ending one Windows
process as Task Manager does, and the power-loss case."""

from __future__ import annotations

import time

from zavcir.wine.target import tool
from zavcir.wine.templates import kill_server


class CutsMixin:
    """WinePrefix's calls for runs that meet or are cut off (it provides run(),
    path, env, oem_encoding, its processes and _run_quiet())."""

    def wait_until(self, condition, timeout: float = 30, what: str = "the condition") -> None:
        """Polls condition() every 20 ms until it holds; fails after timeout seconds."""
        deadline = time.monotonic() + timeout
        while not condition():
            if time.monotonic() > deadline:
                raise AssertionError(f"timed out after {timeout} s waiting for {what}")
            time.sleep(0.02)

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
        kill_server(self.path, self.env)
        for proc in self._procs:
            proc.wait(timeout=30)
        self._start_server()
