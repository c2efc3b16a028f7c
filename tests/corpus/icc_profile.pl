#!/usr/bin/perl
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes an ICC profile made from another one, with texts replaced and tags added or dropped; the tag
# data is laid out afresh and the sizes are set to match, so the result is a whole, valid profile.
#
#   icc_profile.pl IN OUT [EDIT...]
#     SIG=TEXT        sets a text tag: 'desc' type for desc, dmnd, dmdd, vued, scrd; 'text' type otherwise
#     SIG:mluc=TEXT   sets a text tag as a localised Unicode text (en-US), as version 4 profiles hold them
#     -SIG            drops a tag
#     version=4       marks the profile as version 4.3
#     tail=TEXT       leaves TEXT after the last tag (a profile with bytes that no tag covers)
# A SIG the profile does not have yet is added.
use strict;
use warnings;
use Encode ();

my ($in, $out, @edits) = @ARGV;
die "usage: icc_profile.pl IN OUT [EDIT...]\n" unless defined $out;
open(my $fh, '<:raw', $in) or die "icc_profile.pl: $in: $!\n";
my $data = do { local $/; <$fh> };
close $fh;
die "icc_profile.pl: $in is no ICC profile\n" unless length($data) >= 132 && substr($data, 36, 4) eq 'acsp';

my $header = substr($data, 0, 128);
my $count = unpack('N', substr($data, 128, 4));
my (@order, %tag, %offset_of);
for my $k (0 .. $count - 1) {
    my ($sig, $offset, $size) = unpack('a4NN', substr($data, 132 + 12 * $k, 12));
    push @order, $sig;
    $tag{$sig} = substr($data, $offset, $size);
    $offset_of{$sig} = $offset;    # tags that share their data keep sharing it
}

sub desc_type {
    my ($text) = @_;
    return 'desc' . "\0" x 4 . pack('N', length($text) + 1) . $text . "\0" . "\0" x 8 . "\0" x 3 . "\0" x 67;
}
sub text_type { return 'text' . "\0" x 4 . $_[0] . "\0" }
sub mluc_type {
    my $utf16 = Encode::encode('UTF-16BE', $_[0]);
    return 'mluc' . "\0" x 4 . pack('NN', 1, 12) . 'enUS' . pack('NN', length $utf16, 28) . $utf16;
}

my $tail = '';
for my $edit (@edits) {
    if ($edit =~ /^version=4$/) {
        substr($header, 8, 4) = "\x04\x30\0\0";
    } elsif ($edit =~ /^tail=(.*)$/s) {
        $tail = $1;
    } elsif ($edit =~ /^-(.{4})$/s) {
        @order = grep { $_ ne $1 } @order;
        delete $tag{$1};
    } elsif ($edit =~ /^(.{4})(:mluc)?=(.*)$/s) {
        my ($sig, $mluc, $text) = ($1, $2, $3);
        push @order, $sig unless exists $tag{$sig};
        delete $offset_of{$sig};
        $tag{$sig} = $mluc ? mluc_type($text) : $sig =~ /^(?:desc|dmnd|dmdd|vued|scrd)$/ ? desc_type($text) : text_type($text);
    } else {
        die "icc_profile.pl: cannot read the edit '$edit'\n";
    }
}

my $table = 132 + 12 * @order;
my ($body, $entries, %placed) = ('', '');
for my $sig (@order) {
    my $shared = defined $offset_of{$sig} ? $offset_of{$sig} : "new $sig";
    unless (defined $placed{$shared}) {
        $body .= "\0" while length($body) % 4;
        $placed{$shared} = $table + length $body;
        $body .= $tag{$sig};
    }
    $entries .= pack('a4NN', $sig, $placed{$shared}, length $tag{$sig});
}
$body .= "\0" while length($body) % 4;
$body .= $tail;
my $profile = $header . pack('N', scalar @order) . $entries . $body;
substr($profile, 0, 4) = pack('N', length $profile);
substr($profile, 84, 16) = "\0" x 16;    # the profile ID no longer matches: leave it unset
open($fh, '>:raw', $out) or die "icc_profile.pl: $out: $!\n";
print $fh $profile;
close($fh) or die "icc_profile.pl: $out: $!\n";
