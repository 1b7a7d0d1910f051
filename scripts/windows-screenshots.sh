#!/usr/bin/env bash
# Pictures of the Win32 window's five steps, taken under Wine, into
# OUTPUT_DIR/windows-step1.png ... windows-step5.png.
# Usage: windows-screenshots.sh BUILD_DIR OUTPUT_DIR
set -euo pipefail
cd "$(dirname "$0")/.."
build="$1"
output="$2"

source scripts/wine-session.sh

pictures="$build/screenshots"
mkdir -p "$pictures"
"$wine64" "$build/tools/win32/quilvane_screenshots.exe" "Z:$(cd "$pictures" && pwd)"
arguments=()
for step in 1 2 3 4 5; do
  arguments+=("$pictures/step$step.bmp" "$output/windows-step$step.png")
done
python3 scripts/bmp-to-png.py "${arguments[@]}"
