#!/usr/bin/env bash
# The installed desktop files pass the freedesktop and AppStream validators,
# and every icon size is a picture of that size.
# Usage: validate-installed.sh PREFIX
set -euo pipefail
prefix=$1
id=io.github.quilvane.Quilvane
share=$prefix/share

desktop-file-validate "$share/applications/$id.desktop"
appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml"

grep -qx "Name=Quilvane 2.0" "$share/applications/$id.desktop"
grep -q "^Name\[zh_CN\]=" "$share/applications/$id.desktop"
grep -q "^Comment\[zh_CN\]=" "$share/applications/$id.desktop"
grep -q "<release version=\"2.0\"" "$share/metainfo/$id.metainfo.xml"

for size in 16 32 48 64 128 256; do
  icon=$share/icons/hicolor/${size}x${size}/apps/$id.png
  file -b "$icon" | grep -q "^PNG image data, $size x $size," || { echo "not a ${size}x${size} PNG: $icon" >&2; exit 1; }
done
grep -q "<svg" "$share/icons/hicolor/scalable/apps/$id.svg"

gzip -dc "$share/man/man1/quilvane.1.gz" | grep -q '^\.TH QUILVANE 1'
echo "installed desktop files are valid"
