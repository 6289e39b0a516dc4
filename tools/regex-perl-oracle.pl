#!/usr/bin/perl
# Reference answers of perl for the pattern matcher's differential test.
# Input lines: pattern and subject as UTF-16 code units in hex (4 digits each),
# separated by a tab. Output lines: 1 matched, 0 no match, E compile or run-time
# error, T perl took longer than two seconds.
# \Q...\E is an interpolation feature of perl's string literals, not of its
# regex compiler, so it is applied here before compiling.
use strict;
no warnings;
use re 'eval';

sub units { my ($hex) = @_; return join '', map { chr hex } ($hex =~ /(....)/g); }

sub quote_regions {
    my ($p) = @_;
    my ($out, $i, $n) = ('', 0, length $p);
    while ($i < $n) {
        my $c = substr($p, $i, 1);
        if ($c eq '\\' && $i + 1 < $n) {
            my $d = substr($p, $i + 1, 1);
            if ($d eq 'Q') {
                my $e = index($p, '\\E', $i + 2);
                my $body = $e < 0 ? substr($p, $i + 2) : substr($p, $i + 2, $e - $i - 2);
                $out .= quotemeta($body);
                $i = $e < 0 ? $n : $e + 2;
                next;
            }
            $out .= $c . $d;
            $i += 2;
            next;
        }
        $out .= $c;
        $i++;
    }
    return $out;
}

$| = 0;
while (my $line = <STDIN>) {
    chomp $line;
    my ($ph, $sh) = split /\t/, $line, -1;
    my $p = quote_regions(units($ph));
    # (?^...) would also reset the ASCII rules chosen below.
    $p =~ s/(?<!\\)\(\?\^/(?^aa/g;
    my $s = units($sh);
    # /aa: \d \w \s, POSIX classes and \b use ASCII rules, as the engine does.
    my $re = eval { qr/$p/aa };
    if (!defined $re) { print "E\n"; next; }
    my $timedOut = 0;
    my $m = eval {
        local $SIG{ALRM} = sub { $timedOut = 1; die "timeout\n" };
        alarm 2;
        my $r = ($s =~ $re) ? 1 : 0;
        alarm 0;
        $r;
    };
    my $error = $@;
    alarm 0;
    my $answer = $timedOut ? 'T' : defined $m ? $m : $error =~ /^panic/ ? 'P' : 'E';
    # Second opinion on the same question with perl's start-of-match
    # optimiser defeated by a leading code block. Not valid with (?R).
    my $second = '-';
    if (($answer eq '0' || $answer eq '1') && $p !~ /\(\?R\)/) {
        my $g = eval { qr/(?:(?{})|x)(?:$p)/aa };
        if (defined $g) {
            $second = eval {
                local $SIG{ALRM} = sub { die "timeout\n" };
                alarm 2;
                my $r = ($s =~ $g) ? 1 : 0;
                alarm 0;
                $r;
            };
            alarm 0;
            $second = '-' unless defined $second;
        }
    }
    print "$answer$second\n";
}
