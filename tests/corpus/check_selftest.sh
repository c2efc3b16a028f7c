#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The leak checker's own test. The checker judges every output of the tests, so it must
#   - flag every file of the dirty set that carries something personal (MANIFEST.tsv, column personal),
#   - pass what a clean copy may keep: the resolution, orientation 1, and whole standard or neutralised
#     colour profiles in every container (sRGB, Display P3, Adobe RGB compatible, a profile split over
#     seven APP2 chunks),
#   - flag colour profiles with personal texts or private tags, broken profile chains, and a profile
#     name that is a person's,
#   - pass HEIC, AVIF and WebP files encoded from bare pixels and WebP files emptied by exiftool, and
#     flag the thumbnail that exiftool leaves in a HEIC file it empties.
# With a second checker given (the shared corpus tools' check_clean.sh, where they lie beside the
# checkout), that one must flag the same dirty files; without it that part is left out.
#
#   check_selftest.sh DIRTY_DIR [SECOND_CHECKER]
set -euo pipefail
export LC_ALL=C

[ $# -ge 1 ] && [ -f "$1/MANIFEST.tsv" ] || { echo "usage: $0 DIRTY_DIR [SECOND_CHECKER]" >&2; exit 2; }
dirty=$1
second=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
checker=$here/check_clean.sh
magick=${MORVANE_MAGICK:-$(command -v convert-im6.q16 || echo convert)}
icc=/usr/share/color/icc
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# The files a checker's --summary lists as holding something personal.
flagged_by() { # CHECKER DIR
  "$1" --summary "$2" 2>/dev/null | awk -F'\t' 'tolower($2) ~ /^personal/ { print $1 }' | sort || true
}

# --- the dirty set ------------------------------------------------------------------------------------
awk -F'\t' 'NR > 1 && $8 == "yes" { print $1 }' "$dirty/MANIFEST.tsv" | sort >"$work/expected"
awk -F'\t' 'NR > 1 && $8 == "no" { print $1 }' "$dirty/MANIFEST.tsv" | sort >"$work/kept"
[ -s "$work/expected" ] || fail "the manifest marks no file as personal"
flagged_by "$checker" "$dirty" >"$work/flagged"
comm -23 "$work/expected" "$work/flagged" | while IFS= read -r f; do echo "FAIL: not flagged: $f" >&2; done
comm -12 "$work/kept" "$work/flagged" | while IFS= read -r f; do echo "FAIL: flagged although clean: $f" >&2; done
[ -z "$(comm -23 "$work/expected" "$work/flagged")$(comm -12 "$work/kept" "$work/flagged")" ] ||
  fail "the checker's verdicts on the dirty set"

if [ -n "$second" ] && [ -x "$second" ] && command -v python3 >/dev/null; then
  flagged_by "$second" "$dirty" >"$work/second"
  missed=$(comm -23 "$work/expected" "$work/second")
  [ -z "$missed" ] || fail "the second checker ($second) does not flag: $missed"
  echo "second opinion: $second flags the same $(wc -l <"$work/expected") dirty files"
else
  echo "second opinion: none ($second not present or not runnable)"
fi

# --- profiles -----------------------------------------------------------------------------------------
profile() { perl "$here/icc_profile.pl" "$@"; }
inject() { perl "$here/inject.pl" "$@"; }
p=$work/profiles
mkdir -p "$p" "$work/clean" "$work/personal"
profile "$icc/sRGB.icc" "$p/display_p3.icc" version=4 'desc:mluc=Display P3' 'cprt:mluc=Copyright Apple Inc., 2017' -dmnd -dmdd
profile "$icc/sRGB.icc" "$p/srgb_iec.icc" 'desc=sRGB IEC61966-2.1' 'cprt=Copyright (c) 1998 Hewlett-Packard Company' \
  'dmnd=IEC http://www.iec.ch' 'dmdd=IEC 61966-2.1 Default RGB colour space - sRGB' 'vued=Reference Viewing Condition in IEC61966-2.1'
# What the engine keeps of a profile: its colour, with the texts neutralised and no private tags.
profile "$icc/sRGB.icc" "$p/neutral.icc" desc=RGB cprt=RGB -dmnd -dmdd
profile "$icc/sRGB.icc" "$p/neutral_v4.icc" version=4 desc:mluc=RGB cprt:mluc=RGB -dmnd -dmdd
profile "$icc/sRGB.icc" "$p/owner.icc" "desc=Anna's MacBook Pro display"
profile "$icc/sRGB.icc" "$p/device.icc" 'dmdd=DELL U2720Q calibrated 2022-07-14'
profile "$icc/sRGB.icc" "$p/owner_v4.icc" version=4 'desc:mluc=Anna Keller'
profile "$icc/sRGB.icc" "$p/private_tag.icc" 'prvt=anything'
profile "$icc/sRGB.icc" "$p/meta_tag.icc" 'meta=owner Anna'
profile "$icc/sRGB.icc" "$p/tail.icc" 'tail=hidden after the last tag'

up=$work/up.png
"$magick" -size 64x48 gradient:'#c8282d'-'#2846b4' -strip "$up"
c=$work/clean
"$magick" "$up" -strip "$c/plain.jpg"
"$magick" "$up" -strip -units PixelsPerInch -density 300 "$c/300dpi.jpg"
exiftool -q -m -overwrite_original -Orientation#=1 -XResolution=300 -YResolution=300 -ResolutionUnit=inches "$c/300dpi.jpg"
"$magick" "$up" -strip -units PixelsPerInch -density 300 "$c/300dpi.png"
"$magick" "$up" -strip -units PixelsPerInch -density 300 "$c/300dpi.tif"
"$magick" "$up" -strip -units PixelsPerInch -density 300 "BMP3:$c/300dpi.bmp"
"$magick" "$up" -strip "$c/plain.gif"
for name in sRGB compatibleWithAdobeRGB1998; do cp "$icc/$name.icc" "$p/$name.icc"; done
x=$work/personal
# Profiles go in with exiftool (ImageMagick drops or replaces some of them), all in one run.
embed=()
with_profile() { # PROFILE FILE...: copies of the plain picture in the files' formats, with the profile
  local profile=$1 file
  shift
  for file; do
    case $file in
      *.bmp) "$magick" "$up" -strip -profile "$profile" "BMP:$file" ;;
      *) "$magick" "$up" -strip "$file"
         embed+=("-ICC_Profile<=$profile" "$file" -execute) ;;
    esac
  done
}
for name in sRGB compatibleWithAdobeRGB1998 display_p3 srgb_iec neutral neutral_v4; do
  with_profile "$p/$name.icc" "$c/$name.jpg" "$c/$name.png" "$c/$name.tif"
