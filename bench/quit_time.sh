#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# bench/quit_time.sh MORVANE [RUNS]
# How long the window takes to end after Ctrl+Q while its thumbnails are being decoded: the program MORVANE
# (a built app/morvane) starts under Xvfb with four large grainy PNGs (24 MP, the engine decodes each in
# full), the thumbnail style is clicked, and Ctrl+Q is pressed while the decodes run; the time from the key
# to the process's end is printed for each of RUNS runs (default 5). Needs Xvfb, xdotool and ImageMagick.
# Not a test: the figures depend on the machine.
set -euo pipefail
bin=$(realpath "${1:?usage: bench/quit_time.sh MORVANE [RUNS]}")
runs=${2:-5}
photos="$(dirname "$0")/../build/bench/quit"
mkdir -p "$photos"
for i in 1 2 3 4; do
  [ -f "$photos/grain_$i.png" ] || convert -seed "$i" -size 600x400 plasma: -resize '6000x4000!' \
    -attenuate 0.5 +noise Gaussian "$photos/grain_$i.png"
done

work=$(mktemp -d)
xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")" QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$work/config"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

for ((run = 1; run <= runs; run++)); do
  "$bin" "$photos"/grain_*.png 2>/dev/null &
  pid=$!
  window=$(xdotool search --sync --onlyvisible --name '^Morvane$' | head -1)
  sleep 1
  # The thumbnail style: the second segment at the list's bottom left, in the layout's own window size.
  xdotool mousemove --window "$window" 68 453 click 1
  sleep 0.3
  start=$(date +%s%N)
  xdotool key --window "$window" ctrl+q 2>/dev/null || true
  wait "$pid" || true
  end=$(date +%s%N)
  echo "run $run: quit took $(((end - start) / 1000000)) ms"
done
