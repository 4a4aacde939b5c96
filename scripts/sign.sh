#!/usr/bin/env bash
# Signs Windows executables with Authenticode (osslsigncode), in place.
#
#   scripts/sign.sh [FILE.exe ...]
#
# Without arguments it signs build/win32/Setup.exe and
# build/win32/zavcir-distcheck.exe. The certificate comes from the environment:
#
#   SETUP_SIGN_PFX            PKCS#12 file with the code-signing certificate and key
#   SETUP_SIGN_PASSWORD       its password (handed to osslsigncode on a pipe, never
#                             on a command line)
#   SETUP_SIGN_TIMESTAMP_URL  optional RFC 3161 time-stamp server; without one the
#                             signature is valid only while the certificate is
#   SETUP_SIGN_DIGESTS        optional digest list, default "sha256"; "sha1,sha256"
#                             adds a nested SHA-256 signature to a SHA-1 one, for
#                             Windows XP and Vista, which do not check SHA-256 ones
#
# Each file is signed into a temporary copy that replaces it only when every
# step succeeded. `osslsigncode remove-signature -in signed.exe -out plain.exe`
# gives back the unsigned file byte for byte (see docs/release-tools.md).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)

DESCRIPTION="ZAV CIR Receiver Driver Setup"

die() {
  echo "sign.sh: $*" >&2
  exit 1
}

command -v osslsigncode >/dev/null || die "osslsigncode is missing (scripts/bootstrap.sh installs it)"
[[ -n "${SETUP_SIGN_PFX:-}" ]] || die "SETUP_SIGN_PFX is not set"
[[ -f "$SETUP_SIGN_PFX" ]] || die "SETUP_SIGN_PFX: no such file: $SETUP_SIGN_PFX"
[[ -n "${SETUP_SIGN_PASSWORD+set}" ]] || die "SETUP_SIGN_PASSWORD is not set"

IFS=',' read -r -a digests <<<"${SETUP_SIGN_DIGESTS:-sha256}"
for digest in "${digests[@]}"; do
  case "$digest" in
    sha1 | sha256 | sha384 | sha512) ;;
    *) die "SETUP_SIGN_DIGESTS: unknown digest '$digest'" ;;
  esac
done

files=("$@")
if ((${#files[@]} == 0)); then
  files=("$repo/build/win32/Setup.exe" "$repo/build/win32/zavcir-distcheck.exe")
fi

timestamp=()
if [[ -n "${SETUP_SIGN_TIMESTAMP_URL:-}" ]]; then
  timestamp=(-ts "$SETUP_SIGN_TIMESTAMP_URL")
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

index=0
for file in "${files[@]}"; do
  index=$((index + 1))
  [[ -f "$file" ]] || die "no such file: $file (build it first: cmake --build --preset win32)"
  current="$file"
  step=0
  for digest in "${digests[@]}"; do
    step=$((step + 1))
    out="$work/$index-$step.exe"
    nest=()
    ((step > 1)) && nest=(-nest)
    printf '%s' "$SETUP_SIGN_PASSWORD" |
      osslsigncode sign -pkcs12 "$SETUP_SIGN_PFX" -readpass - "${nest[@]}" -h "$digest" \
        -n "$DESCRIPTION" "${timestamp[@]}" -in "$current" -out "$out" >"$work/log" 2>&1 ||
      { cat "$work/log" >&2; die "signing $file ($digest) failed"; }
    current="$out"
  done
  cp "$current" "$file.signing"
  mv -f "$file.signing" "$file"
  echo "signed $file (${digests[*]})"
done
