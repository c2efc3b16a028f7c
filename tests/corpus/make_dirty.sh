#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Generates the dirty test set: photographs in every format Morvane reads, each loaded with planted
# metadata in every container its format has, plus a few broken files.
#
#   make_dirty.sh OUT
#
# OUT gets one folder per format (jpeg, png, tiff, gif, bmp, heif, webp, misc), MANIFEST.tsv (one line per file:
# file, format, planted, orientation_tag, upright_WxH, dpi ("-" when the file states none), notes,
# personal: "no" for the few files that carry only what a clean copy may keep)
# and, written last, MD5SUMS. The upright pictures that the turned files must come back to go to
# OUT/../dirty_ref (upright_640x480.png, upright_633x427.png).
#
# Every planted text carries a marker "MORVANE-LEAK-<where>", so that a plain byte search of an output
# finds a leak whatever its container. The run is deterministic: fixed dates, no clock chunks, the same
# bytes each time for the same tool versions. OUT and the reference folder are emptied first.
#
# Needs (Debian 12): imagemagick, libimage-exiftool-perl, exiv2, libtiff-tools, icc-profiles-free, and for
# the HEIF and WebP part (make_dirty_heif.sh, sourced at the end) what that script names.
set -euo pipefail
export LC_ALL=C TZ=UTC

[ $# -eq 1 ] || { echo "usage: $0 OUT" >&2; exit 2; }
out=$(realpath -m "$1")
ref=$(dirname "$out")/dirty_ref
here=$(cd "$(dirname "$0")" && pwd)
# ImageMagick 6 under its own name (Debian's "convert" is an alternatives link to it).
magick=${MORVANE_MAGICK:-$(command -v convert-im6.q16 || echo convert)}
icc_dir=/usr/share/color/icc
srgb=$icc_dir/sRGB.icc
wide=$icc_dir/compatibleWithAdobeRGB1998.icc

for tool in "$magick" exiftool exiv2 tiffset perl; do
  command -v "$tool" >/dev/null || { echo "make_dirty: $tool is missing" >&2; exit 2; }
done
for profile in "$srgb" "$wide"; do
  [ -f "$profile" ] || { echo "make_dirty: $profile is missing (icc-profiles-free)" >&2; exit 2; }
done

rm -rf "$out" "$ref"
mkdir -p "$out"/jpeg/orient "$out"/{png,tiff,gif,bmp,misc} "$ref"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One exiftool process for the whole run (its start-up is most of the time a write takes). Every
# argument is one line; exiftool says how many files it updated, then {ready}.
coproc exiftool_job { exiftool -stay_open True -@ - 2>&1; }
et() {
  printf '%s\n' -m -overwrite_original "$@" -execute >&"${exiftool_job[1]}"
  local line failed=0
  while IFS= read -r line <&"${exiftool_job[0]}"; do
    case $line in
      '{ready}') break ;;
      *'image files updated' | *'image files unchanged') ;;
      *) echo "make_dirty: exiftool: $line" >&2; failed=1 ;;
    esac
  done
  return $failed
}
inject() { perl "$here/inject.pl" "$@"; }
im() { "$magick" "$@"; }
# Nothing of ImageMagick's own in a file: no profiles or comments carried over, no clock or background chunks.
strip=(-strip -define png:exclude-chunks=date,time,bKGD,vpAg)

manifest=$out/MANIFEST.tsv
printf 'file\tformat\tplanted\torientation_tag\tupright_WxH\tdpi\tnotes\tpersonal\n' >"$manifest"
# entry [--clean] FILE FORMAT PLANTED ORIENTATION UPRIGHT DPI [NOTES]: --clean for a file that carries only
# what a clean copy may keep (resolution, a standard colour profile, pixel format)
entry() {
  local personal=yes
  [ "$1" = --clean ] && { personal=no; shift; }
  [ "$2" = - ] && personal=-
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$1" "$2" "$3" "$4" "$5" "$6" "${7:-}" "$personal" >>"$manifest"
}

