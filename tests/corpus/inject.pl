#!/usr/bin/perl
# SPDX-License-Identifier: GPL-3.0-or-later
# Puts raw blocks into an image file where no metadata tool writes them, for the dirty test set and the
# checker's own test. Every command rewrites FILE in place.
#
#   inject.pl jpeg-segment FILE MARKER PAYLOAD      an APPn/COM segment (MARKER in hex, e.g. ec) after the
#                                                   JFIF segment, or after SOI when there is none
#   inject.pl png-chunk FILE TYPE PAYLOAD           a chunk (with its CRC) just before the first IDAT
#   inject.pl gif-extension FILE LABEL HEAD PAYLOAD an extension block before the trailer: LABEL in hex,
#                                                   HEAD the first sub-block (11 bytes for an application
#                                                   extension, 12 for plain text), PAYLOAD split into sub-blocks
#   inject.pl bmp-linked-profile FILE PATH          turns a V5 BMP's colour space into a linked profile
#                                                   whose file name is PATH (stored after the pixels)
#
# PAYLOAD and HEAD are strings; "@name" reads the bytes of the file name instead.
use strict;
use warnings;
use Compress::Zlib qw(crc32);

sub bytes_of {
    my ($given) = @_;
    return $given unless $given =~ /^@(.+)/s;
    open(my $fh, '<:raw', $1) or die "inject.pl: $1: $!\n";
    local $/;
    my $data = <$fh>;
    return $data // '';
}

sub slurp { return bytes_of('@' . $_[0]) }

sub spew {
    my ($path, $data) = @_;
    open(my $fh, '>:raw', $path) or die "inject.pl: $path: $!\n";
    print $fh $data;
    close($fh) or die "inject.pl: $path: $!\n";
}

my ($command, $file, @args) = @ARGV;
die "usage: inject.pl COMMAND FILE ARGS...\n" unless defined $file;
my $data = slurp($file);

if ($command eq 'jpeg-segment') {
    my ($marker, $payload) = (hex $args[0], bytes_of($args[1]));
    die "inject.pl: segment too long\n" if length($payload) > 65533;
    die "inject.pl: $file is no JPEG\n" unless substr($data, 0, 2) eq "\xFF\xD8";
    my $at = 2;
    if (substr($data, 2, 2) eq "\xFF\xE0") {
        $at = 4 + unpack('n', substr($data, 4, 2));
    }
    substr($data, $at, 0) = pack('CCn', 0xFF, $marker, length($payload) + 2) . $payload;
} elsif ($command eq 'png-chunk') {
    my ($type, $payload) = ($args[0], bytes_of($args[1]));
    my $at = 8;
    $at += 12 + unpack('N', substr($data, $at, 4)) while $at + 8 <= length($data) && substr($data, $at + 4, 4) ne 'IDAT';
    die "inject.pl: $file has no IDAT\n" if $at + 8 > length $data;
    substr($data, $at, 0) = pack('N', length $payload) . $type . $payload . pack('N', crc32($type . $payload));
} elsif ($command eq 'gif-extension') {
    my ($label, $head, $payload) = (hex $args[0], bytes_of($args[1]), bytes_of($args[2]));
    die "inject.pl: $file does not end with a GIF trailer\n" unless substr($data, -1) eq ';';
    my $block = pack('CCC', 0x21, $label, length $head) . $head;
    $block .= pack('C', length $1) . $1 while $payload =~ /(.{1,255})/gs;
    substr($data, length($data) - 1, 0) = $block . "\0";
} elsif ($command eq 'bmp-linked-profile') {
    my $path = $args[0] . "\0";
    die "inject.pl: $file has no V5 header\n" unless unpack('V', substr($data, 14, 4)) == 124;
    substr($data, 14 + 56, 4) = 'KNIL';    # 'LINK', little-endian
    substr($data, 14 + 112, 8) = pack('VV', length($data) - 14, length $path);
    $data .= $path;
    substr($data, 2, 4) = pack('V', length $data);
} else {
    die "inject.pl: unknown command $command\n";
}
spew($file, $data);
