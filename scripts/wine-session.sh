# Sourced by the scripts that run Windows programs under Wine: sets up a
# Chinese desktop (code page 936) in two Wine prefixes of the build directory
# "$build", a virtual display and one Wine server for each prefix, all gone
# when the calling script ends. "$build/wine" (WINEPREFIX) has Wine's fonts
# as they come, as a user of Wine meets them; "$build/wine-song"
# (SONG_WINEPREFIX) has a Song face under the names a Chinese Windows gives
# its own (宋体, SimSun), as on a Chinese Windows desktop.

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)

# Wine takes the ANSI code page from the locale: zh_CN.UTF-8 makes it 936,
# the code page of a Chinese Windows desktop.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  echo "Generating the zh_CN.UTF-8 locale"
  "${as_root[@]}" localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi

export WINEPREFIX="$(cd "$build" && pwd)/wine"
export SONG_WINEPREFIX="$WINEPREFIX-song"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no offer to install .NET or a browser engine
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
wine64=$(command -v wine64 || echo /usr/lib/wine/wine64)
for prefix in "$WINEPREFIX" "$SONG_WINEPREFIX"; do
  if [ ! -f "$prefix/system.reg" ]; then
    echo "Setting up the Wine prefix $prefix"
    WINEPREFIX="$prefix" "$wine64" wineboot --init
  fi
done
# Windows need a display: a virtual one of their own, gone with the calling
# script (and with it the Wine programs that drew on it). Windows are
# left unmanaged, as there is no window manager: Wine then draws their frames
# itself and does not wait for one to answer as a window goes.
display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
xvfb_pid=$!
trap 'for prefix in "$WINEPREFIX" "$SONG_WINEPREFIX"; do WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true; done
      kill "$xvfb_pid" 2>/dev/null || true; rm -f "$display_file"' EXIT
for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
[ -s "$display_file" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(cat "$display_file")"

# One Wine server for all the programs of a prefix, instead of one started
# and stopped per program; it is stopped when the calling script ends. One
# already running for a prefix is used as it is. Wine's own background
# programs start with the first program run: started here, away from the
# tests' output, they do not hold ctest's pipes open until the server leaves.
for prefix in "$WINEPREFIX" "$SONG_WINEPREFIX"; do
  WINEPREFIX="$prefix" wineserver -p60 </dev/null >/dev/null 2>&1 || true
  WINEPREFIX="$prefix" "$wine64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
done

# The Song face of a Chinese desktop: its metrics (12 pixels a character at 9
# points) are those the layout was drawn for. Only in the second prefix: the
# first keeps Wine's default faces, whose lines are taller.
WINEPREFIX="$WINEPREFIX" "$wine64" reg delete 'HKCU\Software\Wine\Fonts\Replacements' /f </dev/null >/dev/null 2>&1 || true
for face in "MS Shell Dlg" "SimSun" "宋体"; do
  WINEPREFIX="$SONG_WINEPREFIX" "$wine64" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d "AR PL UMing CN" /f </dev/null >/dev/null 2>&1
done
