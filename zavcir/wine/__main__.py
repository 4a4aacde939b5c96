"""For the shell scripts:

    python3 -m zavcir.wine              "<32 or 64> <why the 64-bit test build runs, or nothing>"
    python3 -m zavcir.wine templates    makes the template prefixes the end-to-end tests
                                        clone (the 64-bit one, and the 32-bit one where
                                        32-bit programs run), so that the first tests need
                                        not wait for them; nothing when they are there
"""

import sys

from zavcir.wine.target import target
from zavcir.wine.templates import template

if sys.argv[1:] == ["templates"]:
    for arch in ("64", "32") if target().bits == 32 else ("64",):
        template(arch)
else:
    print(target().bits, target().why_64 or "")