# ---------------------------------------------------------------------------------------------------
# Pictures. The upright picture has four differently coloured quarters (red top left, green top right,
# blue bottom left, yellow bottom right), a black arrow pointing up in the red quarter and a white disc
# in the green one: each of the eight orientations stores a different arrangement, and a wrong turn
# shows in the corners. Flat colours keep JPEG's error small against the reference.
draw_upright() { # WIDTH HEIGHT OUT
  local w=$1 h=$2 x=$(($1 / 2)) y=$(($2 / 2))
  local ax=$((w / 6)) aw=$((w / 14)) at=$((h / 12)) ah=$((h / 7)) sb=$((h * 2 / 5)) sw=$((w / 40))
  im -size "${w}x${h}" xc:'#e8c81e' +antialias \
    -fill '#c8282d' -draw "rectangle 0,0 $((x - 1)),$((y - 1))" \
    -fill '#2d9b3c' -draw "rectangle $x,0 $((w - 1)),$((y - 1))" \
    -fill '#2846b4' -draw "rectangle 0,$y $((x - 1)),$((h - 1))" \
    -fill black -draw "polygon $ax,$at $((ax + aw)),$((at + ah)) $((ax + sw)),$((at + ah)) $((ax + sw)),$sb $((ax - sw)),$sb $((ax - sw)),$((at + ah)) $((ax - aw)),$((at + ah))" \
    -fill white -draw "circle $((w * 3 / 4)),$((h / 5)) $((w * 3 / 4 + h / 10)),$((h / 5))" \
    -depth 8 -type TrueColor "${strip[@]}" "PNG24:$3"
}
# The stored pixels of a photo with EXIF orientation N: what a viewer turns back to the upright picture.
stored_as() { # ORIENTATION -> ImageMagick options
  case $1 in
    1) ;; 2) echo -flop ;; 3) echo -rotate 180 ;; 4) echo -flip ;;
    5) echo -transpose ;; 6) echo -rotate -90 ;; 7) echo -transverse ;; 8) echo -rotate 90 ;;
  esac
}

up=$ref/upright_640x480.png
odd=$ref/upright_633x427.png
draw_upright 640 480 "$up"
draw_upright 633 427 "$odd"

# An embedded preview with a comment of its own, and a second photo (with its own EXIF) to hide after
# the end of an image.
im "$up" -resize 160x120 "${strip[@]}" -set comment 'MORVANE-LEAK-THUMBNAIL' -quality 75 "$work/thumb.jpg"
im "$up" -resize 200x150 -negate "${strip[@]}" -set comment 'MORVANE-LEAK-HIDDEN-IMAGE' -quality 75 "$work/hidden.jpg"
et -EXIF:Make=Nikon '-EXIF:Artist=MORVANE-LEAK-HIDDEN-EXIF' -GPSLatitude=47.3769 -GPSLatitudeRef=N \
  -GPSLongitude=8.5417 -GPSLongitudeRef=E "$work/hidden.jpg"
trail() { # FILE: data after the end of the image
  cat "$work/hidden.jpg" >>"$1"
  printf 'MORVANE-LEAK-TRAILER owner=Anna Keller, Seestrasse 12, Zurich\n' >>"$1"
}
# A caption far longer than one JPEG segment holds, for extended XMP and compressed PNG text.
long_text=$work/long.txt
for i in $(seq 1 1500); do
  printf 'MORVANE-LEAK-LONG-%04d Anna and Ben at home in Seestrasse 12, Zurich. ' "$i"
done >"$long_text"

# ---------------------------------------------------------------------------------------------------
# What gets planted (exiftool arguments). Make stays "Canon": exiv2 builds Canon maker notes.
exif=(-EXIF:Make=Canon '-EXIF:Model=Canon EOS 5D Mark IV' '-EXIF:Artist=Anna Keller MORVANE-LEAK-ARTIST'
  '-EXIF:Copyright=(c) 2022 Anna Keller MORVANE-LEAK-COPYRIGHT'
  '-EXIF:ImageDescription=Anna at home MORVANE-LEAK-DESCRIPTION' '-EXIF:Software=Firmware 1.2.0 MORVANE-LEAK-SOFTWARE'
  '-EXIF:HostComputer=ANNAS-LAPTOP MORVANE-LEAK-HOST' '-EXIF:ModifyDate=2022:07:14 18:30:05'
  '-EXIF:DateTimeOriginal=2022:07:14 18:30:05' '-EXIF:CreateDate=2022:07:14 18:30:05'
  '-EXIF:OffsetTimeOriginal=+02:00' '-EXIF:SubSecTimeOriginal=123'
  '-EXIF:UserComment=MORVANE-LEAK-USERCOMMENT birthday' '-EXIF:SerialNumber=MORVANE-LEAK-SERIAL-4711'
  '-EXIF:LensModel=EF 35mm f/2 MORVANE-LEAK-LENS' '-EXIF:OwnerName=Anna Keller MORVANE-LEAK-OWNER'
  -EXIF:ImageUniqueID=4d4f5256414e452d4c45414b2d554944 -EXIF:ExposureTime=1/60 -EXIF:FNumber=2.8 -EXIF:ISO=400
  '-EXIF:XPComment=MORVANE-LEAK-XPCOMMENT' '-EXIF:XPAuthor=Anna Keller' '-EXIF:XPKeywords=family;home')
