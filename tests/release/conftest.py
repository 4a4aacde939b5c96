"""Fixtures of the release-tool tests (helpers: release_support.py).

    wine    a 64-bit Wine prefix, Windows 7, closed after the test

Tests marked `slow` take a minute or more (deselect with -m "not slow").
"""

import pytest

from zavcir.wine import WinePrefix


def pytest_configure(config):
    config.addinivalue_line("markers", "slow: takes a minute or more (two full builds)")


@pytest.fixture
def wine():
    prefix = WinePrefix.create("64")
    try:
        prefix.set_version("win7")
        yield prefix
    finally:
        prefix.close()
