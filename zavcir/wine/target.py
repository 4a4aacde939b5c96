"""Which program the end-to-end tests run under Wine, and with which loader.

What runs is `target()`: the shipped 32-bit program of build/win32, or, on a
machine whose Wine cannot run 32-bit programs (or with
SETUP_TESTS_WITHOUT_32BIT=1), the 64-bit test build of build/win64 under
wine64. A test that needs the 32-bit program itself, or a 32-bit prefix, is
skipped there with the reason (`WineCannotRun`).
"""

from __future__ import annotations

import functools
import os
import shutil
import subprocess
from dataclasses import dataclass
from pathlib import Path

from zavcir.builds import WIN32_BUILD, WIN64_BUILD, built
from zavcir.wine.environment import base_env

# Wine's loaders: the wrapper, which runs the 32-bit side first, and the 64-bit
# loader alone, which runs 64-bit Windows programs only where 32-bit x86 cannot run.
WINE = "wine"
WINE64 = "/usr/lib/wine/wine64"
# Set to 1: the harness behaves as on a machine that cannot run 32-bit programs.
WITHOUT_32BIT_VARIABLE = "SETUP_TESTS_WITHOUT_32BIT"

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


def tool(name: str, build: Path | None = None) -> Path:
    """A built program of the target's build (or of build): 'Setup.exe' or one
    of <build>/tests/."""
    return built(name, build or target().build)


def use_run_setup(folder: Path) -> None:
    """Where the end-to-end tests run the 64-bit test build, its Setup.exe
    replaces the shipped one in a distribution folder; elsewhere nothing changes."""
    if target().bits != 32:
        shutil.copyfile(tool("Setup.exe"), folder / "Setup.exe")