gps=(-GPSLatitude=47.366667 -GPSLatitudeRef=N -GPSLongitude=8.55 -GPSLongitudeRef=E -GPSAltitude=408.5
  -GPSAltitudeRef=0 -GPSDateStamp=2022:07:14 -GPSTimeStamp=16:30:05 -GPSImgDirection=271.5 -GPSImgDirectionRef=M
  '-GPSAreaInformation=MORVANE-LEAK-GPSAREA Seestrasse')
xmp=('-XMP-dc:Creator=Anna Keller MORVANE-LEAK-XMP-CREATOR' '-XMP-dc:Description=MORVANE-LEAK-XMP-DESCRIPTION'
  '-XMP-dc:Title=Summer evening' -XMP-dc:Subject=family '-XMP-dc:Rights=(c) Anna Keller'
  '-XMP-xmp:CreateDate=2022:07:14 18:30:05' '-XMP-xmp:CreatorTool=PhotoDesk 4' -XMP-photoshop:City=Zurich
  -XMP-photoshop:Country=Switzerland -XMP-exif:GPSLatitude=47.366667 -XMP-exif:GPSLongitude=8.55
  -XMP-xmpMM:DocumentID=xmp.did:4d4f5256414e45 '-XMP-iptcCore:Location=Seefeld MORVANE-LEAK-XMP-LOCATION')
iptc=('-IPTC:By-line=Anna Keller MORVANE-LEAK-IPTC-BYLINE' -IPTC:City=Zurich -IPTC:Sub-location=Seefeld
  -IPTC:Country-PrimaryLocationName=Switzerland -IPTC:Keywords=family -IPTC:Keywords=home
  '-IPTC:Caption-Abstract=MORVANE-LEAK-IPTC-CAPTION' -IPTC:DateCreated=2022:07:14
  '-IPTC:CopyrightNotice=(c) Anna Keller')
png_text=('-PNG:Author=Anna Keller MORVANE-LEAK-PNG-AUTHOR' '-PNG:Comment=MORVANE-LEAK-PNG-COMMENT Seestrasse 12'
  '-PNG:Title=summer' '-PNG:Title-de=Sommer am See MORVANE-LEAK-PNG-ITXT-LANG')
png_time=('-PNG:ModifyDate=2022:07:14 18:30:05')
png_300dpi=(-PNG-pHYs:PixelsPerUnitX=11811 -PNG-pHYs:PixelsPerUnitY=11811 -PNG-pHYs:PixelUnits=meters)

# Genuine Canon maker notes (an IFD exiv2 builds from its Canon tags) with an owner and a serial number.
maker_notes() {
  exiv2 -q -M'set Exif.Image.Make Canon' -M'set Exif.Canon.OwnerName Ascii Anna Keller MORVANE-LEAK-MAKERNOTE' \
    -M'set Exif.Canon.SerialNumber Long 4711' -M'set Exif.Canon.FirmwareVersion Ascii Firmware 1.2.0' \
    -M'set Exif.Canon.ImageType Ascii Canon EOS 5D Mark IV' mo "$1"
}
thumbnail() { et "-ThumbnailImage<=$work/thumb.jpg" "$1"; }

# ---------------------------------------------------------------------------------------------------
# JPEG
jpeg() { # SOURCE OUT [ImageMagick options]: an unadorned JPEG at quality 92
  local source=$1 file=$2
  shift 2
  im "$source" "$@" "${strip[@]}" -quality 92 "$file"
}
j=$out/jpeg

f=$j/01_exif_gps_makernote_thumb.jpg
jpeg "$up" "$f"
et "${exif[@]}" "${gps[@]}" "$f"
maker_notes "$f"
thumbnail "$f"
entry jpeg/01_exif_gps_makernote_thumb.jpg JPEG "JFIF, EXIF (IFD0, Exif IFD, XP tags), GPS, Canon maker notes, IFD1 thumbnail" 1 640x480 -

