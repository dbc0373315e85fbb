#!/usr/bin/env bash
# `make run`: opens the program on a copy of a bundled example (the copy and the settings file
# that names it as the last project live in the build folder, so examples/ never changes).
# Without a display it runs a batch on the copy and prints the results of the written file.
set -euo pipefail

build="${1:-build}"
model="${2:-hexapod.PEN}"
here="$(cd "$(dirname "$0")" && pwd)"
bin="$(cd "$build/bin" && pwd)"
run="$(mkdir -p "$build/run" && cd "$build/run" && pwd)"

cp "$here/$model" "$run/$model"
# The settings file lives beside the program.
printf '[program]\r\nworkingdir=%s/\r\nopenlastproject=1\r\ndatafile=%s\r\nautoupdate=0\r\n' \
  "$run" "$run/$model" > "$bin/tarvelin.ini"

screen=no
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then screen=yes; fi
case "${QT_QPA_PLATFORM:-}" in offscreen* | minimal*) screen=no ;; esac

if [ "$screen" = yes ]; then
  echo "Opening $run/$model"
  exec "$bin/tarvelin"
fi

echo "No display: batch run on $run/$model"
status=0
"$bin/tarvelin" -i "$run/$model" -w || status=$?
if [ "$status" -ne 0 ]; then
  echo "batch run failed with exit status $status"
  exit "$status"
fi
# The results sections of the written file.
tr -d '\r' < "$run/$model" | awk '/^\[/ { show = ($0 == "[elementforces]" || $0 == "[displacements]") } show'
if [ -f "$bin/tarvelin.wrl" ]; then echo "Scene: $bin/tarvelin.wrl"; fi
