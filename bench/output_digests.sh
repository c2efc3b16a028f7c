#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Prints a SHA-256 of every output that CLI writes for the images under SOURCES, one line per output
# ("mode path digest"), followed by each run's JSON report with the output folder left out. Two builds
# whose listings are equal wrote the same bytes and said the same things; compare them with diff.
#
#   bench/output_digests.sh CLI SOURCES [SCRATCH]
#
# The modes: as stored and upright, each at the default quality and at quality 30. Every source is
# written in its own type, so a set with JPEG, PNG, TIFF, GIF and BMP files (tests/corpus/make_dirty.sh)
# covers the five output types. One job at a time, so that the numbering of outputs is the same each run.
set -euo pipefail
export LC_ALL=C
cli=$(realpath "${1:?usage: output_digests.sh CLI SOURCES [SCRATCH]}")
sources=$(realpath "${2:?usage: output_digests.sh CLI SOURCES [SCRATCH]}")
scratch=${3:-$(mktemp -d)}
mkdir -p "$scratch"
export XDG_CONFIG_HOME=$scratch/config # never the user's preferences

for orientation in --no-fix-orientation --fix-orientation; do
  for quality in default 30; do
    mode=${orientation#--}-q$quality
    out=$scratch/$mode
    rm -rf "$out"
    args=(--json -j 1 -r "$orientation" -o "$out")
    [ "$quality" = default ] || args+=(-q "$quality")
    "$cli" "${args[@]}" "$sources" >"$scratch/$mode.json" 2>/dev/null || true
    (cd "$out" && find . -type f -print0 | sort -z | xargs -0 -r sha256sum) |
      sed "s|^\([0-9a-f]*\)  \./\(.*\)\$|$mode \2 \1|"
    sed "s|$out|OUT|g; s|$sources|SOURCES|g" "$scratch/$mode.json" | sed "s|^|$mode json |"
  done
done