f=$j/02_xmp.jpg
jpeg "$up" "$f"
et "${xmp[@]}" "$f"
entry jpeg/02_xmp.jpg JPEG "XMP (APP1)" - 640x480 -

f=$j/03_xmp_extended.jpg
jpeg "$up" "$f"
et "${xmp[@]}" "-XMP-dc:Description<=$long_text" "$f"
entry jpeg/03_xmp_extended.jpg JPEG "XMP and extended XMP (several APP1 segments, over 64 kB)" - 640x480 -

f=$j/04_iptc_photoshop.jpg
jpeg "$up" "$f"
et "${iptc[@]}" "$f"
entry jpeg/04_iptc_photoshop.jpg JPEG "IPTC in a Photoshop resource block (APP13)" - 640x480 -

f=$j/05_comment.jpg
jpeg "$up" "$f"
et '-Comment=MORVANE-LEAK-COM taken at Seestrasse 12 by Anna' "$f"
entry jpeg/05_comment.jpg JPEG "COM segment" - 640x480 -

f=$j/06_icc_adobergb.jpg
jpeg "$up" "$f"
et "-ICC_Profile<=$wide" "$f"
entry --clean jpeg/06_icc_adobergb.jpg JPEG "ICC profile compatible with Adobe RGB (APP2), to be kept" - 640x480 - "the output keeps the profile or converts the colours"

jpeg "$up" "$j/07_jfif_300dpi.jpg" -units PixelsPerInch -density 300
entry --clean jpeg/07_jfif_300dpi.jpg JPEG "JFIF density 300 dpi only, to be kept" - 640x480 300

f=$j/08_exif_dpi_only.jpg
jpeg "$up" "$f"
et -JFIF:all= -EXIF:XResolution=300 -EXIF:YResolution=300 -EXIF:ResolutionUnit=inches -EXIF:Make=Canon "$f"
entry jpeg/08_exif_dpi_only.jpg JPEG "no JFIF; 300 dpi only in EXIF IFD0, and Make" - 640x480 300 "the resolution comes from EXIF"

f=$j/09_trailer_after_eoi.jpg
jpeg "$up" "$f"
trail "$f"
entry jpeg/09_trailer_after_eoi.jpg JPEG "after EOI: a second JPEG with EXIF and GPS, then text" - 640x480 -

f=$j/10_progressive_exif.jpg
jpeg "$up" "$f" -interlace JPEG
et "${exif[@]}" "${gps[@]}" "$f"
entry jpeg/10_progressive_exif.jpg JPEG "progressive, EXIF and GPS" 1 640x480 -

f=$j/11_cmyk_adobe_iptc.jpg
jpeg "$up" "$f" -colorspace CMYK
et "${iptc[@]}" "${xmp[@]}" "$f"
entry jpeg/11_cmyk_adobe_iptc.jpg JPEG "CMYK (Adobe APP14), IPTC and XMP" - 640x480 - "four-channel pixels"

f=$j/12_gray_exif.jpg
jpeg "$up" "$f" -colorspace Gray
et "${exif[@]}" "$f"
entry jpeg/12_gray_exif.jpg JPEG "grey, EXIF" 1 640x480 -

f=$j/13_kitchen_sink.jpg
# shellcheck disable=SC2046 # the options are words
jpeg "$up" "$f" $(stored_as 6) -units PixelsPerInch -density 300
et '-Comment=MORVANE-LEAK-COM kitchen sink' "${exif[@]}" "${gps[@]}" "${xmp[@]}" "${iptc[@]}" "-ICC_Profile<=$srgb" \
  -EXIF:Orientation#=6 -EXIF:XResolution=300 -EXIF:YResolution=300 -EXIF:ResolutionUnit=inches "$f"
maker_notes "$f"
thumbnail "$f"
trail "$f"
entry jpeg/13_kitchen_sink.jpg JPEG "JFIF 300 dpi, EXIF, GPS, maker notes, thumbnail, XMP, IPTC, COM, ICC sRGB, data after EOI" 6 640x480 300 "stored 480x640"