done
with_profile "$p/neutral.icc" "$c/neutral_v5.bmp" "$c/neutral.gif"
for name in sRGB compatibleWithAdobeRGB1998 neutral_v4; do with_profile "$p/$name.icc" "$c/$name.webp"; done
with_profile "$icc/ITULab.icc" "$c/seven_chunks.jpg"
for name in owner device owner_v4 private_tag meta_tag tail; do
  with_profile "$p/$name.icc" "$x/$name.jpg"
done
with_profile "$p/device.icc" "$x/device.png"
with_profile "$p/tail.icc" "$x/tail.png"
with_profile "$p/private_tag.icc" "$x/private_tag.tif"
with_profile "$p/owner.icc" "$x/owner_v5.bmp" "$x/owner.gif" "$x/owner.webp"
with_profile "$p/private_tag.icc" "$x/private_tag.webp"
# HEIC, AVIF and WebP from bare pixels; a WebP and a HEIC with Exif and XMP that exiftool then empties
# (it takes the HEIC's Exif and XMP items out but leaves its thumbnail item).
"$magick" "$up" -strip "PNG24:$work/up24.png"
"$magick" "$up" -strip -alpha set -channel A -fx '0.3+0.7*i/w' +channel "PNG32:$work/alpha.png"
heif-enc -q 50 -o "$c/plain.heic" "$work/up24.png" >/dev/null
heif-enc -q 50 -o "$c/alpha.heic" "$work/alpha.png" >/dev/null
heif-enc -A -q 50 -o "$c/plain.avif" "$work/up24.png" >/dev/null
cwebp -quiet -lossless "$work/alpha.png" -o "$c/lossless_alpha.webp"
cwebp -quiet -q 80 "$work/up24.png" -o "$c/emptied.webp"
heif-enc -q 50 -t 16 -o "$x/emptied_thumbnail.heic" "$work/up24.png" >/dev/null
exiftool -q -q -m -overwrite_original -GPSLatitude=48.1 -GPSLatitudeRef=N '-Artist=Anna Keller' \
  '-XMP-dc:Creator=Anna Keller' "$c/emptied.webp" "$x/emptied_thumbnail.heic"
