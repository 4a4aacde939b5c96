"""How a run of make-dist reports: its messages, and the two ways it ends
without a distribution."""


class Refused(Exception):
    """The inputs cannot make a distribution (exit code 2)."""


class Failed(Exception):
    """A tool failed (exit code 1)."""


def say(text: str) -> None:
    print(f"make-dist: {text}", flush=True)