f=$j/14_foreign_segments.jpg
jpeg "$up" "$f"
# A JFIF extension thumbnail (JPEG-coded), a FlashPix APP2 chain that is no colour profile, a "Ducky"
# APP12 block as image editors write it, and an APP15 segment of unknown kind.
{ printf 'JFXX\0\x10'; cat "$work/thumb.jpg"; } >"$work/jfxx"
inject jpeg-segment "$f" e0 "@$work/jfxx"
inject jpeg-segment "$f" e2 $'FPXR\0\0\x01MORVANE-LEAK-APP2-FLASHPIX contents list'
inject jpeg-segment "$f" ec $'Ducky\0\x01\0\x04\0\0\0\x50\0\x02\0\x1eMORVANE-LEAK-APP12-DUCKY Anna\0\0'
inject jpeg-segment "$f" ef 'MORVANE-LEAK-APP15 private block of a phone maker'
entry jpeg/14_foreign_segments.jpg JPEG "JFXX thumbnail (APP0), FlashPix APP2 chain, Ducky APP12, unknown APP15" - 640x480 -

cp "$j/01_exif_gps_makernote_thumb.jpg" "$j/Ünïcødé name (copy) #1.JPEG"
entry "jpeg/Ünïcødé name (copy) #1.JPEG" JPEG "as 01; a name with non-ASCII letters, spaces and an upper-case extension" 1 640x480 -

for o in 1 2 3 4 5 6 7 8; do
  f=$j/orient/orient_$o.jpg
  # shellcheck disable=SC2046
  jpeg "$up" "$f" $(stored_as $o)
  et -EXIF:Orientation#=$o -EXIF:Make=Canon '-EXIF:Model=Canon EOS 5D Mark IV' \
    '-EXIF:DateTimeOriginal=2022:07:14 18:30:05' "${gps[@]}" "$f"
  entry "jpeg/orient/orient_$o.jpg" JPEG "Orientation $o, Make, Model, date, GPS" $o 640x480 - "upright: dirty_ref/upright_640x480.png"
done
f=$j/orient/orient_6_odd_633x427.jpg
# shellcheck disable=SC2046
jpeg "$odd" "$f" $(stored_as 6)
et -EXIF:Orientation#=6 -EXIF:Make=Canon "$f"
entry jpeg/orient/orient_6_odd_633x427.jpg JPEG "Orientation 6, sides no multiple of 8 or 16" 6 633x427 - "upright: dirty_ref/upright_633x427.png"

# ---------------------------------------------------------------------------------------------------
# PNG
png() { # SOURCE OUT [ImageMagick options]: 8-bit RGB unless OUT names another PNG flavour
  local source=$1 file=$2
  shift 2
  [[ $file == *:* ]] || file=PNG24:$file
  im "$source" -alpha off -depth 8 "$@" "${strip[@]}" "$file"
}
p=$out/png

f=$p/01_text_chunks.png
png "$up" "$f"
et "${png_text[@]}" "${xmp[@]}" "$f"
et -z "-PNG:Description<=$long_text" '-PNG:Disclaimer-fr=MORVANE-LEAK-PNG-ITXT-COMPRESSED données privées' "$f"
entry png/01_text_chunks.png PNG "tEXt, zTXt, iTXt (with language, compressed), XMP in iTXt" - 640x480 -

f=$p/02_exif_chunk.png
png "$up" "$f"
et "${exif[@]}" "${gps[@]}" "$f"
entry png/02_exif_chunk.png PNG "eXIf with EXIF and GPS" 1 640x480 -

f=$p/03_exif_orient6.png
# shellcheck disable=SC2046
png "$up" "$f" $(stored_as 6)
et -EXIF:Orientation#=6 -EXIF:Make=Canon "$f"
entry png/03_exif_orient6.png PNG "eXIf with Orientation 6" 6 640x480 - "stored 480x640"

f=$p/04_time.png
png "$up" "$f"
et "${png_time[@]}" "$f"
entry png/04_time.png PNG "tIME" - 640x480 -

f=$p/05_phys_300dpi.png
png "$up" "$f"
et "${png_300dpi[@]}" "$f"
entry --clean png/05_phys_300dpi.png PNG "pHYs 300 dpi only, to be kept" - 640x480 300

f=$p/06_iccp_adobergb.png
png "$up" "$f"
et "-ICC_Profile<=$wide" "$f"
entry --clean png/06_iccp_adobergb.png PNG "iCCP compatible with Adobe RGB, to be kept" - 640x480 -

