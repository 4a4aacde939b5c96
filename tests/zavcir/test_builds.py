"""Finding a built program (zavcir/builds.py), and asking which program the
end-to-end tests run, as the shell scripts do (python3 -m zavcir.wine)."""

import os
import subprocess
import sys

import pytest

from zavcir.builds import NotBuilt, built
from zavcir.paths import REPO
from zavcir.wine import WITHOUT_32BIT_VARIABLE

LOOKUPS = [
    # (name, files of the build, the program asked for, where it is found)
    ("at the top", ["Setup.exe"], "Setup.exe", "Setup.exe"),
    ("a test program", ["tests/dpinst32.exe"], "dpinst32.exe", "tests/dpinst32.exe"),
    ("the top first", ["runexit.exe", "tests/runexit.exe"], "runexit.exe", "runexit.exe"),
]


@pytest.mark.parametrize("present,name,found", [c[1:] for c in LOOKUPS], ids=[c[0] for c in LOOKUPS])
def test_a_built_program_is_found_at_the_top_or_among_the_test_programs(tmp_path, present, name, found):
    build = tmp_path / "win32"
    for path in present:
        (build / path).parent.mkdir(parents=True, exist_ok=True)
        (build / path).write_bytes(b"MZ")
    assert built(name, build) == build / found


def test_a_missing_program_names_the_preset_that_builds_it(tmp_path):
    (tmp_path / "host").mkdir()
    with pytest.raises(NotBuilt) as missing:
        built("zavcir-distcheck", tmp_path / "host")
    assert str(missing.value) == (f"zavcir-distcheck is missing in {tmp_path / 'host'}: build it with "
                                  "`cmake --preset host && cmake --build --preset host`")
    assert isinstance(missing.value, FileNotFoundError)


def test_the_shell_scripts_learn_which_program_runs():
    env = {**os.environ, WITHOUT_32BIT_VARIABLE: "1"}
    result = subprocess.run([sys.executable, "-m", "zavcir.wine"], cwd=REPO, env=env, capture_output=True,
                            text=True, timeout=60)
    assert result.returncode == 0, result.stderr
    bits, why = result.stdout.rstrip("\n").split(" ", 1)
    assert (bits, why) == ("64", f"{WITHOUT_32BIT_VARIABLE}=1 makes the tests run as where 32-bit programs "
                                 "cannot run")
