# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=bash
# The HEIF (HEIC, AVIF) and WebP part of the dirty test set. Sourced by make_dirty.sh, whose helpers and
# planted values it uses (entry, et, im, jpeg, stored_as, the exif/gps/xmp arrays, $up, $odd, $work, $out).
#
# Writes OUT/heif (turned images under OUT/heif/orient), OUT/webp and a few hostile files in OUT/misc.
# HEIF files come from heif-enc (which copies a JPEG's Exif and XMP), from exiftool writing into them, and
# from the fixture writer (heif_fixture, named by MORVANE_HEIF_FIXTURE), which stores images turned with
# 'irot' and 'imir' and crafts the hostile files. The HEIF orientation files store the picture turned as
# EXIF orientation N would and carry 'irot'/'imir' for N: shown upright. Their EXIF orientation is the
# same N, as phones write it, so that a program that turns a HEIF by its EXIF too turns it twice; one
# file's EXIF says 8 against an 'irot' for 6.
#
# Needs (Debian 12): libheif-examples (heif-enc), webp (cwebp, img2webp, webpmux), libvips-tools (the
# self-check), and the fixture writer (built with the tests: morvane_heif_fixture).

heif_tool=${MORVANE_HEIF_FIXTURE:-}
[ -x "$heif_tool" ] || { echo "make_dirty: MORVANE_HEIF_FIXTURE must name the heif_fixture program" >&2; exit 2; }
for tool in heif-enc cwebp img2webp webpmux vips; do
  command -v "$tool" >/dev/null || { echo "make_dirty: $tool is missing" >&2; exit 2; }
done
hf() { "$heif_tool" "$@"; }
h=$out/heif
w=$out/webp
mkdir -p "$h/orient" "$w"

# What a phone photo carries, in a JPEG for heif-enc to copy and as blocks for the fixture writer.
planted=$work/planted.jpg
jpeg "$up" "$planted"
et "${exif[@]}" "${gps[@]}" "${xmp[@]}" "$planted"
exiftool -b -EXIF "$planted" >"$work/exif.tiff"
exiftool -b -XMP "$planted" >"$work/planted.xmp"
# EXIF blocks with an orientation, for the turned files.
exif_with_orientation() { # ORIENTATION OUT
  jpeg "$up" "$work/orient.jpg" -resize 8x6
  et -EXIF:Orientation#="$1" -EXIF:Make=Apple '-EXIF:Model=iPhone 14 MORVANE-LEAK-HEIF-MODEL' \
    '-EXIF:DateTimeOriginal=2022:07:14 18:30:05' "${gps[@]}" "$work/orient.jpg"
  exiftool -b -EXIF "$work/orient.jpg" >"$2"
}
im "$up" -alpha set -channel A -fx '0.4+0.6*i/w' +channel "${strip[@]}" "PNG32:$work/alpha.png"

# ---------------------------------------------------------------------------------------------------
# HEIF

f=$h/01_exif_gps_xmp_thumb.heic
heif-enc -q 70 -t 96 -o "$f" "$planted" >/dev/null
entry heif/01_exif_gps_xmp_thumb.heic HEIF "Exif (IFD0, Exif IFD, GPS), XMP, a 96-pixel thumbnail item (heif-enc from a JPEG)" 1 640x480 -

f=$h/02_exiftool_exif_xmp.heic
im "$up" "${strip[@]}" "PNG24:$work/plain.png"
heif-enc -q 70 -o "$f" "$work/plain.png" >/dev/null
et "${exif[@]}" "${gps[@]}" "${xmp[@]}" "$f"
entry heif/02_exiftool_exif_xmp.heic HEIF "Exif, GPS and XMP items written by exiftool" 1 640x480 -

f=$h/03_icc_adobergb.heic
hf encode "$work/plain.png" "$f" --icc "$wide"
entry --clean heif/03_icc_adobergb.heic HEIF "ICC profile compatible with Adobe RGB ('prof'), to be kept" - 640x480 - "the output keeps the profile"

f=$h/04_alpha_exif_xmp.heic
hf encode "$work/alpha.png" "$f" --exif "$work/exif.tiff" --xmp "$work/planted.xmp"
entry heif/04_alpha_exif_xmp.heic HEIF "alpha (an auxiliary image), Exif, XMP" 1 640x480 - "alpha ramp: a JPEG output flattens it"

