"""Fixtures of the end-to-end tests under Wine (the harness: zavcir/wine/).

    make_prefix(arch="64", version="win7", japanese=False) -> WinePrefix
        a private clone of the 64- or 32-bit template with its own server, the
        Windows version set (None: leave Wine's default); closed after the test
    wine64, wine32
        make_prefix("64") and make_prefix("32"), Windows 7
"""

import contextlib
import sys

import pytest

from zavcir.wine import SUPPORT_LOG, WinePrefix, japanese_locale_env, remove_stale_prefixes


def pytest_sessionstart(session):
    if not hasattr(session.config, "workerinput"):  # once, in the controlling process
        remove_stale_prefixes()


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    outcome = yield
    report = outcome.get_result()
    if report.when == "call":
        item.zavcir_failed = report.failed


def _print_diagnostics(prefix):
    """What a failed test leaves for its reader: the program's support log and
    the command lines the installer stand-in received."""
    log = prefix.unix_path(SUPPORT_LOG)
    print(f"---- {prefix.path.name}: {SUPPORT_LOG}", file=sys.stderr)
    print(log.read_text(errors="replace") if log.is_file() else "(none)", file=sys.stderr)
    print(f"---- {prefix.path.name}: installer stand-in commands", file=sys.stderr)
    print("\n".join(prefix.standin_log()) or "(none)", file=sys.stderr)


@pytest.fixture
def make_prefix(request):
    made = []

    def make(arch="64", version="win7", japanese=False):
        extra = japanese_locale_env() if japanese else None
        prefix = WinePrefix.create(arch, extra)
        made.append(prefix)
        if version:
            prefix.set_version(version)
        return prefix

    yield make
    for prefix in made:
        if getattr(request.node, "zavcir_failed", False):
            with contextlib.suppress(Exception):
                _print_diagnostics(prefix)
        prefix.close()


@pytest.fixture
def wine64(make_prefix):
    return make_prefix("64")


@pytest.fixture
def wine32(make_prefix):
    return make_prefix("32")
