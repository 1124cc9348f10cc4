#!/usr/bin/env bash
# dopplexd's systemd unit as systemd-analyze reads it, run against the program just built: any
# complaint, even one systemd would only ignore, fails.
# Usage: unit_verify_test.sh UNIT DOPPLEXD
set -euo pipefail
folder=$(mktemp -d "${TMPDIR:-/tmp}/dopplexd-unit.XXXXXX")
trap 'rm -rf "$folder"' EXIT
sed "s|^ExecStart=/usr/bin/dopplexd|ExecStart=$2|" "$1" >"$folder/dopplexd.service"
grep -q "^ExecStart=$2\$" "$folder/dopplexd.service" || { echo "no ExecStart=/usr/bin/dopplexd"; exit 1; }
said=$(systemd-analyze verify --man=no "$folder/dopplexd.service" 2>&1) || { echo "$said"; exit 1; }
[ -z "$said" ] || { echo "$said"; exit 1; }