f=$p/07_16bit_rgba.png
png "$up" "PNG64:$f" -alpha set -channel A -fx '0.4+0.6*i/w' +channel -depth 16
et "-PNG:Author=Anna Keller MORVANE-LEAK-PNG-AUTHOR" "${png_time[@]}" "${png_300dpi[@]}" "${gps[@]}" "$f"
entry png/07_16bit_rgba.png PNG "16-bit RGBA, tEXt, tIME, eXIf with GPS, pHYs" - 640x480 300 "alpha ramp: a JPEG output flattens it"

f=$p/08_palette_trns.png
png "$up" "PNG8:$f" -transparent '#2846b4' -colors 16
et '-PNG:Comment=MORVANE-LEAK-PNG-PALETTE-COMMENT' "$f"
entry png/08_palette_trns.png PNG "palette, tRNS, tEXt" - 640x480 -

f=$p/09_gray16.png
png "$up" "PNG:$f" -colorspace Gray -depth 16 -define png:color-type=0 -define png:bit-depth=16
et '-PNG:Software=ScanDesk 2 MORVANE-LEAK-PNG-SOFTWARE' '-PNG:Author=Anna Keller' "$f"
entry png/09_gray16.png PNG "16-bit grey, tEXt" - 640x480 -

f=$p/10_kitchen_sink.png
png "$up" "$f"
et "${png_text[@]}" "${png_time[@]}" "${png_300dpi[@]}" "-ICC_Profile<=$srgb" "${exif[@]}" "${gps[@]}" "${xmp[@]}" "$f"
et -z "-PNG:Description<=$long_text" "$f"
printf 'MORVANE-LEAK-AFTER-IEND owner=Anna Keller\n' >>"$f"
entry png/10_kitchen_sink.png PNG "tEXt, zTXt, iTXt, XMP, eXIf with GPS, tIME, pHYs 300 dpi, iCCP sRGB, data after IEND" - 640x480 300

f=$p/11_private_chunks.png
png "$up" "$f"
inject png-chunk "$f" prVt 'MORVANE-LEAK-PNG-PRIVATE-CHUNK device=ANNAS-PHONE'
inject png-chunk "$f" tXMP 'MORVANE-LEAK-PNG-UNKNOWN-ANCILLARY'
entry png/11_private_chunks.png PNG "private ancillary chunks (prVt, tXMP)" - 640x480 -

# ---------------------------------------------------------------------------------------------------
# TIFF
tiff() { local source=$1 file=$2; shift 2; im "$source" "$@" "${strip[@]}" "$file"; }
t=$out/tiff

f=$t/01_exif_gps_xmp_iptc_icc.tif
tiff "$up" "$f" -compress lzw -units PixelsPerInch -density 300
et "${exif[@]}" "${gps[@]}" "${xmp[@]}" "${iptc[@]}" "-ICC_Profile<=$srgb" \
  '-IFD0:DocumentName=MORVANE-LEAK-TIFF-DOCUMENTNAME anna_passport.tif' '-IFD0:PageName=MORVANE-LEAK-TIFF-PAGENAME' "$f"
entry tiff/01_exif_gps_xmp_iptc_icc.tif TIFF "IFD0 texts, Exif IFD, GPS IFD, XMP (700), IPTC (33723), ICC (34675), 300 dpi, LZW" - 640x480 300

for o in 3 6 8; do
  f=$t/02_orient_$o.tif
  # shellcheck disable=SC2046
  tiff "$up" "$f" $(stored_as $o) -compress none
  et -IFD0:Orientation#=$o -EXIF:Make=Canon '-EXIF:ModifyDate=2022:07:14 18:30:05' "$f"
  entry "tiff/02_orient_$o.tif" TIFF "Orientation $o, Make, DateTime" $o 640x480 - "upright: dirty_ref/upright_640x480.png"
done

f=$t/03_res_cm.tif
tiff "$up" "$f" -compress zip
et -IFD0:XResolution=118.11 -IFD0:YResolution=118.11 -IFD0:ResolutionUnit=cm '-IFD0:Artist=Anna Keller MORVANE-LEAK-TIFF-ARTIST' "$f"
entry tiff/03_res_cm.tif TIFF "resolution in pixels per cm (118.11 = 300 dpi), Artist, Deflate" - 640x480 300 "unit conversion"

