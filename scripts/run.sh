#!/usr/bin/env bash
# Starts the program, or explains how when there is no display to show it on.
set -euo pipefail
program=$1
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "There is no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
  echo "Run it from a desktop session, or under a virtual display:" >&2
  echo "  xvfb-run make run        (Debian package: xvfb)" >&2
  exit 1
fi
exec "$program"
