#!/usr/bin/env bash
# Runs Debian's package checker on each package given, as an operator would: anything it prints
# (an error or a warning; there are no overrides) fails the test, with its explanation.
# Usage: lintian_test.sh PACKAGE.deb...
set -euo pipefail
[ $# -gt 0 ] || { echo "lintian test: no package given" >&2; exit 2; }
command -v lintian >/dev/null || { echo "lintian test: lintian missing (scripts/setup installs it)" >&2; exit 1; }
status=0
for deb in "$@"; do
    [ -f "$deb" ] || { echo "lintian test: no package $deb" >&2; exit 1; }
    # lintian refuses to run as root unless told; the packages are only read.
    said=$(lintian --allow-root --info --fail-on error,warning --tag-display-limit 0 "$deb" 2>&1) &&
        ran=0 || ran=$?
    if [ -n "$said" ] || [ "$ran" -ne 0 ]; then
        echo "lintian test: $(basename "$deb") (lintian's status $ran):" >&2
        echo "$said" >&2
        status=1
    else
        echo "lintian test: $(basename "$deb") is clean"
    fi
done
exit $status