# Three pages of different hue; IFD0 has EXIF and GPS, the later pages texts of their own.
for i in 0 1 2; do im "$up" -modulate 100,100,$((100 + 30 * i)) "${strip[@]}" "$work/page$i.png"; done
f=$t/04_multipage_3.tif
im "$work/page0.png" "$work/page1.png" "$work/page2.png" "${strip[@]}" -compress lzw "$f"
et "${exif[@]}" "${gps[@]}" "$f"
for page in 1 2; do
  tiffset -d $page -s 270 "MORVANE-LEAK-TIFF-PAGE$page description" "$f" >/dev/null 2>&1
  tiffset -d $page -s 315 "Anna Keller MORVANE-LEAK-TIFF-PAGE$page-ARTIST" "$f" >/dev/null 2>&1
  tiffset -d $page -s 306 "2022:07:1$page 18:30:05" "$f" >/dev/null 2>&1
done
entry tiff/04_multipage_3.tif TIFF "three pages; EXIF and GPS in IFD0; ImageDescription, Artist, DateTime in pages 2 and 3" - 640x480 - "each page another hue"

f=$t/05_16bit_bigendian.tif
tiff "$up" "$f" -depth 16 -endian MSB -compress none
et "${exif[@]}" "$f"
entry tiff/05_16bit_bigendian.tif TIFF "16-bit RGB, big-endian (MM), EXIF" - 640x480 -

f=$t/06_kitchen_sink_orient6.tif
# shellcheck disable=SC2046
tiff "$up" "$f" $(stored_as 6) -compress lzw -units PixelsPerInch -density 300
et "${exif[@]}" "${gps[@]}" "${xmp[@]}" "${iptc[@]}" "-ICC_Profile<=$wide" -IFD0:Orientation#=6 "$f"
entry tiff/06_kitchen_sink_orient6.tif TIFF "EXIF, GPS, XMP, IPTC, ICC Adobe RGB compatible, Orientation 6, 300 dpi" 6 640x480 300 "stored 480x640"

# ---------------------------------------------------------------------------------------------------
# GIF
g=$out/gif
im "$up" -resize 320x240 "${strip[@]}" "$work/frame0.png"
im "$work/frame0.png" -flop "${strip[@]}" "$work/frame1.png"
im "$work/frame0.png" -negate "${strip[@]}" "$work/frame2.png"

f=$g/01_animated_comment_xmp.gif
im -delay 40 "$work/frame0.png" "$work/frame1.png" "$work/frame2.png" -loop 0 "${strip[@]}" "$f"
et '-Comment=MORVANE-LEAK-GIF-COMMENT Anna, Seestrasse 12' "${xmp[@]}" "$f"
entry gif/01_animated_comment_xmp.gif GIF "three frames, NETSCAPE2.0 loop, comment extension, XMP application extension" - 320x240 - "the first frame is the picture"

f=$g/02_static_comment_xmp_icc.gif
im "$work/frame0.png" "${strip[@]}" "$f"
et '-Comment=MORVANE-LEAK-GIF-STATIC-COMMENT' "${xmp[@]}" "-ICC_Profile<=$srgb" "$f"
inject gif-extension "$f" ff 'MRVNPRIV1.0' 'MORVANE-LEAK-GIF-APPLICATION private data'
inject gif-extension "$f" 01 $'\0\0\0\0\x40\0\x10\0\x08\x10\x01\0' 'MORVANE-LEAK-GIF-PLAINTEXT'
entry gif/02_static_comment_xmp_icc.gif GIF "comment, XMP, ICC (ICCRGBG1012) and a private application extension, plain-text extension" - 320x240 -

f=$g/03_transparent.gif
im "$work/frame0.png" -transparent '#2846b4' "${strip[@]}" "$f"
et '-Comment=MORVANE-LEAK-GIF-TRANSPARENT-COMMENT' "$f"
printf 'MORVANE-LEAK-AFTER-GIF-TRAILER Anna Keller\n' >>"$f"
entry gif/03_transparent.gif GIF "transparency, comment, data after the trailer" - 320x240 -

# ---------------------------------------------------------------------------------------------------
# BMP
b=$out/bmp
im "$up" "${strip[@]}" -units PixelsPerInch -density 300 "BMP3:$b/01_24bit_300dpi.bmp"
entry --clean bmp/01_24bit_300dpi.bmp BMP "BITMAPINFOHEADER, 11811 pixels per metre (300 dpi), to be kept" - 640x480 300
im "$up" "${strip[@]}" -alpha set -channel A -fx '0.4+0.6*i/w' +channel -profile "$wide" -units PixelsPerInch \
  -density 96 "BMP:$b/02_32bit_v5_icc.bmp"
