#!/usr/bin/env bash
# Unpacks the Debian package into a private folder and runs the programs from there: each one's
# --help and --version; nothing named orbitron, so no pass player stands in for a tracker; and
# dopplexd on the configuration it ships.
# Usage: unpacked_package_test.sh PACKAGE_FOLDER VERSION
set -euo pipefail
package_dir=$1
version=$2

fail() {
    echo "package test: $*" >&2
    exit 1
}

shopt -s nullglob
debs=("$package_dir/dopplex_${version}_"*.deb)
[ ${#debs[@]} -eq 1 ] || fail "expected one dopplex_${version}_*.deb in $package_dir"
root=$(mktemp -d "${TMPDIR:-/tmp}/dopplex-package.XXXXXX")
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "${debs[0]}" "$root"

for program in dopplex dopplex-script dopplex-tracker dopplexd; do
    "$root/usr/bin/$program" --help >/dev/null || fail "$program --help failed"
    said=$("$root/usr/bin/$program" --version) || fail "$program --version failed"
    [ "$said" = "$program $version" ] || fail "$program --version said \"$said\""
done
named=$(find "$root" -iname 'orbitron*')
[ -z "$named" ] || fail "installs $named"

for file in usr/share/applications/dopplex.desktop \
    usr/share/icons/hicolor/scalable/apps/dopplex.svg \
    usr/share/doc/dopplex/user_guide.txt usr/share/doc/dopplex/README.md \
    usr/lib/systemd/system/dopplexd.service usr/lib/sysusers.d/dopplex.conf \
    etc/dopplex/dopplexd.conf etc/security/limits.d/95-dopplex.conf \
    usr/share/doc/dopplex/copyright usr/share/doc/dopplex/changelog.gz; do
    [ -s "$root/$file" ] || fail "$file missing"
done
# The gpio group is a board's: on a PC neither dopplexd's unit nor its user is put in it.
! grep -nw gpio "$root/usr/lib/sysusers.d/dopplex.conf" || fail "the desktop package makes the gpio group"
grep -q '^SupplementaryGroups=lp plugdev$' "$root/usr/lib/systemd/system/dopplexd.service" ||
    fail "dopplexd's unit lost its lp and plugdev groups"
for program in dopplex dopplex-script dopplex-tracker dopplexd; do
    page="usr/share/man/man1/$program.1.gz"
    gzip -t "$root/$page" 2>/dev/null || fail "$page missing or not gzip'd"
    title=$(zcat "$root/$page" | sed -n 's/^\.TH \([^ ]*\) 1 .*/\1/p')
    [ "$title" = "${program^^}" ] || fail "$page has the title \"$title\""
done
depends=$(dpkg-deb -f "${debs[0]}" Depends)
[[ $depends == *libqt6widgets6* ]] || fail "Depends does not name Qt: \"$depends\""
# The shipped configuration is one dopplexd reads: it gets as far as the port.
said=$("$root/usr/bin/dopplexd" --config "$root/etc/dopplex/dopplexd.conf" --port nonsense 2>&1 || true)
[[ $said == *'Bad port "nonsense"'* ]] || fail "dopplexd on its shipped configuration: $said"
dpkg-deb --ctrl-tarfile "${debs[0]}" | tar -t | grep -q '^./conffiles$' || fail "no conffiles"
echo "package test: $(basename "${debs[0]}") runs unpacked"
