"""How a run of make-dist reports: its messages, and the two ways it ends
without a distribution."""


class Refused(Exception):
    """The inputs cannot make a distribution (exit code MAKE_DIST_REFUSED)."""


class Failed(Exception):
    """A tool failed (exit code MAKE_DIST_FAILED)."""


def say(text: str) -> None:
    print(f"make-dist: {text}", flush=True)