exiftool -q -q -m -overwrite_original -all= "$c/emptied.webp" "$x/emptied_thumbnail.heic"
exiftool "${embed[@]}" -common_args -q -q -m -overwrite_original
# Every fixture meant to hold a profile holds one.
exiftool -q -q -m -T -Directory -FileName -ProfileDescription "$c" "$x" | awk -F'\t' '$3 == "-" { print $2 }' |
  grep -vxE 'plain\.(jpg|gif|heic|avif)|alpha\.heic|lossless_alpha\.webp|emptied(_thumbnail)?\.(webp|heic)|300dpi\.(jpg|png|tif|bmp)|not_a_profile\.jpg|profile_name\.png' >"$work/without" || true
[ ! -s "$work/without" ] || fail "fixtures without their profile: $(cat "$work/without")"
# A profile chain with two chunks swapped, one with a chunk missing, and an APP2 ICC chunk of no profile.
perl -0777 -pe 's/ICC_PROFILE\0\x02\x07/ICC_PROFILE\0\x09\x07/; s/ICC_PROFILE\0\x03\x07/ICC_PROFILE\0\x02\x07/; s/ICC_PROFILE\0\x09\x07/ICC_PROFILE\0\x03\x07/' \
  "$c/seven_chunks.jpg" >"$x/chunks_swapped.jpg"
perl -0777 -ne '$i = index($_, "ICC_PROFILE\0\x04\x07") - 4; substr($_, $i, 2 + unpack("n", substr($_, $i + 2, 2))) = ""; print' \
  "$c/seven_chunks.jpg" >"$x/chunk_missing.jpg"
cp "$c/plain.jpg" "$x/not_a_profile.jpg"
inject jpeg-segment "$x/not_a_profile.jpg" e2 $'ICC_PROFILE\0\x01\x01Anna Keller, not a profile at all'
# A PNG whose colour profile is named after its owner.
"$magick" "$up" -strip "$x/profile_name.png"
perl -MCompress::Zlib -0777 -e 'local $/; open(my $f, "<:raw", $ARGV[0]) or die; my $d = <$f>; print "Anna Keller\0\0", compress($d)' \
  "$icc/sRGB.icc" >"$work/iccp"
inject png-chunk "$x/profile_name.png" iCCP "@$work/iccp"

flagged_by "$checker" "$work" >"$work/flagged_fixtures"
(cd "$work" && find clean personal -type f | sort) >"$work/fixtures"
while IFS= read -r f; do
  if grep -qxF "$f" "$work/flagged_fixtures"; then
    [[ $f == clean/* ]] && fail "flagged although clean: $f"
  else
    [[ $f == personal/* ]] && fail "not flagged: $f"
  fi
done <"$work/fixtures"
"$checker" --strict "$c" >"$work/strict" 2>&1 || fail "clean fixtures have findings: $(cat "$work/strict")"

if [ "$failures" -gt 0 ]; then
  echo "check_selftest: $failures failures; what the checker found:" >&2
  "$checker" --summary "$dirty" "$c" "$x" >&2 || true
  exit 1
fi
echo "check_selftest: the checker flags $(wc -l <"$work/expected") dirty files, passes $(grep -c '^clean/' "$work/fixtures") clean fixtures and flags $(grep -c '^personal/' "$work/fixtures") personal ones"
