#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Lists what metadata is left in image files: the tests' judge of Morvane's outputs, independent of
# Morvane's own readers.
#
#   check_clean.sh [--strict] [--summary] PATH...     (folders are searched recursively)
#
# Two views of every file:
#   exiftool  every tag exiftool decodes (unknown and duplicate tags, embedded documents included)
#   bytes     a walk of the container: JPEG segments, PNG chunks, GIF blocks, TIFF directories (every
#             page, Exif, GPS, Interop and SubIFDs, also inside JPEG APP1, PNG eXIf and WebP EXIF), BMP
#             headers and the regions they cover, WebP chunks (also inside animation frames), HEIF boxes
#             and items (only the primary image's items may be there: the images it is made of and its
#             alpha; the media data they do not use must be empty), data after the end of the image;
#             every colour profile found is taken apart; and a search for the markers the dirty test set
#             plants ("MORVANE-LEAK"), in ASCII, UTF-16 and inside compressed chunks
#
# Allowed: the resolution (JFIF, EXIF/TIFF, pHYs, BMP), orientation 1, what describes the pixels
# (sizes, depth, colour type, compression, palette, transparency, gamma and chromaticities, Adobe's
# colour transform, GIF loop and frame control), and a colour profile that is whole and valid (size in
# its header, 'acsp', tag table and every tag inside the data, nothing outside the tags, APP2 chunks
# complete and in order) with registered colour tags only, whose texts (description, copyright, device
# and viewing descriptions) name only colour spaces, colour vendors or profile makers.
#
# Each finding is one line: LEVEL <TAB> file <TAB> view <TAB> where <TAB> detail, LEVEL being
#   personal  GPS, camera, serial numbers, dates, names, comments, XMP, IPTC, maker notes, thumbnails and
#             embedded images, text chunks, data after the end, non-profile APP2 chains, broken profiles,
#             private or unknown profile tags, profile texts that are no colour names, unknown blocks,
#             HEIF items other than the primary image's (Exif, XMP, thumbnails, depth and other auxiliary
#             images), item and handler names, entity groups
#   other     not personal but not allowed either: orientation other than 1,
#             Interop directories, harmless ancillary chunks, SEI messages in HEVC data, truncated files,
#             files this checker does not know
# --summary prints one line per file with a finding instead.
# Exit status: 0 nothing personal (with --strict: nothing at all), 1 something found, 2 usage error or
# no image among the files. Needs perl and exiftool's library (libimage-exiftool-perl).
set -euo pipefail
if ! perl -MImage::ExifTool -MCompress::Zlib -e 1 2>/dev/null; then
  echo "check_clean: perl with exiftool's library is needed (apt-get install libimage-exiftool-perl)" >&2
  exit 2
fi
exec perl - "$@" <<'PERL'
use strict;
use warnings;
use Compress::Zlib ();
use Encode ();
use File::Find ();
use Image::ExifTool ();

my ($strict, $summary) = (0, 0);
my @paths;
while (@ARGV) {
    my $arg = shift @ARGV;
    if ($arg eq '--strict') { $strict = 1 }
    elsif ($arg eq '--summary') { $summary = 1 }
    elsif ($arg eq '-h' || $arg eq '--help') { print "usage: check_clean.sh [--strict] [--summary] PATH...\n"; exit 0 }
    elsif ($arg eq '--') { push @paths, @ARGV; last }
    elsif ($arg =~ /^-/) { usage("unknown option $arg") }
    else { push @paths, $arg }
}
usage('nothing to check') unless @paths;

sub usage {
    print STDERR "check_clean: $_[0]\nusage: check_clean.sh [--strict] [--summary] PATH...\n";
    exit 2;
}

# Every file to look at, with the name it is reported under (relative to the folder it was found in).
my @files;
for my $path (@paths) {
    if (-d $path) {
        my @found;
        File::Find::find({ no_chdir => 1, wanted => sub { push @found, $_ if -f $_ } }, $path);
        for my $f (sort @found) {
            (my $name = substr($f, length $path)) =~ s{^/+}{};
            push @files, [$f, $name];
        }
    } elsif (-f $path) {
        push @files, [$path, $path];
    } else {
        usage("$path is neither a file nor a folder");
    }
}

my @findings;    # [level, file, view, where, detail]
my $current;     # the reported name of the file being looked at
my @inflated;    # decompressed chunk data of the current file, for the marker search

sub finding {
    my ($level, $view, $where, $detail) = @_;
    $detail //= '';
    $detail =~ s/[^\x20-\x7e]/?/g;
    $detail = substr($detail, 0, 97) . '...' if length $detail > 100;
    push @findings, [$level, $current, $view, $where, $detail];
}
sub personal { finding('personal', 'bytes', @_) }
sub other    { finding('other', 'bytes', @_) }

# ----------------------------------------------------------------------------------------------------
# Colour profiles

# ICC tag signatures registered for colour, in versions 2 and 4 of the format.
my %icc_registered = map { $_ => 1 } qw(
    A2B0 A2B1 A2B2 B2A0 B2A1 B2A2 D2B0 D2B1 D2B2 D2B3 B2D0 B2D1 B2D2 B2D3 bXYZ bTRC bkpt calt chad chrm
    cicp ciis clro clrt clot cprt crdi desc dmnd dmdd gamt gXYZ gTRC kTRC lumi meas ncol ncl2 pre0 pre1
    pre2 resp rXYZ rTRC rig0 rig2 scrd scrn targ tech bfd vued view wtpt psd0 psd1 psd2 psd3 ps2s ps2i
    ps2r ps2c);
# Registered, but made to carry free data about devices and people.
my %icc_personal = map { $_ => 1 } qw(meta pseq psid devs);
# Tags whose content is text for people to read; 'dscm' is the localised description some systems add.
my %icc_text = map { $_ => 1 } qw(desc cprt dmnd dmdd vued scrd targ dscm);

# Words that may make up a profile's texts: colour spaces and their parts, and the words of a
# copyright line. Vendors and makers of colour profiles are matched as whole phrases first.
my @icc_colour_words = qw(
    rgb srgb scrgb esrgb argb rgba gray grey sgray greyscale grayscale mono monochrome cmyk cmy lab xyz cie
    luv lch yuv ycc ycbcr display p dci cinema compatible prophoto romm rimm eri ecirgb bt rec itu hdtv sdtv
    uhdtv pq hlg smpte aces acescg ap d gamma linear trc tone curve curves primaries white point black
    illuminant wide gamut widegamut colormatch generic coated uncoated web offset sheetfed newsprint swop
    gracol iso isocoated isouncoated psr lwc sc euroscale dot gain perceptual relative absolute
    colorimetric saturation intent preference beta camera monitor scanner printer paper photo);
my @icc_neutral_words = qw(
    copyright c all rights reserved inc incorporated corp corporation company co ltd limited gmbh ag llc
    sa plc public domain no warranty use freely at own risk is provided as by with for and of the in on
    to from under version v rev revision profile profiles icc icm generated created default reference
    viewing condition conditions standard based colour color space colourspace colorspace none n unknown
    www http https com org net ch de jp uk fr);
