"""What the end-to-end tests ran against, as tests/conftest.py collects it: for
each end-to-end test (one whose fixtures make a Wine prefix) the word size of
the program it ran against, or why it was skipped; and the summary of them.

    summary_lines(seen) -> ["end-to-end: N against the 32-bit program, M against
                             the 64-bit test build, K skipped", "  skipped <id>: <reason>", ...]
"""

from __future__ import annotations

import os
from pathlib import Path

from zavcir.paths import BUILD_ROOT
from zavcir.wine.target import WineCannotRun

# The fixtures that make a prefix; a test that uses one (or a fixture that uses
# one) is end-to-end.
FIXTURES = frozenset({"make_prefix", "wine", "real_corpus"})
# The item and report property that carries the word size a test ran against.
PROPERTY = "end-to-end"
# Where the summary is written as well (ZAVCIR_TEST_RESULTS: another folder).
SUMMARY = Path(os.environ.get("ZAVCIR_TEST_RESULTS", BUILD_ROOT / "test-results")) / \
    "end-to-end.txt"
# What a skip's text starts with before its reason.
_REASON_PREFIXES = ("Skipped: ", f"{WineCannotRun.__module__}.{WineCannotRun.__qualname__}: ")


def is_end_to_end(fixturenames) -> bool:
    return bool(FIXTURES.intersection(fixturenames))


def skip_reason(longrepr) -> str:
    """The reason of a skipped test's report (its longrepr: (path, line, text))."""
    reason = longrepr[2] if isinstance(longrepr, tuple) else str(longrepr)
    for prefix in _REASON_PREFIXES:
        reason = reason.removeprefix(prefix)
    return reason


def summary_lines(seen: dict[str, tuple[int, str | None]], why_64: str | None = None) -> list[str]:
    """seen: node id -> (32 or 64, the skip reason or None when it ran). The
    summary line, why the 64-bit test build ran (when it did), then each
    skipped test with its reason, in node id order."""
    ran = {32: 0, 64: 0}
    skipped = []
    for nodeid, (bits, reason) in sorted(seen.items()):
        if reason is None:
            ran[bits] += 1
        else:
            skipped.append(f"  skipped {nodeid}: {reason}")
    head = (f"end-to-end: {ran[32]} against the 32-bit program, {ran[64]} against the 64-bit "
            f"test build, {len(skipped)} skipped")
    return [head, *([f"  (the 64-bit test build runs because {why_64})"] if why_64 else []), *skipped]
