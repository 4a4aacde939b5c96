"""What every test under tests/ shares: which tests are end-to-end, what they
ran against, and the summary that says so.

A test is end-to-end when it uses a fixture that makes a Wine prefix
(END_TO_END_FIXTURES, directly or through another fixture). It runs against
`wineprefix.target()`: the shipped 32-bit program, or where Wine cannot run
32-bit programs (or with SETUP_TESTS_WITHOUT_32BIT=1) the 64-bit test build.

    @pytest.mark.program32("what of the 32-bit program it shows")
        the test's subject is the 32-bit program itself: it is skipped, with
        that subject and the reason, where the 64-bit test build runs

The summary line "end-to-end: N against the 32-bit program, M against the
64-bit test build, K skipped" and each skipped test with its reason end the
terminal report, and are written to build/test-results/end-to-end.txt, which
scripts/test.sh prints last.
"""

import sys
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).resolve().parent / "wine"))

import wineprefix  # noqa: E402

# The fixtures that make a prefix; a test that uses one (or a fixture that uses
# one) is end-to-end.
END_TO_END_FIXTURES = {"make_prefix", "wine", "real_corpus"}
PROPERTY = "end-to-end"
SUMMARY = wineprefix.BUILD_ROOT / "test-results" / "end-to-end.txt"


# Node id -> (the word size it ran against, the skip reason or None), in the
# process where the reports arrive (the controlling one under xdist).
_SEEN: dict[str, tuple[int, str | None]] = {}


def pytest_configure(config):
    config.addinivalue_line(
        "markers", "program32(subject): the test's subject is the 32-bit program itself; "
        "skipped where the 64-bit test build runs instead")


def _is_end_to_end(item) -> bool:
    return bool(END_TO_END_FIXTURES.intersection(getattr(item, "fixturenames", ())))


@pytest.hookimpl(tryfirst=True)
def pytest_runtest_setup(item):
    if not _is_end_to_end(item):
        return
    item.user_properties.append((PROPERTY, wineprefix.target().bits))
    marker = item.get_closest_marker("program32")
    if marker:
        wineprefix.require_32bit(marker.args[0])


def _skip_reason(report) -> str:
    longrepr = report.longrepr
    reason = longrepr[2] if isinstance(longrepr, tuple) else str(longrepr)
    for prefix in ("Skipped: ", "wineprefix.WineCannotRun: "):
        reason = reason.removeprefix(prefix)
    return reason


def pytest_runtest_logreport(report):
    bits = dict(report.user_properties).get(PROPERTY)
    if bits is None or report.outcome == "rerun":
        return
    if report.skipped and report.when in ("setup", "call"):
        _SEEN[report.nodeid] = (bits, _skip_reason(report))
    elif report.when == "call" or (report.when == "setup" and report.failed):
        _SEEN[report.nodeid] = (bits, None)


def summary_lines(seen: dict) -> list[str]:
    """The summary line, then each skipped test with its reason."""
    ran = {32: 0, 64: 0}
    skipped = []
    for nodeid, (bits, reason) in sorted(seen.items()):
        if reason is None:
            ran[bits] += 1
        else:
            skipped.append(f"  skipped {nodeid}: {reason}")
    head = (f"end-to-end: {ran[32]} against the 32-bit program, {ran[64]} against the 64-bit "
            f"test build, {len(skipped)} skipped")
    return [head, *skipped]


def pytest_terminal_summary(terminalreporter, config):
    if hasattr(config, "workerinput") or not _SEEN:
        return
    lines = summary_lines(_SEEN)
    why = wineprefix.target().why_64
    if why:
        lines.insert(1, f"  (the 64-bit test build runs because {why})")
    terminalreporter.section("end-to-end tests")
    for line in lines:
        terminalreporter.write_line(line)
    SUMMARY.parent.mkdir(parents=True, exist_ok=True)
    SUMMARY.write_text("\n".join(lines) + "\n")
