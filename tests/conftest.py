"""What every test under tests/ shares: which tests are end-to-end, what they
ran against, and the summary that says so (zavcir/wine/end_to_end.py).

A test is end-to-end when it uses a fixture that makes a Wine prefix
(end_to_end.FIXTURES, directly or through another fixture). It runs against
`zavcir.wine.target()`: the shipped 32-bit program, or where Wine cannot run
32-bit programs (or with SETUP_TESTS_WITHOUT_32BIT=1) the 64-bit test build.

    @pytest.mark.program32("what of the 32-bit program it shows")
        the test's subject is the 32-bit program itself: it is skipped, with
        that subject and the reason, where the 64-bit test build runs

The summary line "end-to-end: N against the 32-bit program, M against the
64-bit test build, K skipped" and each skipped test with its reason end the
terminal report, and are written to build/test-results/end-to-end.txt, which
scripts/test.sh prints last.
"""

import pytest

from zavcir.wine import end_to_end, require_32bit, target

# Node id -> (the word size it ran against, the skip reason or None), in the
# process where the reports arrive (the controlling one under xdist).
_SEEN: dict[str, tuple[int, str | None]] = {}


def pytest_configure(config):
    config.addinivalue_line(
        "markers", "program32(subject): the test's subject is the 32-bit program itself; "
        "skipped where the 64-bit test build runs instead")


@pytest.hookimpl(tryfirst=True)
def pytest_runtest_setup(item):
    if not end_to_end.is_end_to_end(getattr(item, "fixturenames", ())):
        return
    item.user_properties.append((end_to_end.PROPERTY, target().bits))
    marker = item.get_closest_marker("program32")
    if marker:
        require_32bit(marker.args[0])


def pytest_runtest_logreport(report):
    bits = dict(report.user_properties).get(end_to_end.PROPERTY)
    if bits is None or report.outcome == "rerun":
        return
    if report.skipped and report.when in ("setup", "call"):
        _SEEN[report.nodeid] = (bits, end_to_end.skip_reason(report.longrepr))
    elif report.when == "call" or (report.when == "setup" and report.failed):
        _SEEN[report.nodeid] = (bits, None)


def pytest_terminal_summary(terminalreporter, config):
    if hasattr(config, "workerinput") or not _SEEN:
        return
    lines = end_to_end.summary_lines(_SEEN, target().why_64)
    terminalreporter.section("end-to-end tests")
    for line in lines:
        terminalreporter.write_line(line)
    end_to_end.SUMMARY.parent.mkdir(parents=True, exist_ok=True)
    end_to_end.SUMMARY.write_text("\n".join(lines) + "\n")
