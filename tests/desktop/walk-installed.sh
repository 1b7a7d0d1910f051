#!/usr/bin/env bash
# Starts the installed program as its launcher entry says, headless, and lets
# a test plugin walk the encryption road and then the decryption road on a
# real UTF-8 file: the file must change, then come back byte for byte. The
# program ends itself at the end of each road; `timeout` catches a road that
# never started (a plugin Qt did not load).
# Usage: walk-installed.sh PREFIX PLUGIN_DIR
set -euo pipefail
prefix=$1
plugins=$2
entry=$prefix/share/applications/io.github.quilvane.Quilvane.desktop
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

command=$(sed -n 's/^Exec=//p' "$entry")
[ -n "$command" ] || { echo "no Exec line in $entry" >&2; exit 1; }

printf '第一行：你好，世界\r\nsecond line\r\n' > "$work/note.txt"
cp "$work/note.txt" "$work/original.txt"

walk() {
  env PATH="$prefix/bin:$PATH" HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" \
    QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH="$plugins" QT_QPA_GENERIC_PLUGINS=quilvanewalk \
    QUILVANE_WALK="$1" QUILVANE_WALK_FILE="$work/note.txt" \
    timeout 60 $command
}

walk encrypt
if cmp -s "$work/note.txt" "$work/original.txt"; then
  echo "encryption left the file as it was" >&2
  exit 1
fi
[ "$(stat -c %s "$work/note.txt")" -eq $(( $(stat -c %s "$work/original.txt") + 2 )) ]

walk decrypt
cmp "$work/note.txt" "$work/original.txt"
echo "the installed program encrypted and decrypted the file"
