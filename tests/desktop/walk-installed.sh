#!/usr/bin/env bash
# Starts the installed program as its launcher entry says, headless, as a user
# who cannot write the program's folder, and lets a test plugin walk the
# encryption road and then the decryption road on a real UTF-8 file: the file
# must change, then come back byte for byte, and the key file must go to the
# user's data folder. The program ends itself at the end of each road;
# `timeout` catches a road that never started (a plugin Qt did not load).
# Usage: walk-installed.sh PREFIX PLUGIN_DIR
set -euo pipefail
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
chmod 755 "$work"
# A copy under /tmp, so that another user can reach it wherever the build is.
cp -a "$1" "$work/prefix"
cp -a "$2" "$work/plugins"
prefix=$work/prefix
home=$work/home
mkdir -p "$home/runtime"
chmod 700 "$home/runtime"
note=$home/note.txt

entry=$prefix/share/applications/io.github.quilvane.Quilvane.desktop
command=$(sed -n 's/^Exec=//p' "$entry")
[ -n "$command" ] || { echo "no Exec line in $entry" >&2; exit 1; }

printf '第一行：你好，世界\r\nsecond line\r\n' > "$note"
cp "$note" "$work/original.txt"

# Root may write anywhere: the program runs as nobody then.
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chown -R 65534:65534 "$home"
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
else
  chmod a-w "$prefix/bin"
fi

walk() {
  "${as_user[@]}" env PATH="$prefix/bin:$PATH" HOME="$home" XDG_DATA_HOME="$home/.local/share" \
    XDG_RUNTIME_DIR="$home/runtime" QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH="$work/plugins" QT_QPA_GENERIC_PLUGINS=quilvanewalk \
    QUILVANE_WALK="$1" QUILVANE_WALK_FILE="$note" \
    timeout 60 $command
}

walk encrypt
if cmp -s "$note" "$work/original.txt"; then
  echo "encryption left the file as it was" >&2
  exit 1
fi
[ "$(stat -c %s "$note")" -eq $(( $(stat -c %s "$work/original.txt") + 2 )) ]
[ -f "$home/.local/share/Quilvane/temp.jxv" ] || { echo "no key file in the user's data folder" >&2; exit 1; }
[ ! -e "$prefix/bin/temp.jxv" ] || { echo "a key file beside the program" >&2; exit 1; }

walk decrypt
cmp "$note" "$work/original.txt"
echo "the installed program encrypted and decrypted the file"
