"""Template prefixes and their clones.

Two template prefixes (64-bit and 32-bit) are made once under
build/wine-templates/ and reused while Wine and the recipe stay the same. Each
test works in a clone of one of them (DLL folders hard-linked, the rest copied).
"""

from __future__ import annotations

import os
import shutil
import subprocess
from pathlib import Path

from zavcir.paths import BUILD_ROOT
from zavcir.wine.environment import base_env, file_lock
from zavcir.wine.target import WINE, target, wine_version

TEMPLATE_ROOT = BUILD_ROOT / "wine-templates"
# Raise when the way templates are made changes: old templates are then remade.
TEMPLATE_RECIPE = "3"
# Folders of a prefix that hold only Wine's own DLLs and programs: hard-linked
# into clones. Files there must never be rewritten in place by a test.
LINKED_DIRS = ("drive_c/windows/system32", "drive_c/windows/syswow64")


def kill_server(prefix: Path, env: dict[str, str]) -> None:
    """Ends the wine server of a prefix and every process of it."""
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
    with file_lock(TEMPLATE_ROOT / f".lock-{final.name}"):
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
            kill_server(final, env)
            shutil.rmtree(final, ignore_errors=True)
            raise
        stamp.write_text(expected)
        return final


def clone(source: Path, dest: Path) -> None:
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
