"""The exit codes of the project's programs, named once for its Python.

Setup.exe's are those of package/exit_code.h and zavcir-distcheck's those of
DistReport in tools/distcheck/report/report_types.h (tests/zavcir/test_exit_codes.py
holds each pair alike); make-dist's are its own (zavcir/make_dist/).
"""

# Setup.exe: a set of bits; no bit set is success.
SETUP_SUCCESS = 0
EXIT_RESTART_NEEDED = 0x1  # uninstall: a restart of Windows is needed to finish the removal
EXIT_REMOVE_FAILED = 0x2  # uninstall: a removal failed, or a copy is still there
EXIT_SETUP_FAILED = 0x4  # start-up failed, the machine stayed busy, or the installer failed

# zavcir-distcheck: the worst severity it found; a wrong command line is an error.
DISTCHECK_CLEAN = 0
DISTCHECK_WARNINGS = 1
DISTCHECK_ERRORS = 2

# scripts/make-dist.sh (python3 -m zavcir.make_dist).
MAKE_DIST_MADE = 0
MAKE_DIST_FAILED = 1  # a tool failed: the build or signing
MAKE_DIST_REFUSED = 2  # the inputs cannot make a distribution (argparse's usage errors too)
