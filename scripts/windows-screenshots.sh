#!/usr/bin/env bash
# Pictures of the Win32 window's five steps, taken under Wine: with the Song
# face of a Chinese Windows desktop into OUTPUT_DIR/windows-step1.png ...
# windows-step5.png, and with Wine's own fonts into
# OUTPUT_DIR/windows-wine-fonts-step1.png ... windows-wine-fonts-step5.png.
# Usage: windows-screenshots.sh BUILD_DIR OUTPUT_DIR
set -euo pipefail
cd "$(dirname "$0")/.."
build="$1"
output="$2"

source scripts/wine-session.sh

take() {  # PREFIX NAME
  local pictures="$build/screenshots/$2"
  mkdir -p "$pictures"
  WINEPREFIX="$1" "$wine64" "$build/tools/win32/quilvane_screenshots.exe" "Z:$(cd "$pictures" && pwd)"
  local arguments=()
  for step in 1 2 3 4 5; do
    arguments+=("$pictures/step$step.bmp" "$output/$2-step$step.png")
  done
  python3 scripts/bmp-to-png.py "${arguments[@]}"
}
take "$SONG_WINEPREFIX" windows
take "$WINEPREFIX" windows-wine-fonts
