r"""Speed benchmark of Setup.exe under Wine: start-up cost, scan cost against the
size of the "Uninstall" key, executable size and peak memory.

Everything is timed inside Wine by bench_launcher.exe (QueryPerformanceCounter
from CreateProcessA to the end of the wait), in one 64-bit Windows 7 prefix,
with the programs interleaved round after round; the figures are medians.
Where Wine cannot run 32-bit programs (or with SETUP_TESTS_WITHOUT_32BIT=1),
bench/run.sh builds the 64-bit test build instead and the figures say so.

    python3 -m zavcir.bench --build-dir DIR [--quick] [--sizes 1000,5000,10000]

Normally started through bench/run.sh, which builds the programs first.

    dataset   the "Uninstall" subkeys and driver-store folders the scans meet
    runs      the benchmark's prefix and the launcher's timed rounds
    profile   the API calls of each program, from Wine's relay trace
    __main__  the measurements and the figures
"""
