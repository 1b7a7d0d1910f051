#!/usr/bin/env bash
# Builds the Debian package into a scratch folder and checks what it holds:
# the program, its desktop files, copyright and changelog, nothing else, the
# run-time dependencies a clean machine needs, the hardening of the program,
# and that lintian finds no error and no warning.
# Usage: check-package.sh BUILD_DIR CPACK BUILD_TYPE
set -euo pipefail
build=$1
cpack=$2
build_type=$3
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$out" > "$out/cpack.log" || { cat "$out/cpack.log" >&2; exit 1; }
deb=$out/quilvane_2.0_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { echo "no package named $(basename "$deb")" >&2; ls "$out" >&2; exit 1; }

id=io.github.quilvane.Quilvane
expected=(
  ./usr/bin/quilvane
  ./usr/share/applications/$id.desktop
  ./usr/share/metainfo/$id.metainfo.xml
  ./usr/share/icons/hicolor/scalable/apps/$id.svg
  ./usr/share/man/man1/quilvane.1.gz
  ./usr/share/doc/quilvane/copyright
  ./usr/share/doc/quilvane/changelog.gz
)
for size in 16 32 48 64 128 256; do
  expected+=(./usr/share/icons/hicolor/${size}x${size}/apps/$id.png)
done
listing=$(dpkg-deb -c "$deb")
files=$(awk '$1 !~ /^d/ {print $6}' <<< "$listing" | sort)
wanted=$(printf '%s\n' "${expected[@]}" | sort)
if [ "$files" != "$wanted" ]; then
  echo "the package holds other files than it should:" >&2
  diff <(echo "$wanted") <(echo "$files") >&2 || true
  exit 1
fi
grep -qE '^-rwxr-xr-x root/root .* \./usr/bin/quilvane$' <<< "$listing" || { echo "the program is not an executable owned by root" >&2; exit 1; }

[ "$(dpkg-deb -f "$deb" Package)" = quilvane ]
[ "$(dpkg-deb -f "$deb" Version)" = 2.0 ]
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libqt6gui6 libqt6core6 qt6-qpa-plugins qt6-translations-l10n fonts-arphic-uming; do
  grep -qE "(^|, )$needed( |,|$)" <<< "$depends" || { echo "Depends lacks $needed: $depends" >&2; exit 1; }
done
# Debian's own checker finds neither an error nor a warning, nor (among its
# informational tags) a program built without hardening. As root it says it
# would rather not run as root; that is no finding. A Debug build (the
# sanitizers') has no checked buffer functions: they need the optimiser.
findings=$out/lintian.log
lintian --fail-on none --display-info "$deb" > "$findings" 2>&1 || { cat "$findings" >&2; echo "lintian did not run" >&2; exit 1; }
unoptimised='^$'
[ "$build_type" = Debug ] && unoptimised='hardening-no-fortify-functions'
if grep -E '^[EW]: |hardening-' "$findings" | grep -vE "$unoptimised" >&2; then
  echo "lintian finds the faults above in the package" >&2
  exit 1
fi
echo "the package holds the program, its desktop files, its copyright and changelog and its dependencies;"
echo "lintian finds no error and no warning"
