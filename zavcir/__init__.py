"""The project's Python: the release command, the demo, the benchmark and the
harness of the tests, with what they share. Run its programs as modules from
the repository root (the shell wrappers do):

    python3 -m zavcir.make_dist ...   scripts/make-dist.sh
    python3 -m zavcir.demo            scripts/demo.sh
    python3 -m zavcir.bench ...       bench/run.sh
    python3 -m zavcir.wine            which program the end-to-end tests run

    paths       the repository, its build folder and the sample packages
    editions    the edition tags, their word sizes, package folders and Setup.ini
    builds      the built programs and what to build when one is missing
    exit_codes  the exit codes of Setup.exe, zavcir-distcheck and make-dist, by name
    layout      laying out a distribution folder
    wine        the Wine harness (prefixes, programs run in them, what they left)
"""