my %icc_words = map { $_ => 1 } @icc_colour_words, @icc_neutral_words;
# Colour vendors and profile makers (token sequences).
my @icc_makers = map { [split / /] } (
    'international color consortium', 'hewlett packard', 'hp', 'adobe systems', 'adobe', 'apple computer',
    'apple', 'microsoft', 'eastman kodak', 'kodak', 'little cms', 'lcms', 'littlecms', 'argyll', 'argyllcms',
    'graeme gill', 'marti maria', 'kai uwe behrmann', 'behrmann', 'elle stone', 'x rite', 'xrite',
    'gretagmacbeth', 'basiccolor', 'european color initiative', 'eci', 'fogra', 'idealliance', 'iec', 'color org',
    'colorsync', 'color solutions', 'imagemagick', 'gimp', 'ghostscript', 'artifex', 'google', 'nikon',
    'canon', 'sony', 'fujifilm', 'samsung', 'agfa', 'heidelberg', 'photoshop', 'oyranos', 'name');

# True when a text names nothing but colour spaces, colour vendors and profile makers.
sub colour_text_ok {
    my ($text) = @_;
    my @tokens = lc($text) =~ /[a-z]+|[0-9]+/g;
    my @left;
    TOKEN: for (my $i = 0; $i < @tokens; ++$i) {
        for my $maker (@icc_makers) {
            my $n = @$maker;
            next if $i + $n > @tokens;
            if (join(' ', @tokens[$i .. $i + $n - 1]) eq join(' ', @$maker)) {
                $i += $n - 1;
                next TOKEN;
            }
        }
        push @left, $tokens[$i];
    }
    return !grep { !$icc_words{$_} && !/^[0-9]+$/ && length($_) > 1 && !run_together($_) } @left;
}

# True when a word is colour words and makers' names written together ("itulab", "adobergb"); pieces
# of three letters or more only, so that short words cannot spell a name.
my %icc_pieces = map { $_ => 1 } grep { length >= 3 } @icc_colour_words, map { @$_ == 1 ? @$_ : () } @icc_makers;
sub run_together {
    my ($word) = @_;
    my @reach = (1);
    for my $end (1 .. length $word) {
        for my $start (0 .. $end - 3) {
            if ($reach[$start] && $icc_pieces{substr($word, $start, $end - $start)}) { $reach[$end] = 1; last }
        }
    }
    return $reach[length $word];
}