entry --clean bmp/02_32bit_v5_icc.bmp BMP "BITMAPV5HEADER, 32-bit BGRA, embedded ICC profile, 96 dpi" - 640x480 96 "alpha: a JPEG output flattens it"
im "$up" "${strip[@]}" -colors 256 -type Palette -units PixelsPerInch -density 72 "BMP3:$b/03_8bit_palette.bmp"
entry --clean bmp/03_8bit_palette.bmp BMP "8-bit palette, 72 dpi" - 640x480 72
im "$odd" "${strip[@]}" "BMP3:$b/04_24bit_odd_width.bmp"
entry --clean bmp/04_24bit_odd_width.bmp BMP "633 pixels wide (padded rows), no resolution" - 633x427 -
f=$b/05_linked_profile_trailer.bmp
im "$up" "${strip[@]}" -alpha set -channel A -evaluate set 100% +channel "BMP:$f"
inject bmp-linked-profile "$f" 'C:\Users\Anna Keller\MORVANE-LEAK-BMP-LINKED-PROFILE.icc'
printf 'MORVANE-LEAK-AFTER-BMP-DATA Anna Keller\n' >>"$f"
entry bmp/05_linked_profile_trailer.bmp BMP "BITMAPV5HEADER with a linked profile (a file name), data after the bitmap" - 640x480 -

# ---------------------------------------------------------------------------------------------------
# Broken and misleading files
png "$up" "$work/named.png"
et '-PNG:Author=Anna Keller MORVANE-LEAK-PNG-NAMED-AS-JPEG' "$work/named.png"
mv "$work/named.png" "$out/misc/png_named_as.jpg"
entry misc/png_named_as.jpg PNG "PNG data under a .jpg name, tEXt" - 640x480 - "the content decides the format"
# 01 cut right before its image data (at the last start-of-scan marker: the thumbnail has its own). A file
# cut inside its image data is written with the rows it holds; one without any is not.
src=$j/01_exif_gps_makernote_thumb.jpg
scan=$(grep -obUaP '\xFF\xDA' "$src" | tail -n 1 | cut -d: -f1)
head -c "$scan" "$src" >"$out/misc/truncated.jpg"
entry misc/truncated.jpg JPEG "jpeg/01 cut right before its image data (metadata whole)" 1 640x480 - "fails cleanly; its metadata is never copied"
: >"$out/misc/empty.jpg"
entry misc/empty.jpg - "zero bytes" - - - "reported as an error"

# ---------------------------------------------------------------------------------------------------
# Self-check: ImageMagick's own turning brings every turned file back to its upright picture.
mean_difference() { # FILE REFERENCE
  "$magick" -quiet "$1" -auto-orient "$2" -compose difference -composite \
    -colorspace Gray -format '%[fx:round(255*mean)]' info:
}
failed=0
for f in "$j"/orient/orient_?.jpg "$j/13_kitchen_sink.jpg" "$t"/02_orient_?.tif "$t/06_kitchen_sink_orient6.tif"; do
  d=$(mean_difference "$f" "$up")
  [ "$d" -le 4 ] || { echo "make_dirty: $f turned upright differs from the reference by $d" >&2; failed=1; }
done
d=$(mean_difference "$j/orient/orient_6_odd_633x427.jpg" "$odd")
[ "$d" -le 4 ] || { echo "make_dirty: orient_6_odd_633x427.jpg differs by $d" >&2; failed=1; }
[ $failed = 0 ] || exit 1

# ---------------------------------------------------------------------------------------------------
# HEIF (HEIC, AVIF) and WebP: a part of its own, run in this shell with the helpers above.
# shellcheck source=make_dirty_heif.sh
. "$here/make_dirty_heif.sh"

printf -- '-stay_open\nFalse\n' >&"${exiftool_job[1]}"
wait "$exiftool_job_PID"

count=$(find "$out" -type f ! -name MANIFEST.tsv | wc -l)
lines=$(($(wc -l <"$manifest") - 1))
[ "$count" = "$lines" ] || { echo "make_dirty: $count files but $lines manifest lines" >&2; exit 1; }
(cd "$out" && find . -type f ! -name MANIFEST.tsv -print0 | sort -z | xargs -0 md5sum >MD5SUMS)
echo "make_dirty: $count files in $out, upright references in $ref"
