"""Reproducible builds: the win32 preset's own build in the work tree, and the
same source tree copied to another folder of another name and path length,
with other file times, and built there later, give byte-identical Setup.exe
and zavcir-distcheck.exe. Costs one Windows build of the two (a minute or
so); the preset's own is brought up to date first (nothing to do after
scripts/test.sh).
"""

import hashlib
import os
import shutil
import subprocess
import time

import pytest

from release_support import REPO
from zavcir.builds import preset_build

TARGETS = ("Setup.exe", "zavcir-distcheck.exe")


def source_files():
    """The files of the work tree that a commit would hold: tracked and
    untracked, without what .gitignore leaves out (build folders and so on)."""
    out = subprocess.run(["git", "ls-files", "-z", "--cached", "--others", "--exclude-standard"],
                         cwd=REPO, capture_output=True, check=True, timeout=60).stdout
    return [name for name in out.decode().split("\0") if name and (REPO / name).is_file()]


def build(source, build_dir):
    env = {k: v for k, v in os.environ.items() if k not in ("SOURCE_DATE_EPOCH", "CFLAGS", "CXXFLAGS",
                                                             "LDFLAGS")}
    subprocess.run(["cmake", "-S", source, "-B", build_dir, "-G", "Ninja",
                    f"-DCMAKE_TOOLCHAIN_FILE={source}/cmake/mingw-i686.cmake",
                    "-DCMAKE_BUILD_TYPE=MinSizeRel"],
                   check=True, capture_output=True, env=env, timeout=300)
    result = subprocess.run(["cmake", "--build", build_dir, "--target", "Setup", "zavcir-distcheck"],
                            capture_output=True, text=True, env=env, timeout=900)
    assert result.returncode == 0, result.stdout[-4000:] + result.stderr[-4000:]


def digest(path):
    return hashlib.sha256(path.read_bytes()).hexdigest()


def first_difference(a, b):
    x, y = a.read_bytes(), b.read_bytes()
    if len(x) != len(y):
        return f"sizes {len(x)} and {len(y)}"
    at = next(i for i in range(len(x)) if x[i] != y[i])
    return f"first difference at offset {at:#x}: {x[at:at + 16].hex()} / {y[at:at + 16].hex()}"


@pytest.mark.slow
def test_two_builds_in_two_folders_are_identical(tmp_path):
    own = preset_build("win32")
    if not (own / "build.ninja").is_file():
        pytest.fail(f"{own} is missing: `cmake --preset win32 && cmake --build --preset win32`")
    result = subprocess.run(["cmake", "--build", own, "--target", "Setup", "zavcir-distcheck"],
                            capture_output=True, text=True, timeout=900)
    assert result.returncode == 0, result.stdout[-4000:] + result.stderr[-4000:]
    # Another folder of another name and length, with file times in the past
    # (ninja dislikes future ones), built at least a second later.
    tree = tmp_path / "second-checkout-with-a-longer-path" / "zavcir-setup"
    stamp = time.time() - 30 * 86400
    for name in source_files():
        (tree / name).parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(REPO / name, tree / name)
        os.utime(tree / name, (stamp, stamp))
    time.sleep(1.1)
    other = tree.parent / "build"
    build(tree, other)
    for name in TARGETS:
        a, b = own / name, other / name
        assert digest(a) == digest(b), f"{name} differs: {first_difference(a, b)}"
