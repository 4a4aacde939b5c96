"""python3 -m zavcir.make_dist: what scripts/make-dist.sh runs."""

import os
import signal
import sys

from zavcir.exit_codes import MAKE_DIST_FAILED, MAKE_DIST_MADE, MAKE_DIST_REFUSED
from zavcir.make_dist.inputs import parse_args
from zavcir.make_dist.make import make
from zavcir.make_dist.outcome import Failed, Refused

# scripts/make-dist.sh starts this from the repository root, where the package
# is found, and names here the folder it was started from: the paths given are
# relative to that one.
CALLER_DIR_VARIABLE = "ZAVCIR_CALLER_DIR"


def main(argv: list[str]) -> int:
    caller = os.environ.pop(CALLER_DIR_VARIABLE, None)
    if caller:
        os.chdir(caller)
    # A termination request ends the run through the clean-up of make().
    for sig in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(sig, lambda *_: sys.exit(130))
    args = parse_args(argv)
    try:
        make(args)
    except Refused as refusal:
        print(f"make-dist: refused: {refusal}", file=sys.stderr)
        return MAKE_DIST_REFUSED
    except Failed as failure:
        print(f"make-dist: failed: {failure}", file=sys.stderr)
        return MAKE_DIST_FAILED
    return MAKE_DIST_MADE


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
