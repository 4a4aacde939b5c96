"""The built programs: Setup.exe, the checker and the test programs of the
builds that the CMake presets make (build/win32, build/win64, build/host)."""

from __future__ import annotations

import os
from pathlib import Path

from zavcir.paths import BUILD_ROOT


def preset_build(preset: str) -> Path:
    """The build folder of a CMake preset."""
    return BUILD_ROOT / preset


# The builds the tests use ($ZAVCIR_..._BUILD: another folder): the native one,
# the shipped program's, and the 64-bit test build (never shipped).
HOST_BUILD = Path(os.environ.get("ZAVCIR_HOST_BUILD", preset_build("host")))
WIN32_BUILD = Path(os.environ.get("ZAVCIR_WIN32_BUILD", preset_build("win32")))
WIN64_BUILD = Path(os.environ.get("ZAVCIR_WIN64_BUILD", preset_build("win64")))


class NotBuilt(FileNotFoundError):
    """A program that the build has not made (yet)."""


def built(name: str, build: Path) -> Path:
    """A program of a build: <build>/<name> ('Setup.exe', 'zavcir-distcheck', ...)
    or else one of <build>/tests/. NotBuilt says which preset makes it."""
    for path in (build / name, build / "tests" / name):
        if path.is_file():
            return path
    preset = build.name
    raise NotBuilt(f"{name} is missing in {build}: build it with "
                   f"`cmake --preset {preset} && cmake --build --preset {preset}`")
