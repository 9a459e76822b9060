#!/usr/bin/perl
# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Firefox ESR, headless, driven through its own Marionette protocol by
# Debian's libfirefox-marionette-perl (Debian ships no geckodriver), for
# browser_test.py: one JSON command a line on standard input, one JSON
# answer a line on standard output.
#   {"go": URL}                        -> {"ok": null}
#   {"script": BODY, "args": [...]}    -> {"ok": what BODY returns (a promise awaited)}
#   a failure                          -> {"error": TEXT}
use strict;
use warnings;
use Firefox::Marionette();
use JSON::PP();

my $json    = JSON::PP->new->utf8->allow_nonref;
my $firefox = Firefox::Marionette->new( visible => 0 );
$| = 1;
while ( my $line = <STDIN> ) {
    my $command = $json->decode($line);
    my $result  = eval {
        if ( exists $command->{go} ) {
            $firefox->go( $command->{go} );
            undef;
        }
        else {
            $firefox->script( $command->{script}, args => $command->{args} || [], timeout => 120_000 );
        }
    };
    print $json->encode( $@ ? { error => "$@" } : { ok => $result } ), "\n";
}
$firefox->quit();
