"""The harness itself: the summary of what the end-to-end tests ran against,
and SETUP_TESTS_WITHOUT_32BIT=1, which makes any machine run the 64-bit test
build as a machine that cannot run 32-bit programs does."""

import os
import subprocess
import sys

import pytest

from zavcir.paths import REPO
from zavcir.wine import WITHOUT_32BIT_VARIABLE, WineCannotRun, end_to_end

HEAD = "end-to-end: {} against the 32-bit program, {} against the 64-bit test build, {} skipped"

SUMMARIES = [
    ("nothing", {}, None, [HEAD.format(0, 0, 0)]),
    ("32-bit, one skip", {"b.py::t[2]": (32, None), "a.py::t": (32, None), "a.py::u": (32, "Wine cannot")},
     None, [HEAD.format(2, 0, 1), "  skipped a.py::u: Wine cannot"]),
    ("64-bit, skips in node id order", {"z.py::t": (64, "needs 32"), "y.py::t": (64, None),
                                        "a.py::t": (64, "needs 32 too")},
     "no IA32", [HEAD.format(0, 1, 2), "  (the 64-bit test build runs because no IA32)",
                 "  skipped a.py::t: needs 32 too", "  skipped z.py::t: needs 32"]),
]


@pytest.mark.parametrize("seen,why,expected", [s[1:] for s in SUMMARIES], ids=[s[0] for s in SUMMARIES])
def test_summary_counts_each_test_by_what_it_ran_against(seen, why, expected):
    assert end_to_end.summary_lines(seen, why) == expected


@pytest.mark.parametrize("longrepr,reason", [
    (("f.py", 3, "Skipped: deep folder"), "deep folder"),
    (("w.py", 9, f"{WineCannotRun.__module__}.WineCannotRun: needs the 32-bit program (x)"),
     "needs the 32-bit program (x)"),
    ("plain text", "plain text"),
])
def test_skip_reason_is_the_text_after_pytest_s_own_prefix(longrepr, reason):
    assert end_to_end.skip_reason(longrepr) == reason


SUPPORT_LOG = "tests/wine/test_support_log.py::test_the_log_names_the_version_and_the_machine_that_run"
SELECTED = [f"{SUPPORT_LOG}[win7-64bit]", f"{SUPPORT_LOG}[win7-32bit]",
            "tests/wine/test_standins.py::test_the_32_bit_installer_refuses_64_bit_windows",
            "tests/wine/test_harness.py::test_summary_counts_each_test_by_what_it_ran_against[nothing]"]


def test_without_32bit_the_64_bit_build_runs_and_what_needs_the_32_bit_one_is_skipped(tmp_path):
    """A test that the 64-bit test build can run does; a 32-bit prefix and a
    test marked program32 are skipped, each with its reason; a test that runs
    no Windows program is no end-to-end test."""
    env = {k: v for k, v in os.environ.items() if not k.startswith("PYTEST_")}
    env.update({WITHOUT_32BIT_VARIABLE: "1", "ZAVCIR_TEST_RESULTS": str(tmp_path)})
    result = subprocess.run([sys.executable, "-m", "pytest", "-q", "-p", "no:cacheprovider", *SELECTED],
                            cwd=REPO, env=env, capture_output=True, text=True, timeout=600)
    assert result.returncode == 0, result.stdout[-4000:] + result.stderr[-2000:]
    assert "2 passed, 2 skipped" in result.stdout
    why = f"{WITHOUT_32BIT_VARIABLE}=1 makes the tests run as where 32-bit programs cannot run"
    not_run = f"not run with {WITHOUT_32BIT_VARIABLE}=1"
    assert (tmp_path / "end-to-end.txt").read_text().splitlines() == [
        HEAD.format(0, 1, 2),
        f"  (the 64-bit test build runs because {why})",
        f"  skipped {SELECTED[2]}: needs the 32-bit program (the 32-bit installer stand-in), {not_run}",
        f"  skipped {SELECTED[1]}: needs the 32-bit program (a 32-bit prefix), {not_run}",
    ]
