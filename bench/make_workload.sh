#!/usr/bin/env bash
# Generates the benchmark's workload into DIR: photo-like JPEGs of 8 to 24 megapixels (gradients with
# grain, 4:2:0 like a camera's), several turned (orientation 6 or 8), all with EXIF, GPS, XMP and an
# sRGB profile. Deterministic; skipped when DIR already holds the set.
set -euo pipefail
dir=${1:?usage: make_workload.sh DIR}
count=${WORKLOAD_COUNT:-20}
[ -f "$dir/.complete-$count" ] && exit 0
rm -rf "$dir"; mkdir -p "$dir"
icc=/usr/share/color/icc/sRGB.icc
[ -f "$icc" ] || icc=$(ls /usr/share/color/icc/*.icc | head -1)

sizes=(3264x2448 4000x3000 4608x3456 5472x3648 6000x4000 4032x3024 3456x2304 4928x3264 5184x3456 4000x2250)
colours=("#204080-#e0c080" "#603020-#80c0f0" "#106030-#f0e0a0" "#402060-#f0a060" "#305060-#f0d0b0")
for ((i = 0; i < count; i++)); do
  size=${sizes[$((i % ${#sizes[@]}))]}
  colour=${colours[$((i % ${#colours[@]}))]}
  name=$(printf 'photo_%02d.jpg' "$i")
  convert -seed "$i" -size "$size" gradient:"${colour%-*}"-"${colour#*-}" \
    \( -size "$size" xc:gray50 -attenuate 0.35 +noise Gaussian \) -compose overlay -composite \
    -sampling-factor 4:2:0 -quality 92 "$dir/$name"
  orientation=1
  case $((i % 5)) in 1) orientation=6 ;; 3) orientation=8 ;; esac
  exiftool -q -q -overwrite_original -Make=BenchCam -Model="Bench 1" -Artist="Jane Doe" \
    -DateTimeOriginal="2024:06:01 12:00:00" -GPSLatitude=48.8584 -GPSLatitudeRef=N -GPSLongitude=2.2945 \
    -GPSLongitudeRef=E -XMP-dc:Creator="Jane Doe" -XMP-dc:Description="private caption" \
    "-ICC_Profile<=$icc" -Orientation#="$orientation" "$dir/$name"
done
touch "$dir/.complete-$count"
