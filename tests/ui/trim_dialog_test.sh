#!/usr/bin/env bash
# Failures of a dialog, shown on Trim: an output or a log that cannot be written, a corrupt input,
# a request that cannot be written; each shows one line and the pause and logs nothing.
source "$(dirname "$0")/e2e_lib.sh"
e2e_setup

log="$USERDIR/makeit.txt"

write_des "$USERDIR/G2.des" 4 "2" "0 1 1" "1 2 2" "0 3 3" "3 5 3"

# An output that cannot be written (a directory holds its name) is reported, not logged.
mkdir "$USERDIR/X.des"
run_keys " t2G2\ryX\ry"
check_screen_row 22 "Error writing file: $USERDIR/X.des"
check_screen_row 23 "Press <Enter> to return to SARV Procedures"
check "no entry after a failed write" "$(test -e "$log" && echo logged)" ""
# The failed request stays in place: it carries the debug switch and the minimization method,
# which M in the procedures menu inverts without a word.
check "request of the failed run" "$(head -3 "$USERDIR/murn.prm" | tr '\n' ' ')" "0 1 2 "
run_keys " tm2G2\ryX\ry"
check "minimization method after M" "$(sed -n 2p "$USERDIR/murn.prm")" 0
run_keys " tmm2G2\ryX\ry"
check "M twice" "$(sed -n 2p "$USERDIR/murn.prm")" 1

# An input that is there but is not a DES is named, nothing is written and nothing logged.
printf 'SARV DES file. Version 1.0\032Z8^0' >"$USERDIR/BROKEN.des"
run_keys " t2BROKEN\ryT9\r"
check_screen_row 22 "Error reading file: $USERDIR/BROKEN.des"
check "no output from a corrupt input" "$(test -e "$USERDIR/T9.des" && echo written)" ""
check "no entry for a corrupt input" "$(test -e "$log" && echo logged)" ""

# Every other failure also shows one line and the pause: here the request cannot be written.
rm -f "$USERDIR/murn.prm" "$log"
mkdir "$USERDIR/murn.prm"
run_keys " t2G2\ryT10\r"
check_screen_row 22 "The compute request could not be written."
check_screen_row 23 "Press <Enter> to return to SARV Procedures"
check "no entry for a failed request" "$(test -e "$log" && echo logged)" ""
rmdir "$USERDIR/murn.prm"

# A log that cannot be written is reported after the procedure ran.
mkdir "$log"
run_keys " t2G2\ryT11\r"
check_screen_row 22 "Cannot write the log $log"
check_screen_row 23 "Press <Enter> to return to SARV Procedures"
rmdir "$log"

e2e_done