f=$h/05_exif_orient6_no_irot.heic
exif_with_orientation 6 "$work/exif6.tiff"
hf encode "$work/plain.png" "$f" --exif "$work/exif6.tiff"
entry heif/05_exif_orient6_no_irot.heic HEIF "EXIF Orientation 6, no 'irot': stored upright" 6 640x480 - "the EXIF orientation of a HEIF is informative: never turned"

for o in 1 2 3 4 5 6 7 8; do
  f=$h/orient/irot_$o.heic
  # shellcheck disable=SC2046
  im "$up" $(stored_as $o) "${strip[@]}" "PNG24:$work/stored.png"
  exif_with_orientation "$o" "$work/exif.tiff.$o"
  hf encode "$work/stored.png" "$f" --orientation "$o" --exif "$work/exif.tiff.$o"
  entry "heif/orient/irot_$o.heic" HEIF "'irot'/'imir' for orientation $o, EXIF Orientation $o, Make, Model, date, GPS" $o 640x480 - "upright: dirty_ref/upright_640x480.png (turned once)"
done
f=$h/orient/irot_6_exif_8.heic
# shellcheck disable=SC2046
im "$up" $(stored_as 6) "${strip[@]}" "PNG24:$work/stored.png"
exif_with_orientation 8 "$work/exif8.tiff"
hf encode "$work/stored.png" "$f" --orientation 6 --exif "$work/exif8.tiff"
entry heif/orient/irot_6_exif_8.heic HEIF "'irot' for orientation 6, EXIF Orientation 8 contradicting it" 8 640x480 - "upright: dirty_ref/upright_640x480.png (the 'irot' counts)"
f=$h/orient/irot_6_odd_633x427.heic
# shellcheck disable=SC2046
im "$odd" $(stored_as 6) "${strip[@]}" "PNG24:$work/stored.png"
hf encode "$work/stored.png" "$f" --orientation 6 --exif "$work/exif6.tiff"
entry heif/orient/irot_6_odd_633x427.heic HEIF "'irot' for orientation 6, sides of odd length, EXIF Orientation 6" 6 633x427 - "upright: dirty_ref/upright_633x427.png"

f=$h/06_avif_exif_xmp_thumb.avif
heif-enc -A -q 70 -t 96 -o "$f" "$planted" >/dev/null
entry heif/06_avif_exif_xmp_thumb.avif AVIF "AVIF: Exif, GPS, XMP, a thumbnail item (heif-enc from a JPEG)" 1 640x480 -

f=$h/orient/irot_6.avif
# shellcheck disable=SC2046
im "$up" $(stored_as 6) "${strip[@]}" "PNG24:$work/stored.png"
hf encode "$work/stored.png" "$f" --orientation 6 --exif "$work/exif6.tiff"
entry heif/orient/irot_6.avif AVIF "AVIF: 'irot' for orientation 6, EXIF Orientation 6, GPS" 6 640x480 - "upright: dirty_ref/upright_640x480.png"

f=$h/07_nclx_display_p3.avif
hf encode "$work/plain.png" "$f" --nclx 12,13,6,1
entry --clean heif/07_nclx_display_p3.avif AVIF "AVIF: an 'nclx' colour description (Display P3 primaries), to be kept" - 640x480 - "the output keeps the colour description"

f=$h/08_nclx_display_p3_exif.heic
hf encode "$work/plain.png" "$f" --nclx 12,13,6,1 --exif "$work/exif.tiff"
entry heif/08_nclx_display_p3_exif.heic HEIF "an 'nclx' colour description (Display P3 primaries), Exif with GPS" 1 640x480 -

# ---------------------------------------------------------------------------------------------------
# WebP

f=$w/01_exif_gps_xmp_icc.webp
cwebp -quiet -q 80 "$work/plain.png" -o "$f"
et "${exif[@]}" "${gps[@]}" "${xmp[@]}" "-ICC_Profile<=$srgb" "$f"
entry webp/01_exif_gps_xmp_icc.webp WEBP "lossy; EXIF, GPS, XMP, ICC sRGB (VP8X)" 1 640x480 -

f=$w/02_orient6.webp
# shellcheck disable=SC2046
im "$up" $(stored_as 6) "${strip[@]}" "PNG24:$work/stored.png"
cwebp -quiet -q 85 "$work/stored.png" -o "$f"
et -EXIF:Orientation#=6 -EXIF:Make=Canon '-EXIF:DateTimeOriginal=2022:07:14 18:30:05' "${gps[@]}" "$f"
entry webp/02_orient6.webp WEBP "lossy, EXIF Orientation 6, Make, date, GPS" 6 640x480 - "stored 480x640; the EXIF orientation counts"

