#!/usr/bin/env bash
# Starts the installed program as its launcher entry says, headless, as a user
# who cannot write the program's folder, and lets a test plugin walk the
# encryption road and then the decryption road on a real UTF-8 file: the file
# must change, then come back byte for byte, and the key file must go to the
# user's data folder. Then both roads again on a file given to the entry, as a
# file manager's "Open with" gives it (%F), under a Chinese name with a
# blank: the file is open on step 3 without the file dialog. The program
# ends itself at the end of each road; `timeout` catches a road that never
# started (a plugin Qt did not load).
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
read -r -a exec_words <<< "$command"
grep -qx 'MimeType=text/plain;' "$entry" || { echo "the entry does not offer itself for text files" >&2; exit 1; }

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

# walk ROAD chosen|given: the file chosen in the file dialog, or given to the
# entry's %F as a launcher does (here one argument, whatever it holds).
walk() {
  local launch=() word
  for word in "${exec_words[@]}"; do
    case "$word" in
      %f|%F) [ "$2" = given ] && launch+=("$note") ;;
      *) launch+=("$word") ;;
    esac
  done
  local chosen=$note
  [ "$2" = given ] && chosen=
  "${as_user[@]}" env PATH="$prefix/bin:$PATH" HOME="$home" XDG_DATA_HOME="$home/.local/share" \
    XDG_RUNTIME_DIR="$home/runtime" QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH="$work/plugins" QT_QPA_GENERIC_PLUGINS=quilvanewalk \
    QUILVANE_WALK="$1" QUILVANE_WALK_FILE="$chosen" \
    timeout 60 "${launch[@]}"
}

walk encrypt chosen
if cmp -s "$note" "$work/original.txt"; then
  echo "encryption left the file as it was" >&2
  exit 1
fi
[ "$(stat -c %s "$note")" -eq $(( $(stat -c %s "$work/original.txt") + 2 )) ]
[ -f "$home/.local/share/Quilvane/temp.jxv" ] || { echo "no key file in the user's data folder" >&2; exit 1; }
[ ! -e "$prefix/bin/temp.jxv" ] || { echo "a key file beside the program" >&2; exit 1; }

walk decrypt chosen
cmp "$note" "$work/original.txt"
echo "the installed program encrypted and decrypted the file chosen in its dialog"

note="$home/从文件管理器打开 的文档.txt"
cp "$work/original.txt" "$note"
[ "$(id -u)" -eq 0 ] && chown 65534:65534 "$note"
walk encrypt given
if cmp -s "$note" "$work/original.txt"; then
  echo "encryption of the file given at start left it as it was" >&2
  exit 1
fi
walk decrypt given
cmp "$note" "$work/original.txt"
echo "the installed program encrypted and decrypted the file given to its launcher entry"
