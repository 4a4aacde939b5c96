"""The exit codes zavcir/exit_codes.py names are the ones the C++ programs
define: a code added or changed in C++ fails here until the Python follows."""

import re

import pytest

from zavcir import exit_codes
from zavcir.paths import REPO

DEFINITIONS = [
    # (program, header, a definition in it as (name, value), its Python name, prefixes of the Python names)
    ("Setup.exe", "package/exit_code.h", r"^\s*(\w+) = (0x[0-9A-Fa-f]+|\d+),",
     lambda name: name, ("SETUP_", "EXIT_")),
    ("zavcir-distcheck", "tools/distcheck/report/report_types.h", r"static constexpr int kExit(\w+) = (\d+);",
     lambda name: "DISTCHECK_" + name.upper(), ("DISTCHECK_",)),
]


@pytest.mark.parametrize("header,definition,python_name,prefixes", [d[1:] for d in DEFINITIONS],
                         ids=[d[0] for d in DEFINITIONS])
def test_python_names_the_codes_the_cpp_header_defines(header, definition, python_name, prefixes):
    text = (REPO / header).read_text()
    defined = {python_name(name): int(value, 0) for name, value in re.findall(definition, text, re.MULTILINE)}
    named = {name: value for name, value in vars(exit_codes).items() if name.startswith(prefixes)}
    assert defined and named == defined