f=$w/03_lossless_alpha_exif.webp
cwebp -quiet -lossless "$work/alpha.png" -o "$f"
et "${exif[@]}" "${xmp[@]}" "$f"
entry webp/03_lossless_alpha_exif.webp WEBP "lossless (VP8L) with alpha; EXIF, XMP" 1 640x480 - "stays lossless"

f=$w/04_animated_exif_xmp.webp
img2webp -loop 0 -lossy -q 80 -d 400 "$work/frame0.png" "$work/frame1.png" "$work/frame2.png" -o "$f" >/dev/null 2>&1
et "${exif[@]}" "${gps[@]}" "${xmp[@]}" "$f"
entry webp/04_animated_exif_xmp.webp WEBP "three frames (ANIM, ANMF), EXIF, GPS, XMP" 1 320x240 - "the first frame is the picture"

f=$w/05_lossy_alpha_icc.webp
cwebp -quiet -q 80 -alpha_q 100 "$work/alpha.png" -o "$f"
et "-ICC_Profile<=$wide" "$f"
entry --clean webp/05_lossy_alpha_icc.webp WEBP "lossy with alpha (ALPH), ICC compatible with Adobe RGB, to be kept" - 640x480 - "alpha ramp"

# ---------------------------------------------------------------------------------------------------
# Hostile HEIF and WebP files

src=$h/01_exif_gps_xmp_thumb.heic
head -c $(($(stat -c %s "$src") * 2 / 3)) "$src" >"$out/misc/heic_truncated.heic"
entry misc/heic_truncated.heic HEIF "heif/01 cut inside its image data (metadata whole)" 1 640x480 - "refused: cut short"
hf loop "$out/misc/heic_reference_loop.heic"
entry --clean misc/heic_reference_loop.heic HEIF "a grid and an identity image derived from each other" - 64x64 - "refused: the references loop"
hf self-loop "$out/misc/heic_self_reference.heic"
entry --clean misc/heic_self_reference.heic HEIF "a grid that is its own tile" - 64x64 - "refused: the references loop"
cp "$h/02_exiftool_exif_xmp.heic" "$out/misc/heic_giant_size.heic"
hf set-size "$out/misc/heic_giant_size.heic" 20000 20000
entry misc/heic_giant_size.heic HEIF "heif/02 stating 20000x20000 (each side within libheif's limit)" 1 20000x20000 - "refused unread: too many pixels"
src=$w/01_exif_gps_xmp_icc.webp
head -c $(($(stat -c %s "$src") / 2)) "$src" >"$out/misc/webp_truncated.webp"
entry --clean misc/webp_truncated.webp WEBP "webp/01 cut in half (its metadata, at the end, cut off)" 1 640x480 - "refused: cut short"
# The animation's canvas (VP8X, 24-bit sides less one) made 60000x60000.
cp "$w/04_animated_exif_xmp.webp" "$out/misc/webp_giant_canvas.webp"
perl -0777 -i -pe 's/(VP8X.{8})....../$1\x5f\xea\x00\x5f\xea\x00/s' "$out/misc/webp_giant_canvas.webp"
entry misc/webp_giant_canvas.webp WEBP "webp/04 with a 60000x60000 canvas" 1 60000x60000 - "refused unread: too many pixels"

# Self-check: libvips (which applies 'irot' and 'imir' through libheif, and a WebP's EXIF orientation
# with autorot) shows every turned file upright.
heif_failed=0
for f in "$h"/orient/irot_?.heic "$h/orient/irot_6_exif_8.heic" "$h/orient/irot_6.avif" "$h/05_exif_orient6_no_irot.heic"; do
  vips copy "$f" "$work/shown.png" 2>/dev/null
  d=$(mean_difference "$work/shown.png" "$up")
  [ "$d" -le 4 ] || { echo "make_dirty: $f as libvips shows it differs from the reference by $d" >&2; heif_failed=1; }
done
vips copy "$h/orient/irot_6_odd_633x427.heic" "$work/shown.png"
d=$(mean_difference "$work/shown.png" "$odd")
[ "$d" -le 4 ] || { echo "make_dirty: irot_6_odd_633x427.heic differs by $d" >&2; heif_failed=1; }
vips autorot "$w/02_orient6.webp" "$work/shown.png"
d=$(mean_difference "$work/shown.png" "$up")
[ "$d" -le 4 ] || { echo "make_dirty: 02_orient6.webp turned by libvips differs by $d" >&2; heif_failed=1; }
[ $heif_failed = 0 ] || exit 1
