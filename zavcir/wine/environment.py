"""The environment of every Wine process, the private Japanese locale, and the
file lock that lets parallel test processes share what is made once."""

from __future__ import annotations

import contextlib
import fcntl
import os
import subprocess
from pathlib import Path

from zavcir.paths import BUILD_ROOT

LOCALE_ROOT = BUILD_ROOT / "locales"


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


@contextlib.contextmanager
def file_lock(path: Path):
    """Holds an exclusive lock on path (made when missing) while the block runs."""
    path.parent.mkdir(parents=True, exist_ok=True)
    with open(path, "w") as handle:
        fcntl.flock(handle, fcntl.LOCK_EX)
        try:
            yield
        finally:
            fcntl.flock(handle, fcntl.LOCK_UN)


def japanese_locale_env() -> dict[str, str]:
    """Environment for code page 932, with the ja_JP.UTF-8 locale made privately."""
    target = LOCALE_ROOT / "ja_JP.UTF-8"
    with file_lock(LOCALE_ROOT / ".lock"):
        if not (target / "LC_CTYPE").exists():
            subprocess.run(["localedef", "-i", "ja_JP", "-f", "UTF-8", str(target)],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False, timeout=120)
            if not (target / "LC_CTYPE").exists():
                raise RuntimeError("localedef could not make ja_JP.UTF-8 (package 'locales' missing?)")
    return {"LOCPATH": str(LOCALE_ROOT), "LANG": "ja_JP.UTF-8", "LC_ALL": "ja_JP.UTF-8"}
