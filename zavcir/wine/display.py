"""A virtual X display (Debian's xvfb) for tests that watch a program's windows
as a person would: xdotool finds windows and presses keys, ImageMagick's import
takes screenshots. The harness's prefixes show nothing (Wine's null display
driver); WinePrefix.show_on() (DisplayMixin) moves one prefix onto a display.
"""

from __future__ import annotations

import os
import shutil
import subprocess
import time
from pathlib import Path

TOOLS = {"Xvfb": "xvfb", "xdotool": "xdotool", "import": "imagemagick"}


class DisplayMixin:
    """WinePrefix.show_on (it provides reg_add(), env and power_cut())."""

    def show_on(self, display: str) -> None:
        """Makes the prefix's windows appear on an X display (Wine's x11 driver
        instead of the null one): the server starts anew for it."""
        self.reg_add(r"HKCU\Software\Wine\Drivers", "Graphics", "x11", view=None)
        self.env["DISPLAY"] = display
        self.power_cut()


def missing_tools() -> list[str]:
    """The Debian packages of the display tools this machine lacks."""
    return [package for program, package in TOOLS.items() if shutil.which(program) is None]


class VirtualDisplay:
    """An Xvfb server on a display number it picks itself; stop() ends it."""

    def __init__(self, size: str = "1024x768x24"):
        read, write = os.pipe()
        self._server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", size, "-nolisten", "tcp"],
            pass_fds=(write,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as numbers:
            number = numbers.readline().strip()
        if not number:
            self._server.kill()
            raise RuntimeError("Xvfb did not start")
        self.name = f":{number}"

    def stop(self) -> None:
        self._server.kill()
        self._server.wait()

    def _run(self, *argv: str) -> str:
        env = {**os.environ, "DISPLAY": self.name}
        return subprocess.run(argv, env=env, capture_output=True, text=True, timeout=30, check=False).stdout

    def windows(self, title: str) -> list[str]:
        """The ids of the visible windows whose title contains title."""
        return self._run("xdotool", "search", "--onlyvisible", "--name", title).split()

    def press(self, window: str, key: str) -> None:
        """Sends one key press (xdotool's name for it) to a window."""
        self._run("xdotool", "key", "--window", window, key)

    def screenshot(self, path: Path) -> bytes:
        """The whole screen as a PNG file at path; returns its bytes."""
        path.parent.mkdir(parents=True, exist_ok=True)
        self._run("import", "-window", "root", str(path))
        return path.read_bytes() if path.is_file() else b""

    def wait_for_window(self, title: str, timeout: float = 60) -> str | None:
        """The first visible window with title, or None after timeout seconds."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            found = self.windows(title)
            if found:
                return found[0]
            time.sleep(0.25)
        return None