# The texts of a profile tag of type desc, text or mluc; undef when the type is none of these.
sub icc_tag_texts {
    my ($tag) = @_;
    my $type = substr($tag, 0, 4);
    if ($type eq 'desc') {
        my $n = unpack('N', substr($tag, 8, 4));
        my @texts = (substr($tag, 12, $n) =~ s/\0.*//sr);
        my $u = 12 + $n;
        if (length($tag) >= $u + 8) {
            my $count = unpack('N', substr($tag, $u + 4, 4));
            push @texts, Encode::decode('UTF-16BE', substr($tag, $u + 8, 2 * $count)) =~ s/\0.*//sr if $count;
            my $s = $u + 8 + 2 * $count;
            push @texts, substr($tag, $s + 3, unpack('C', substr($tag, $s + 2, 1))) =~ s/\0.*//sr
                if length($tag) >= $s + 3;
        }
        return @texts;
    }
    return (substr($tag, 8) =~ s/\0.*//sr) if $type eq 'text';
    if ($type eq 'mluc') {
        my ($count, $size) = unpack('NN', substr($tag, 8, 8));
        my @texts;
        for my $k (0 .. $count - 1) {
            my ($length, $offset) = unpack('NN', substr($tag, 16 + $k * $size + 4, 8));
            push @texts, Encode::decode('UTF-16BE', substr($tag, $offset, $length));
        }
        return @texts;
    }
    return;
}

sub check_profile {
    my ($data, $where) = @_;
    my $n = length $data;
    if ($n < 132 || substr($data, 36, 4) ne 'acsp') {
        personal($where, "colour-profile data that is no ICC profile ($n bytes)");
        return;
    }
    my ($size, $count) = (unpack('N', $data), unpack('N', substr($data, 128, 4)));
    my $table = 132 + 12 * $count;
    if ($size != $n || $count > 100 || $table > $n) {
        personal($where, "profile whose sizes do not add up (header $size, data $n, $count tags)");
        return;
    }
    my @covered = ([0, $table]);
    for my $k (0 .. $count - 1) {
        my ($sig, $offset, $length) = unpack('a4NN', substr($data, 132 + 12 * $k, 12));
        my $name = $sig =~ s/[^\x20-\x7e]/?/gr;
        if ($offset < $table || $offset + $length > $n) {
            personal($where, "profile tag '$name' outside the profile's data");
            next;
        }
        push @covered, [$offset, $offset + $length];
        if ($icc_personal{$sig}) {
            personal($where, "profile tag '$name' (device or free data)");
        } elsif (!$icc_registered{$sig} && !$icc_text{$sig}) {
            personal($where, "private profile tag '$name' ($length bytes)");
        } elsif ($icc_text{$sig}) {
            my @texts = icc_tag_texts(substr($data, $offset, $length));
            personal($where, "profile tag '$name' holds no text it can read") unless @texts;
            for my $text (@texts) {
                personal($where, "profile text '$name': $text") unless colour_text_ok($text);
            }
        }
    }
    # Whatever no tag covers must be padding (tags start on 4-byte boundaries).
    my $end = 0;
    for my $range (sort { $a->[0] <=> $b->[0] } @covered) {
        my ($from, $to) = @$range;
        if ($from > $end + 3 && substr($data, $end, $from - $end) =~ /[^\0]/) {
            personal($where, ($from - $end) . " bytes between the profile's tags");
        }
        $end = $to if $to > $end;
    }
    personal($where, ($n - $end) . " bytes after the profile's last tag")
        if $n > $end + 3 && substr($data, $end) =~ /[^\0]/;
}

# ----------------------------------------------------------------------------------------------------
# TIFF structures (TIFF files, EXIF in JPEG and PNG)

# Tags that describe the pixels of a TIFF image or its resolution.
my %tiff_structure = map { $_ => 1 } (254, 255, 256, 257, 258, 259, 262, 263, 264, 265, 266, 273, 277, 278,
    279, 280, 281, 282, 283, 284, 286, 287, 290, 291, 292, 293, 296, 297, 301, 317, 318, 319, 320, 321,
    322, 323, 324, 325, 332, 338, 339, 340, 341, 347, 529, 530, 531, 532);
# Exif IFD tags that describe the pixels only.
my %exif_structure = map { $_ => 1 } (0x9000, 0x9101, 0xA000, 0xA001, 0xA002, 0xA003);
my %tiff_names = (269 => 'DocumentName', 270 => 'ImageDescription', 271 => 'Make', 272 => 'Model',
    285 => 'PageName', 305 => 'Software', 306 => 'DateTime', 315 => 'Artist', 316 => 'HostComputer',
    513 => 'JPEG thumbnail offset', 514 => 'JPEG thumbnail length', 700 => 'XMP', 33432 => 'Copyright',
    33723 => 'IPTC', 34377 => 'Photoshop resources', 34665 => 'Exif IFD', 34853 => 'GPS IFD',
    37500 => 'MakerNote', 37510 => 'UserComment', 36867 => 'DateTimeOriginal', 36868 => 'DateTimeDigitized',
    42016 => 'ImageUniqueID', 42032 => 'CameraOwnerName', 42033 => 'BodySerialNumber', 42036 => 'LensModel',
    50341 => 'PrintIM', 40091 => 'XPTitle', 40092 => 'XPComment', 40093 => 'XPAuthor', 40094 => 'XPKeywords');
my %type_size = (1 => 1, 2 => 1, 3 => 2, 4 => 4, 5 => 8, 6 => 1, 7 => 1, 8 => 2, 9 => 4, 10 => 8, 11 => 4,
    12 => 8, 13 => 4, 16 => 8, 17 => 8, 18 => 8);

# Walks the TIFF structure in $buf starting at $base. $in_file: a TIFF file (later directories are pages)
# rather than EXIF data (where a second directory is a thumbnail's).
sub walk_tiff {
    my ($buf, $base, $where, $in_file) = @_;
    my $order = substr($buf, $base, 2);
    my ($s, $l, $q) = $order eq 'II' ? ('v', 'V', 'Q<') : $order eq 'MM' ? ('n', 'N', 'Q>') : ();
    unless ($s) { other($where, 'no TIFF header'); return }
    my $magic = unpack($s, substr($buf, $base + 2, 2));
    my $big = $magic == 43;
    my ($count_fmt, $off_fmt, $entry, $inline) = $big ? ($q, $q, 20, 8) : ($s, $l, 12, 4);
    my %seen;
    my $read_off = sub { my $at = $base + shift; $at + ($big ? 8 : 4) <= length $buf ? unpack($off_fmt, substr($buf, $at, $big ? 8 : 4)) : 0 };

    my $walk_ifd;
    $walk_ifd = sub {
        my ($offset, $kind, $label) = @_;
        return 0 if !$offset || $seen{$offset}++ || keys(%seen) > 500;
        my $at = $base + $offset;
        my $loc = "$where/$label";
        if ($at + ($big ? 8 : 2) > length $buf) { other($loc, 'directory outside the data'); return 0 }
        if ($kind eq 'thumbnail') { personal($loc, 'a second directory: an embedded thumbnail'); return 0 }
        my $n = unpack($count_fmt, substr($buf, $at, $big ? 8 : 2));
        $at += $big ? 8 : 2;
        if ($n > 1000 || $at + $n * $entry > length $buf) { other($loc, "directory of $n entries runs past the data"); return 0 }
        for my $i (0 .. $n - 1) {
            my $e = $at + $i * $entry;
            my ($tag, $type) = unpack("$s$s", substr($buf, $e, 4));
            my $count = $big ? unpack($q, substr($buf, $e + 4, 8)) : unpack($l, substr($buf, $e + 4, 4));
            my $field = substr($buf, $e + ($big ? 12 : 8), $inline);
            my $bytes = ($type_size{$type} // 1) * $count;
            my $value = $bytes <= $inline ? substr($field, 0, $bytes)
                : substr($buf, $base + unpack($off_fmt, $field), $bytes > 256 ? 256 : $bytes) // '';
            my $first = $type == 3 ? unpack($s, $value . "\0\0") : $type == 4 || $type == 13 ? unpack($l, $value . "\0" x 4) : ord($value || "\0");
            my $name = $tiff_names{$tag} // sprintf('tag %d', $tag);
            my $text = $type == 2 ? ($value =~ s/\0.*//sr) : '';
            if ($kind eq 'gps') {
                personal($loc, "GPS tag $tag") if $tag != 0;    # the version alone tells nothing
                other($loc, 'an empty GPS directory') if $tag == 0 && $n == 1;
            } elsif ($kind eq 'interop') {
                other($loc, "Interop tag $tag");
            } elsif ($kind eq 'exif') {
                next if $exif_structure{$tag};
                if ($tag == 0xA005) { $walk_ifd->($first, 'interop', 'Interop'); next }
                personal($loc, "$name $text");
            } else {
                if ($tag == 274) { other($loc, "Orientation $first") if $first != 1; next }
                if ($tag == 34675) {
                    $bytes > $inline ? check_profile(substr($buf, $base + unpack($off_fmt, $field), $bytes), "$loc/ICC")
                        : personal($loc, 'ICC tag too small for a profile');
                    next;
                }
                next if $tiff_structure{$tag} || ($in_file && ($tag == 513 || $tag == 514));
                if ($tag == 34665) { $walk_ifd->($first, 'exif', 'ExifIFD'); next }
                if ($tag == 34853) { $walk_ifd->($first, 'gps', 'GPS'); next }
                if ($tag == 330) {
                    my @subs = unpack(($type == 16 || $type == 18 ? $q : $l) . '*', $value);
                    $walk_ifd->($subs[$_], 'image', "SubIFD$_") for 0 .. $#subs;
                    next;
                }
                personal($loc, "$name $text");
            }
        }
        return $read_off->($offset + ($big ? 8 : 2) + $n * $entry);
    };

    my $next = $read_off->($big ? 8 : 4);
    for (my $k = 0; $next && $k < 1000; ++$k) {
        $next = $walk_ifd->($next, $in_file || $k == 0 ? 'image' : 'thumbnail', "IFD$k");
    }
}

# ----------------------------------------------------------------------------------------------------
# JPEG

sub walk_jpeg {
    my ($buf) = @_;
    my ($i, $n, $eoi) = (2, length $buf, undef);
    my @icc;
    while ($i < $n) {
        if (substr($buf, $i, 1) ne "\xFF") {
            other("offset $i", 'bytes where a marker should be');
            last;
        }
        ++$i while $i < $n && substr($buf, $i, 1) eq "\xFF";
        last if $i >= $n;
        my $m = ord substr($buf, $i++, 1);
        if ($m == 0xD9) { $eoi = $i; last }
        next if $m == 0x01 || ($m >= 0xD0 && $m <= 0xD7);
        if ($i + 2 > $n) { other('end', 'file ends inside a marker'); last }
        my $len = unpack('n', substr($buf, $i, 2));
        if ($len < 2 || $i + $len > $n) { other(sprintf('marker %02X', $m), 'segment runs past the end of the file'); last }
        my $seg = substr($buf, $i + 2, $len - 2);
        if ($m == 0xE0) {
            if ($seg =~ /^JFIF\0/) {
                my ($tw, $th) = unpack('CC', substr($seg, 12, 2) . "\0\0");
                personal('APP0 JFIF', "thumbnail ${tw}x$th") if $tw || $th;
                personal('APP0 JFIF', 'extra bytes in the JFIF segment') if length($seg) > 14 + 3 * $tw * $th;
            } else {
                personal('APP0', ($seg =~ /^JFXX/ ? 'JFXX thumbnail' : 'unknown APP0 ' . substr($seg, 0, 8)));
            }
        } elsif ($m == 0xE1) {
            if ($seg =~ /^Exif\0/) {
                walk_tiff($seg, 6, 'APP1 Exif', 0);
            } elsif ($seg =~ m{^http://ns\.adobe\.com/xap/1\.0/\0}) { personal('APP1', 'XMP') }
            elsif ($seg =~ m{^http://ns\.adobe\.com/xmp/extension/\0}) { personal('APP1', 'extended XMP') }
            else { personal('APP1', 'unknown APP1 ' . substr($seg, 0, 12)) }
        } elsif ($m == 0xE2) {
            if ($seg =~ /^ICC_PROFILE\0/) { push @icc, [unpack('CC', substr($seg, 12, 2)), substr($seg, 14)] }
            else { personal('APP2', 'APP2 chain that is no colour profile: ' . ($seg =~ s/\0.*//sr)) }
        } elsif ($m == 0xEE) {
            personal('APP14', 'not a plain Adobe colour-transform segment') unless $seg =~ /^Adobe/ && length($seg) == 12;
        } elsif ($m >= 0xE3 && $m <= 0xEF) {
            personal(sprintf('APP%d', $m - 0xE0), substr($seg, 0, 16));
        } elsif ($m == 0xFE) {
            personal('COM', $seg);
        } elsif ($m >= 0xF0 && $m <= 0xFD) {
            other(sprintf('marker %02X', $m), 'reserved marker');
        }
        $i += $len;
        if ($m == 0xDA) {    # entropy-coded data up to the next marker that is no stuffing or restart
            while ($i < $n - 1) {
                my $at = index($buf, "\xFF", $i);
                if ($at < 0 || $at >= $n - 1) { $i = $n; last }
                my $next = ord substr($buf, $at + 1, 1);
                if ($next == 0 || ($next >= 0xD0 && $next <= 0xD7)) { $i = $at + 2; next }
                $i = $at;
                last;
            }
        }
    }
    if (@icc) {
        my $total = @icc;
        my @bad = grep { $icc[$_][0] != $_ + 1 || $icc[$_][1] != $total } 0 .. $#icc;
        if (@bad) {
            personal('APP2 ICC', 'colour-profile chunks missing, repeated or out of order: '
                . join(' ', map { "$_->[0]/$_->[1]" } @icc));
        } else {
            check_profile(join('', map { $_->[2] } @icc), 'APP2 ICC');
        }
    }
    if (!defined $eoi) {
        other('EOI', 'no end-of-image marker (truncated file)');
    } elsif ($eoi < $n) {
        my $tail = substr($buf, $eoi);
        $tail =~ /[^\0\xFF]/ ? personal('after EOI', length($tail) . ' bytes' . ($tail =~ /\xFF\xD8\xFF/ ? ', another JPEG among them' : ''))
            : other('after EOI', length($tail) . ' bytes of padding');
    }
}

# ----------------------------------------------------------------------------------------------------
# PNG

my %png_allowed = map { $_ => 1 } qw(IHDR PLTE IDAT IEND tRNS pHYs sRGB gAMA cHRM sBIT cICP mDCv cLLi acTL fcTL fdAT);
my %png_harmless = map { $_ => 1 } qw(bKGD hIST oFFs sCAL sTER);

sub inflate {
    my ($data) = @_;
    my $out = Compress::Zlib::uncompress($data);
    push @inflated, $out if defined $out;
    return $out;
}

sub walk_png {
    my ($buf) = @_;
    my ($i, $n, $end) = (8, length $buf, undef);
    while ($i + 8 <= $n) {
        my ($len, $type) = unpack('Na4', substr($buf, $i, 8));
        my $name = $type =~ s/[^\x20-\x7e]/?/gr;
        if ($i + 12 + $len > $n) { other($name, 'chunk runs past the end of the file'); last }
        my $data = substr($buf, $i + 8, $len);
        $i += 12 + $len;
        if ($type eq 'iCCP') {
            my ($profile_name, $rest) = $data =~ /^([^\0]{0,79})\0\0(.*)$/s;
            if (!defined $rest) { personal('iCCP', 'malformed colour-profile chunk'); next }
            personal('iCCP', "profile name: $profile_name") unless colour_text_ok($profile_name);
            my $profile = inflate($rest);
            defined $profile ? check_profile($profile, 'iCCP') : personal('iCCP', 'colour profile that does not inflate');
        } elsif ($png_allowed{$type}) {
            if ($type eq 'IEND') { $end = $i; last }
        } elsif ($type eq 'tEXt' || $type eq 'zTXt' || $type eq 'iTXt') {
            my ($keyword) = $data =~ /^([^\0]*)/;
            personal($name, $keyword);
            inflate(substr($data, length($keyword) + 2)) if $type eq 'zTXt';
            if ($type eq 'iTXt' && substr($data, length($keyword) + 1, 1) eq "\1") {
                my $language_end = index($data, "\0", length($keyword) + 3);
                my $translated_end = $language_end < 0 ? -1 : index($data, "\0", $language_end + 1);
                inflate(substr($data, $translated_end + 1)) if $translated_end >= 0;
            }
        } elsif ($type eq 'eXIf') {
            personal('eXIf', "$len bytes of EXIF");
            walk_tiff($data, 0, 'eXIf', 0);
        } elsif ($type eq 'tIME') {
            personal('tIME', sprintf('%04d-%02d-%02d', unpack('nCC', $data)));
        } elsif ($png_harmless{$type}) {
            other($name, "$len bytes");
        } else {
            personal($name, "private or unknown chunk, $len bytes");
        }
    }
    if (!defined $end) { other('IEND', 'no IEND chunk (truncated file)') }
    elsif ($end < $n) { personal('after IEND', ($n - $end) . ' bytes') }
}

# ----------------------------------------------------------------------------------------------------
# GIF

sub walk_gif {
    my ($buf) = @_;
    my $n = length $buf;
    if ($n < 13) { other('header', 'truncated'); return }
    my $flags = ord substr($buf, 10, 1);
    my $i = 13 + (($flags & 0x80) ? 3 * (2 << ($flags & 7)) : 0);
    my $sub_blocks = sub {    # the data of the sub-blocks at $i (at most $max of them); moves $i past them
        my ($max) = @_;
        my $data = '';
        while ($i < $n && (!defined $max || $max-- > 0)) {
            my $size = ord substr($buf, $i++, 1);
            last unless $size;
            $data .= substr($buf, $i, $size);
            $i += $size;
        }
        return $data;
    };
    my $ended = 0;
    while ($i < $n) {
        my $b = ord substr($buf, $i, 1);
        if ($b == 0x3B) { ++$i; $ended = 1; last }
        if ($b == 0x2C) {
            my $local = ord(substr($buf, $i + 9, 1) // "\0");
            $i += 10 + (($local & 0x80) ? 3 * (2 << ($local & 7)) : 0) + 1;
            $sub_blocks->();
        } elsif ($b == 0x21) {
            my $label = ord(substr($buf, $i + 1, 1) // "\0");
            $i += 2;
            # Application and plain-text extensions start with a sub-block of their own (the name, the grid).
            my $head = $label == 0xFF || $label == 0x01 ? $sub_blocks->(1) : undef;
            my $data = $sub_blocks->();
            if ($label == 0xF9) {
                personal('graphic control', 'extra data') if length $data != 4;
            } elsif ($label == 0xFE) {
                personal('comment', $data);
            } elsif ($label == 0x01) {
                personal('plain text', $data);
            } elsif ($label == 0xFF) {
                my $app = $head // '';
                if ($app eq 'NETSCAPE2.0' || $app eq 'ANIMEXTS1.0') {
                    personal("application $app", 'more than a loop count') unless length($data) == 3 || length($data) == 5;
                } elsif ($app eq 'ICCRGBG1012') {
                    check_profile($data, 'application ICCRGBG1012');
                } else {
                    personal('application', ($app eq 'XMP DataXMP' ? 'XMP' : "private extension $app"));
                }
            } else {
                other(sprintf('extension %02X', $label), 'unknown extension');
            }
        } else {
            other("offset $i", 'unknown block');
            last;
        }
    }
    if (!$ended) { other('trailer', 'no trailer (truncated file)') }
    elsif ($i < $n) { personal('after trailer', ($n - $i) . ' bytes') }
}

# ----------------------------------------------------------------------------------------------------
# BMP

sub walk_bmp {
    my ($buf) = @_;
    my $n = length $buf;
    if ($n < 54) { other('header', 'truncated'); return }
    my ($file_size, $pixels_at, $header) = unpack('x2Vx4VV', $buf);
    my ($w, $h, $bpp, $compression, $image_size, $colours) = unpack('l<l<x2vVVx8V', substr($buf, 18, 32));
    my @regions = ([0, 14 + $header]);
    my $palette_at = 14 + $header;
    $palette_at += ($compression == 6 ? 16 : 12) if $header == 40 && ($compression == 3 || $compression == 6);
    push @regions, [14 + $header, $palette_at];
    my $palette = $colours || ($bpp <= 8 ? 1 << $bpp : 0);
    push @regions, [$palette_at, $palette_at + 4 * $palette];
    my $stride = int(($bpp * abs($w) + 31) / 32) * 4;
    my $pixels = ($compression == 1 || $compression == 2) ? $image_size : $stride * abs($h);
    push @regions, [$pixels_at, $pixels_at + $pixels];
    if ($header >= 124) {
        my $space = substr($buf, 14 + 56, 4);
        my ($profile_at, $profile_size) = unpack('VV', substr($buf, 14 + 112, 8));
        if ($space eq 'DEBM') {    # 'MBED': an embedded profile
            check_profile(substr($buf, 14 + $profile_at, $profile_size), 'V5 profile');
            push @regions, [14 + $profile_at, 14 + $profile_at + $profile_size];
        } elsif ($space eq 'KNIL') {    # 'LINK': the file name of a profile
            personal('V5 header', 'linked profile: ' . (substr($buf, 14 + $profile_at, $profile_size) =~ s/\0.*//sr));
            push @regions, [14 + $profile_at, 14 + $profile_at + $profile_size];
        }
    }
    other('header', "file size $file_size in the header, $n on disk") if $file_size != $n && $file_size > $n;
    my $end = 0;
    for my $r (sort { $a->[0] <=> $b->[0] } @regions) {
        if ($r->[0] > $end && substr($buf, $end, $r->[0] - $end) =~ /[^\0]/) {
            personal("offset $end", ($r->[0] - $end) . ' bytes that no header or bitmap covers');
        }
        $end = $r->[1] if $r->[1] > $end;
    }
    personal('after bitmap', ($n - $end) . ' bytes') if $n > $end && substr($buf, $end) =~ /[^\0]/;
}

# ----------------------------------------------------------------------------------------------------
# WebP

my %webp_allowed = map { $_ => 1 } ('VP8 ', 'VP8L', 'VP8X', 'ALPH', 'ANIM');

sub walk_webp {
    my ($buf) = @_;
    my $n = length $buf;
    my $end = 8 + unpack('V', substr($buf, 4, 4));
    if ($end > $n) {
        other('RIFF', 'runs past the end of the file (truncated file)');
        $end = $n;
    } elsif ($end < $n && substr($buf, $end) =~ /[^\0]/) {
        personal('after RIFF', ($n - $end) . ' bytes');
    }
    webp_chunks($buf, 12, $end);
}

sub webp_chunks {
    my ($buf, $i, $end) = @_;
    while ($i + 8 <= $end) {
        my ($id, $size) = unpack('a4V', substr($buf, $i, 8));
        my $name = $id =~ s/[^\x20-\x7e]/?/gr;
        my $at = $i + 8;
        if ($at + $size > $end) { other($name, 'chunk runs past its container'); last }
        my $data = substr($buf, $at, $size);
        if ($id eq 'ICCP') {
            check_profile($data, 'ICCP');
        } elsif ($id eq 'EXIF') {
            personal('EXIF', "$size bytes of EXIF");
            walk_tiff($data, $data =~ /^Exif\0\0/ ? 6 : 0, 'EXIF', 0);
        } elsif ($id eq 'XMP ') {
            personal('XMP', "$size bytes of XMP");
        } elsif ($id eq 'ANMF') {
            webp_chunks($buf, $at + 16, $at + $size);    # the frame's position and timing, then its chunks
        } elsif (!$webp_allowed{$id}) {
            personal($name, "private or unknown chunk, $size bytes");
        }
        $i = $at + $size + ($size & 1);
    }
}

# ----------------------------------------------------------------------------------------------------
# HEIF (HEIC, AVIF)

my %heif_brands = map { $_ => 1 } qw(heic heix heim heis mif1 mif2 avif avis msf1 hevc hevx miaf);
my %heif_image_types = map { $_ => 1 } qw(hvc1 av01 grid iden iovl);
# Item properties that describe the pixels; 'colr' profiles are taken apart, 'auxC' must name alpha.
my %heif_properties = map { $_ => 1 } qw(hvcC av1C ispe pixi colr auxC irot imir clap pasp clli mdcv cclv
    amve a1op a1lx lsel rloc);
my %heif_alpha = map { $_ => 1 } ('urn:mpeg:hevc:2015:auxid:1', 'urn:mpeg:avc:2015:auxid:1',
    'urn:mpeg:mpegB:cicp:systems:auxiliary:alpha');

sub heif_is_file {
    my ($buf) = @_;
    return 0 unless length($buf) >= 16 && substr($buf, 4, 4) eq 'ftyp';
    my $size = unpack('N', $buf);
    $size = length $buf if $size > length $buf;
    for (my $at = 8; $at + 4 <= $size; $at += 4) {
        next if $at == 12;
        return 1 if $heif_brands{substr($buf, $at, 4)};
    }
    return 0;
}

# The boxes between $from and $to: [type, payload start, end]; a second value names a box that does not fit.
sub heif_boxes {
    my ($buf, $from, $to) = @_;
    my @boxes;
    for (my $i = $from; $i < $to;) {
        return (\@boxes, ($to - $i) . ' bytes after the last box') if $to - $i < 8;
        my ($size, $type) = unpack('Na4', substr($buf, $i, 8));
        my $head = 8;
        if ($size == 1) { $size = unpack('Q>', substr($buf, $i + 8, 8)); $head = 16 }
        elsif ($size == 0) { $size = $to - $i }
        return (\@boxes, "box '" . ($type =~ s/[^\x20-\x7e]/?/gr) . "' runs past its end") if $size < $head || $i + $size > $to;
        push @boxes, [$type, $i + $head, $i + $size];
        $i += $size;
    }
    return (\@boxes, undef);
}

sub heif_int { my ($buf, $at, $bytes) = @_; my $v = 0; $v = $v * 256 + ord(substr($buf, $at + $_, 1) // "\0") for 0 .. $bytes - 1; return $v }

sub walk_heif {
    my ($buf) = @_;
    my ($top, $problem) = heif_boxes($buf, 0, length $buf);
    other('boxes', "$problem (truncated file)") if $problem;
    my (%items, @references, @properties, %associated, @mdat, $primary, $idat);
    for my $box (@$top) {
        my ($type, $from, $to) = @$box;
        my $name = $type =~ s/[^\x20-\x7e]/?/gr;
        if ($type eq 'ftyp') {
        } elsif ($type eq 'mdat') {
            push @mdat, [$from, $to];
        } elsif ($type eq 'meta') {
            my ($children, $bad) = heif_boxes($buf, $from + 4, $to);
            other('meta', $bad) if $bad;
            for my $child (@$children) {
                my ($ct, $cf, $cto) = @$child;
                my $payload = substr($buf, $cf, $cto - $cf);
                my $version = ord(substr($payload, 0, 1) // "\0");
                if ($ct eq 'hdlr') {
                    my $handler = substr($payload, 8, 4);
                    other('hdlr', "handler '$handler'") if $handler ne 'pict';
                    my $label = substr($payload, 24) // '';
                    $label =~ s/\0.*//s;
                    personal('hdlr', "handler name: $label") if length $label;
                } elsif ($ct eq 'pitm') {
                    $primary = heif_int($payload, 4, $version == 0 ? 2 : 4);
                } elsif ($ct eq 'iinf') {
                    my ($entries) = heif_boxes($buf, $cf + ($version == 0 ? 6 : 8), $cto);
                    for my $entry (@$entries) {
                        my $e = substr($buf, $entry->[1], $entry->[2] - $entry->[1]);
                        my $v = ord substr($e, 0, 1);
                        next if $v < 2;
                        my $w = $v == 2 ? 2 : 4;
                        my $id = heif_int($e, 4, $w);
                        my $item_type = substr($e, 4 + $w + 2, 4);
                        my ($label, $content) = split /\0/, substr($e, 4 + $w + 6) . "\0\0", 3;
                        @{ $items{$id} }{qw(type name content)} = ($item_type, $label, $content);
                    }
                } elsif ($ct eq 'iloc') {
                    my ($offset_size, $length_size) = (ord(substr($payload, 4, 1)) >> 4, ord(substr($payload, 4, 1)) & 15);
                    my $base_size = ord(substr($payload, 5, 1)) >> 4;
                    my $index_size = $version >= 1 ? ord(substr($payload, 5, 1)) & 15 : 0;
                    my $at = 6;
                    my $count = heif_int($payload, $at, $version < 2 ? 2 : 4);
                    $at += $version < 2 ? 2 : 4;
                    for (1 .. $count) {
                        last if $at >= length $payload;
                        my $id = heif_int($payload, $at, $version < 2 ? 2 : 4);
                        $at += $version < 2 ? 2 : 4;
                        my $method = 0;
                        if ($version >= 1) { $method = heif_int($payload, $at, 2) & 15; $at += 2 }
                        $at += 2;
                        my $base = heif_int($payload, $at, $base_size);
                        $at += $base_size;
                        my $extents = heif_int($payload, $at, 2);
                        $at += 2;
                        for (1 .. $extents) {
                            $at += $index_size;
                            my $offset = heif_int($payload, $at, $offset_size);
                            my $length = heif_int($payload, $at + $offset_size, $length_size);
                            $at += $offset_size + $length_size;
                            push @{ $items{$id}{extents} }, [$method, $base + $offset, $length];
                        }
                    }
                } elsif ($ct eq 'iref') {
                    my $w = $version == 0 ? 2 : 4;
                    my ($refs) = heif_boxes($buf, $cf + 4, $cto);
                    for my $ref (@$refs) {
                        my $r = substr($buf, $ref->[1], $ref->[2] - $ref->[1]);
                        my $from_id = heif_int($r, 0, $w);
                        my $count = heif_int($r, $w, 2);
                        push @references, [$ref->[0], $from_id, [map { heif_int($r, $w + 2 + $w * $_, $w) } 0 .. $count - 1]];
                    }
                } elsif ($ct eq 'iprp') {
                    my ($parts) = heif_boxes($buf, $cf, $cto);
                    for my $part (@$parts) {
                        if ($part->[0] eq 'ipco') {
                            my ($props) = heif_boxes($buf, $part->[1], $part->[2]);
                            push @properties, map { [$_->[0], substr($buf, $_->[1], $_->[2] - $_->[1])] } @$props;
                        } elsif ($part->[0] eq 'ipma') {
                            my $m = substr($buf, $part->[1], $part->[2] - $part->[1]);
                            my ($v, $flags) = (ord(substr($m, 0, 1)), heif_int($m, 1, 3));
                            my $count = heif_int($m, 4, 4);
                            my $at = 8;
                            for (1 .. $count) {
                                last if $at >= length $m;
                                my $id = heif_int($m, $at, $v < 1 ? 2 : 4);
                                $at += $v < 1 ? 2 : 4;
                                my $n = ord substr($m, $at++, 1);
                                for (1 .. $n) {
                                    my $index = ($flags & 1) ? heif_int($m, $at, 2) & 0x7FFF : ord(substr($m, $at, 1)) & 0x7F;
                                    $at += ($flags & 1) ? 2 : 1;
                                    push @{ $associated{$id} }, $index if $index;
                                }
                            }
                        } else {
                            personal('iprp', "unknown box '$part->[0]'");
                        }
                    }
                } elsif ($ct eq 'idat') {
                    $idat = [$cf, $cto];
                } elsif ($ct eq 'dinf') {
                } elsif ($ct eq 'grpl') {
                    personal('grpl', 'entity groups (bursts, pairs of images)');
                } else {
                    personal('meta', "unknown box '" . ($ct =~ s/[^\x20-\x7e]/?/gr) . "', " . ($cto - $cf) . ' bytes');
                }
            }
        } elsif ($type eq 'free' || $type eq 'skip') {
            personal($name, ($to - $from) . ' bytes of data in a free box') if substr($buf, $from, $to - $from) =~ /[^\0]/;
        } else {
            personal($name, 'unknown top-level box ' . ($type eq 'moov' ? '(an image sequence) ' : '') . ($to - $from) . ' bytes');
        }
    }
    unless (defined $primary && $items{$primary}) { other('pitm', 'no primary image'); return }
    $_->{type} //= '' for values %items;

    # The items that make the primary image: it, what it derives from, and its alpha (and theirs).
    my $aux_type = sub {
        for my $index (@{ $associated{ $_[0] } // [] }) {
            my $p = $properties[$index - 1] or next;
            return substr($p->[1], 4) =~ s/\0.*//sr if $p->[0] eq 'auxC';
        }
        return '';
    };
    my %kept = ($primary => 1);
    for (my $changed = 1; $changed;) {
        $changed = 0;
        for my $ref (@references) {
            my ($type, $from_id, $to_ids) = @$ref;
            my @add;
            push @add, @$to_ids if $type eq 'dimg' && $kept{$from_id};
            push @add, $from_id if $type eq 'auxl' && $heif_alpha{ $aux_type->($from_id) } && grep { $kept{$_} } @$to_ids;
            for (@add) { $changed = $kept{$_} = 1 unless $kept{$_} }
        }
    }
    for my $ref (@references) {
        my ($type, $from_id, $to_ids) = @$ref;
        next if $type eq 'dimg' || ($type eq 'auxl' && $kept{$from_id});
        my %what = (thmb => 'a thumbnail', cdsc => 'metadata about an image', auxl => 'an auxiliary image (' . $aux_type->($from_id) . ')');
        $what{$type} ? personal("iref $type", "item $from_id: $what{$type}") : other("iref $type", "item $from_id");
    }
    for my $id (sort { $a <=> $b } keys %items) {
        my $item = $items{$id};
        my $type = $item->{type} =~ s/[^\x20-\x7e]/?/gr;
        if (!$kept{$id}) {
            my $what = $type eq 'Exif' ? 'Exif block' : $type eq 'mime' ? "document ($item->{content})" : "'$type' item";
            personal("item $id", "$what outside the primary image");
            next;
        }
        other("item $id", "'$type' is no image") unless $heif_image_types{ $item->{type} };
        personal("item $id", "name: $item->{name}") if length($item->{name} // '');
        for my $index (@{ $associated{$id} // [] }) {
            my $p = $properties[$index - 1] or next;
            my ($ptype, $data) = @$p;
            my $pname = $ptype =~ s/[^\x20-\x7e]/?/gr;
            if (!$heif_properties{$ptype}) {
                personal("item $id", "property '$pname' (" . length($data) . ' bytes)');
            } elsif ($ptype eq 'auxC' && !$heif_alpha{ $aux_type->($id) }) {
                personal("item $id", 'auxiliary image ' . $aux_type->($id));
            } elsif ($ptype eq 'hvcC') {
                my $arrays = ord(substr($data, 22, 1) // "\0");
                for (my ($k, $at) = (0, 23); $k < $arrays && $at + 3 <= length $data; ++$k) {
                    my $nal = ord(substr($data, $at, 1)) & 0x3F;
                    my $count = unpack('n', substr($data, $at + 1, 2));
                    $at += 3;
                    for (1 .. $count) { $at += 2 + unpack('n', substr($data, $at, 2) . "\0\0") }
                    other("item $id", 'SEI message in the decoder configuration') if $nal == 39 || $nal == 40;
                }
            }
        }
    }
    # Every 'colr' profile, associated or not, is taken apart.
    for my $p (@properties) {
        next unless $p->[0] eq 'colr';
        my $kind = substr($p->[1], 0, 4);
        check_profile(substr($p->[1], 4), "colr $kind") if $kind eq 'prof' || $kind eq 'rICC';
    }
    # Media data that no kept item uses.
    my @used;
    for my $id (keys %kept) {
        for my $extent (@{ $items{$id}{extents} // [] }) {
            my ($method, $offset, $length) = @$extent;
            push @used, [$offset, $offset + $length] if $method == 0;
        }
    }
    for my $range (@mdat) {
        my ($from, $to) = @$range;
        my $at = $from;
        for my $u (sort { $a->[0] <=> $b->[0] } grep { $_->[1] > $from && $_->[0] < $to } @used) {
            personal('mdat', ($u->[0] - $at) . ' bytes that no image of the primary uses')
                if $u->[0] > $at && substr($buf, $at, $u->[0] - $at) =~ /[^\0]/;
            $at = $u->[1] if $u->[1] > $at;
        }
        personal('mdat', ($to - $at) . ' bytes that no image of the primary uses')
            if $to > $at && substr($buf, $at, $to - $at) =~ /[^\0]/;
    }
}

# ----------------------------------------------------------------------------------------------------
# exiftool's view

my %jfif_ok = map { $_ => 1 } qw(JFIFVersion ResolutionUnit XResolution YResolution);
my %ifd_ok = map { $_ => 1 } qw(ImageWidth ImageHeight BitsPerSample Compression PhotometricInterpretation
    Thresholding CellWidth CellLength FillOrder StripOffsets SamplesPerPixel RowsPerStrip StripByteCounts
    MinSampleValue MaxSampleValue XResolution YResolution PlanarConfiguration XPosition YPosition
    GrayResponseUnit GrayResponseCurve T4Options T6Options ResolutionUnit PageNumber TransferFunction
    Predictor WhitePoint PrimaryChromaticities ColorMap HalftoneHints TileWidth TileLength TileOffsets
    TileByteCounts InkSet ExtraSamples SampleFormat SMinSampleValue SMaxSampleValue JPEGTables
    YCbCrCoefficients YCbCrSubSampling YCbCrPositioning ReferenceBlackWhite SubfileType OldSubfileType
    ICC_Profile Orientation);
my %exififd_ok = map { $_ => 1 } qw(ExifVersion FlashpixVersion ColorSpace ExifImageWidth ExifImageHeight
    ComponentsConfiguration);
my %png_ok = map { $_ => 1 } qw(ImageWidth ImageHeight BitDepth ColorType Compression Filter Interlace
    Palette Transparency Gamma SRGBRendering SignificantBits ProfileName PixelsPerUnitX PixelsPerUnitY
    PixelUnits WhitePointX WhitePointY RedX RedY GreenX GreenY BlueX BlueY AnimationFrames AnimationPlays
    ColorPrimaries TransferCharacteristics MatrixCoefficients VideoFullRangeFlag);
my %gif_ok = map { $_ => 1 } qw(GIFVersion ImageWidth ImageHeight HasColorMap ColorResolutionDepth
    BitsPerPixel BackgroundColor AnimationIterations FrameCount Duration TransparentColor PixelAspectRatio
    AnimationExtension Interlaced);
my %riff_ok = map { $_ => 1 } qw(WebP_Flags ImageWidth ImageHeight VP8Version HorizontalScale VerticalScale
    AlphaPreprocessing AlphaFiltering AlphaCompression AnimationLoopCount BackgroundColor Duration FrameCount);
my %quicktime_ok = map { $_ => 1 } qw(MajorBrand MinorVersion CompatibleBrands HandlerType
    HEVCConfigurationVersion GeneralProfileSpace GeneralTierFlag GeneralProfileIDC GenProfileCompatibilityFlags
    ConstraintIndicatorFlags GeneralLevelIDC MinSpatialSegmentationIDC ParallelismType ChromaFormat BitDepthLuma
    BitDepthChroma AverageFrameRate ConstantFrameRate NumTemporalLayers TemporalIDNested ImageSpatialExtent
    ImagePixelDepth MediaDataSize MediaDataOffset MediaData ColorProfiles ColorPrimaries TransferCharacteristics
    MatrixCoefficients VideoFullRangeFlag AV1ConfigurationVersion SeqProfile SeqLevelIdx0 SeqTier0 HighBitDepth
    TwelveBit ChromaSamplePosition InitialDelaySamples PixelAspectRatio PrimaryItemReference MetaImageSize);
my %icc_text_tags = map { $_ => 1 } qw(ProfileDescription ProfileCopyright DeviceMfgDesc DeviceModelDesc
    ViewingCondDesc ScreeningDesc CharTarget ProfileDescriptionML);

# Returns [level, what] for a tag that is not allowed; nothing for an allowed one.
sub judge_tag {
    my ($g0, $g1, $tag, $value, $format) = @_;
    return if $g0 eq 'ExifTool' || $g0 eq 'System' || $g0 eq 'Composite';
    if ($g0 eq 'File') { return $tag eq 'Comment' ? ['personal', 'comment'] : () }
    if ($g0 eq 'JFIF') {
        return if $jfif_ok{$tag} || ($tag =~ /^Thumbnail(?:Width|Height)$/ && !$value);
        return ['personal', 'JFIF thumbnail'];
    }
    return if $g0 eq 'APP14';
    if ($g0 eq 'ICC_Profile') {
        (my $base = $tag) =~ s/-.*//;
        return ['personal', 'profile tag exiftool does not know'] if $tag =~ /^(?:Unknown|ICC_Unknown)/;
        return ['personal', 'device data in the profile'] if $tag =~ /^(?:MakeAndModel|VideoCardGamma|NativeDisplayInfo|Metadata|ProfileSequence)/;
        return ['personal', 'profile text'] if $icc_text_tags{$base} && !ref($value) && !colour_text_ok($value);
        return;
    }
    if ($g0 eq 'EXIF') {
        if ($g1 eq 'GPS') { return $tag eq 'GPSVersionID' ? ['other', 'GPS version'] : ['personal', 'GPS'] }
        if ($g1 eq 'ExifIFD') { return $exififd_ok{$tag} ? () : ['personal', 'Exif IFD'] }
        if ($g1 eq 'InteropIFD') { return ['other', 'Interop directory'] }
        if ($g1 eq 'IFD1' && $format ne 'TIFF') { return ['personal', 'thumbnail directory'] }
        if ($g1 =~ /^(?:IFD\d+|SubIFD\d*)$/) {
            if ($tag eq 'Orientation') { return "$value" eq '1' ? () : ['other', 'orientation not upright'] }
            return if $ifd_ok{$tag};
            return ['personal', $g1];
        }
        return ['personal', $g1];
    }
    if ($g0 eq 'PNG') {
        return if $png_ok{$tag};
        return ['other', 'harmless PNG chunk'] if $tag =~ /^(?:BackgroundColor|HistogramFrequencies|ImageOffset|SubjectScale|StereoImage)$/;
        return ['personal', $tag eq 'ModifyDate' ? 'PNG tIME' : 'PNG text'];
    }
    if ($g0 eq 'GIF') { return $gif_ok{$tag} ? () : ['personal', 'GIF'] }
    if ($g0 eq 'RIFF') { return $riff_ok{$tag} ? () : ['personal', 'RIFF'] }
    if ($g0 eq 'QuickTime') {
        return if $quicktime_ok{$tag};
        # HEIF's rotation and mirror are part of the picture (every decoder applies them): a copy keeps
        # them rather than re-encode it.
        return if $tag eq 'Rotation' || $tag eq 'Unknown_imir';
        return if $tag eq 'AuxiliaryImageType' && $heif_alpha{$value};
        return ['personal', 'QuickTime'];
    }
    return ['personal', $g0];    # XMP, IPTC, Photoshop, MakerNotes, FlashPix, MPF, Ducky, Trailer...
}

sub exiftool_view {
    my ($path, $format) = @_;
    my $et = Image::ExifTool->new;
    $et->Options(Duplicates => 1, Unknown => 1, ExtractEmbedded => 1, PrintConv => 0, LargeFileSupport => 1,
        Binary => 0);
    my $info = $et->ImageInfo($path);
    for my $key (sort keys %$info) {
        my ($g0, $g1) = ($et->GetGroup($key, 0), $et->GetGroup($key, 1));
        my $tag = Image::ExifTool::GetTagName($key);
        my $value = $info->{$key};
        my $verdict = judge_tag($g0, $g1, $tag, $value, $format) or next;
        my $shown = ref $value ? '(binary)' : $value;
        finding($verdict->[0], 'exiftool', "$g0:$g1:$tag", "$verdict->[1]: $shown");
    }
}

# ----------------------------------------------------------------------------------------------------

sub sniff {
    my ($b) = @_;
    return 'JPEG' if $b =~ /^\xFF\xD8/;
    return 'PNG'  if $b =~ /^\x89PNG\r\n\x1A\n/;
    return 'GIF'  if $b =~ /^GIF8[79]a/;
    return 'TIFF' if $b =~ /^(?:II[\x2A\x2B]\0|MM\0[\x2A\x2B])/;
    return 'BMP'  if $b =~ /^BM/;
    return 'WEBP' if $b =~ /^RIFF.{4}WEBP/s;
    return 'HEIF' if heif_is_file($b);
    return;
}

my ($images, %kinds, %is_image) = (0);
for my $file (@files) {
    my ($path, $name) = @$file;
    $current = $name;
    @inflated = ();
    open(my $fh, '<:raw', $path) or do { other('file', "cannot be read: $!"); next };
    my $buf = do { local $/; <$fh> } // '';
    close $fh;
    my $format = sniff($buf);
    unless ($format) {
        other('file', length $buf ? 'not an image this checker knows' : 'empty file');
        next;
    }
    ++$images;
    ++$kinds{$format};
    $is_image{$name} = 1;
    my %walk = (JPEG => \&walk_jpeg, PNG => \&walk_png, GIF => \&walk_gif, BMP => \&walk_bmp,
        TIFF => sub { walk_tiff($_[0], 0, 'TIFF', 1) }, WEBP => \&walk_webp, HEIF => \&walk_heif);
    eval { $walk{$format}->($buf); 1 } or other('walk', "stopped: $@");
    for my $data ($buf, @inflated) {
        my %markers;
        $markers{$1 =~ s/-[0-9]+$/-#/r} = 1 while $data =~ /(MORVANE-LEAK[-A-Z0-9]*)/g;
        for my $encoding ('UTF-16LE', 'UTF-16BE') {
            my $wide = Encode::encode($encoding, 'MORVANE-LEAK');
            $markers{"MORVANE-LEAK ($encoding)"} = 1 if index($data, $wide) >= 0;
        }
        personal('marker', $_) for sort keys %markers;
    }
    exiftool_view($path, $format);
}

if (!$images) {
    print STDERR "check_clean: no image among the files given\n";
    exit 2;
}
my (%personal, %other);
$_->[0] eq 'personal' ? $personal{$_->[1]}++ : $other{$_->[1]}++ for @findings;
if ($summary) {
    my %per;
    for my $f (@findings) {
        my $where = $f->[2] eq 'exiftool' ? ($f->[3] =~ s/:[^:]*$//r) : $f->[3];
        $per{$f->[1]}{$f->[0]}{$where} = 1;
    }
    for my $file (sort keys %per) {
        print join("\t", $file, map { my $l = $_; "$l: " . join(', ', sort keys %{ $per{$file}{$l} }) }
            grep { $per{$file}{$_} } qw(personal other)), "\n";
    }
} else {
    print join("\t", @$_), "\n" for @findings;
}
my $only_other = grep { !$personal{$_} } keys %other;
printf STDERR "# %d image files (%s): %d with something personal, %d more with other findings, %d clean\n",
    $images, join(', ', map { "$_ $kinds{$_}" } sort keys %kinds), scalar(keys %personal), $only_other,
    $images - scalar(grep { $personal{$_} || $other{$_} } keys %is_image);
exit(%personal || ($strict && %other) ? 1 : 0);
PERL
