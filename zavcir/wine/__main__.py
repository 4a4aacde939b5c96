"""For the shell scripts: "<32 or 64> <why the 64-bit test build runs, or nothing>"."""

from zavcir.wine.target import target

print(target().bits, target().why_64 or "")
