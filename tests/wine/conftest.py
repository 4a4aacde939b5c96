"""Fixtures of the end-to-end tests under Wine (see wineprefix.py).

    make_prefix(arch="64", version="win7", japanese=False) -> WinePrefix
        a private clone of the 64- or 32-bit template with its own server, the
        Windows version set (None: leave Wine's default); closed after the test
    wine64, wine32
        make_prefix("64") and make_prefix("32"), Windows 7
"""

import pytest

import wineprefix


def pytest_sessionstart(session):
    if not hasattr(session.config, "workerinput"):  # once, in the controlling process
        wineprefix.remove_stale_prefixes()


@pytest.fixture
def make_prefix():
    made = []

    def make(arch="64", version="win7", japanese=False):
        extra = wineprefix.japanese_locale_env() if japanese else None
        prefix = wineprefix.WinePrefix.create(arch, extra)
        made.append(prefix)
        if version:
            prefix.set_version(version)
        return prefix

    yield make
    for prefix in made:
        prefix.close()


@pytest.fixture
def wine64(make_prefix):
    return make_prefix("64")


@pytest.fixture
def wine32(make_prefix):
    return make_prefix("32")
