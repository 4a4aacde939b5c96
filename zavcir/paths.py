"""Where things are in the repository."""

from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
BUILD_ROOT = REPO / "build"
# The sample driver packages: x86/ and amd64/ (version 1.0.0.0), v2/ (1.1.0.0).
SAMPLE_DIR = REPO / "sample"
# Real inputs beside the project, read there and never copied into it: the real
# driver package installer (dpinst/), INF files and signed driver packages.
SHARED = REPO.parent / "shared"
