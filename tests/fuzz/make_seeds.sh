#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fills a seed folder for the fuzz target from the dirty test set: every image of the set up to MAX_BYTES
# as it is, and a shrunk copy (same format, same pixel kind) of each larger one, so that every kind of
# file the set has is represented by a seed the fuzzer can mutate quickly. Then small variants of each
# format that the set does not have (compressions, bit depths, palettes, interlacing, tiles, planes, CMYK),
# so that mutations start from every decoder path of the libraries.
#
# Usage: make_seeds.sh DIRTY_DIR SEED_DIR [MAX_BYTES]   (MAX_BYTES defaults to 204800)
# DIRTY_DIR is made with the test corpus generator (tests/corpus/make_dirty.sh) when it has no MANIFEST.tsv yet.
set -euo pipefail
export LC_ALL=C

[ $# -ge 2 ] || { echo "usage: $0 DIRTY_DIR SEED_DIR [MAX_BYTES]" >&2; exit 2; }
dirty=$1
seeds=$2
max_bytes=${3:-204800}
here=$(cd "$(dirname "$0")" && pwd)

if [ ! -f "$dirty/MANIFEST.tsv" ]; then
  echo "make_seeds: generating the dirty set in $dirty" >&2
  mkdir -p "$(dirname "$dirty")"
  "$here/../corpus/make_dirty.sh" "$dirty" >"$(dirname "$dirty")/make_dirty.log" 2>&1 \
    || { cat "$(dirname "$dirty")/make_dirty.log" >&2; exit 1; }
fi

rm -rf "$seeds"
mkdir -p "$seeds"
count=0
while IFS= read -r -d '' file; do
  case "$file" in */MANIFEST.tsv | */MD5SUMS) continue ;; esac
  # Flat, unique names: the folder becomes part of the name.
  name=$(printf '%s' "${file#"$dirty"/}" | tr -c 'A-Za-z0-9._-' '_')
  size=$(stat -c %s "$file")
  if [ "$size" -le "$max_bytes" ]; then
    cp "$file" "$seeds/$name"
  else
    # ImageMagick keeps the format, the depth and the alpha of the original at a size that fits.
    ext=${file##*.}
    endian=()
    [ "$(head -c 2 "$file")" = MM ] && endian=(-endian MSB)
    convert-im6.q16 "$file[0]" -resize '64x64>' "${endian[@]}" "$seeds/$name.small.$ext" 2>/dev/null || continue
  fi
  count=$((count + 1))
done < <(find "$dirty" -type f -print0 | sort -z)
variants=(
  "bmp3:rle8.bmp -compress RLE -type palette"
  "bmp3:mono.bmp -type bilevel"
  "bmp3:pal4.bmp -depth 4 -colors 16 -type palette"
  "bmp:rgb565.bmp -define bmp:subtype=RGB565"
  "bmp:argb.bmp -alpha set -channel A -evaluate set 50% +channel"
  "tiff:lzw.tif -compress lzw"
  "tiff:zip.tif -compress zip"
  "tiff:jpeg.tif -compress jpeg"
  "tiff:packbits.tif -compress rle"
  "tiff:tiled.tif -define tiff:tile-geometry=16x16"
  "tiff:planar.tif -interlace plane"
  "tiff:cmyk.tif -colorspace CMYK"
  "tiff:g4.tif -type bilevel -compress group4"
  "tiff:palette.tif -type palette"
  "tiff:rgba_msb.tif -alpha set -channel A -evaluate set 40% +channel -endian MSB"
  "png:interlaced.png -interlace PNG"
  "png:graya.png -colorspace gray -alpha set"
  "png8:pal2.png -depth 2 -colors 4"
  "png:mono.png -type bilevel"
  "jpg:cmyk.jpg -colorspace CMYK"
  "jpg:progressive.jpg -interlace JPEG"
  "jpg:restart.jpg -define jpeg:restart-interval=1"
  "jpg:444.jpg -sampling-factor 1x1"
  "jpg:gray.jpg -colorspace gray"
  "gif:interlaced.gif -interlace GIF"
  "gif:2colors.gif -colors 2"
)
for variant in "${variants[@]}"; do
  read -r target options <<<"$variant"
  # shellcheck disable=SC2086 # the options are words
  convert-im6.q16 -size 40x30 gradient:red-blue $options "${target%%:*}:$seeds/variant_${target#*:}" 2>/dev/null \
    && count=$((count + 1))
done
# Small HEIC, AVIF and WebP files (the test set's are larger than the fast targets decode): opaque, with
# alpha, 4:4:4, turned by 'irot' and 'imir' (with the test set's fixture writer, when MORVANE_HEIF_FIXTURE
# names it), lossless, animated.
small=$(mktemp -d)
convert-im6.q16 -size 40x30 gradient:red-blue -strip "PNG24:$small/rgb.png"
convert-im6.q16 -size 40x30 gradient:red-blue -alpha set -channel A -evaluate set 50% +channel -strip "PNG32:$small/rgba.png"
convert-im6.q16 "$small/rgb.png" -flop "PNG24:$small/flop.png"
heif_seeds=(
  "small.heic -q 30 $small/rgb.png"
  "small_444.heic -q 30 -p chroma=444 $small/rgb.png"
  "small_alpha.heic -q 30 $small/rgba.png"
  "small.avif -A -q 30 $small/rgb.png"
  "small_alpha.avif -A -q 30 $small/rgba.png"
)
for seed in "${heif_seeds[@]}"; do
  read -r target options <<<"$seed"
  # shellcheck disable=SC2086 # the options are words
  heif-enc $options -o "$seeds/variant_$target" >/dev/null 2>&1 && count=$((count + 1))
done
if [ -x "${MORVANE_HEIF_FIXTURE:-}" ]; then
  for o in 2 5 6; do
    "$MORVANE_HEIF_FIXTURE" encode "$small/rgb.png" "$seeds/variant_irot_$o.heic" --orientation $o && count=$((count + 1))
  done
fi
cwebp -quiet -q 50 "$small/rgb.png" -o "$seeds/variant_small.webp" && count=$((count + 1))
cwebp -quiet -q 50 "$small/rgba.png" -o "$seeds/variant_small_alpha.webp" && count=$((count + 1))
cwebp -quiet -lossless "$small/rgba.png" -o "$seeds/variant_small_lossless.webp" && count=$((count + 1))
img2webp -loop 0 -lossy "$small/rgb.png" "$small/flop.png" -o "$seeds/variant_small_animated.webp" >/dev/null 2>&1 \
  && count=$((count + 1))
rm -rf "$small"
echo "make_seeds: $count seeds in $seeds" >&2
