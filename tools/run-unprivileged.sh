#!/usr/bin/env bash
# Runs a test program as the user nobody:
#   run-unprivileged.sh <test program> [its arguments...]
# For tests of folders their user cannot read or enter, which root always
# can. The program is copied into a fresh folder the user nobody can reach (the
# build tree may lie under a home that it cannot), and its temporary files
# go to a folder nobody owns. Exits 77 (skipped) when not run as root: then
# the ordinary run of the tests already covers them. Fails when a test
# still skips, or when no test ran at all.
set -euo pipefail

if [[ $(id -u) -ne 0 ]]; then
  echo "not root: the ordinary test run covers these tests"
  exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
program="$work/$(basename "$1")"
install -m 755 "$1" "$program"
shift
mkdir "$work/tmp"
chown nobody "$work/tmp"

log="$work/log"
status=0
(cd "$work/tmp" && setpriv --reuid=nobody --regid=nogroup --clear-groups --reset-env \
  env TMPDIR="$work/tmp" ASAN_OPTIONS="${ASAN_OPTIONS:-}" UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" \
  "$program" "$@") >"$log" 2>&1 || status=$?
cat "$log"
if ((status)); then
  exit "$status"
fi
if grep -q '^\[  SKIPPED \]' "$log"; then
  echo "a test skipped even as nobody"
  exit 1
fi
if ! grep -q '^\[  PASSED  \] [1-9]' "$log"; then
  echo "no test ran"
  exit 1
fi
