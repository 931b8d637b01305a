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
# The compute process removes the request it failed on. A wrapper around the program keeps a copy
# of each request: it carries the debug switch and the minimization method, which M in the
# procedures menu inverts.
check "no request after a failed run" "$(test -e "$USERDIR/murn.prm" && echo left)" ""
rm "$WORK/sarv"
printf '#!/bin/bash\ncp user/murn.prm last.prm 2>/dev/null\nexec -a "$0" "%s" "$@"\n' "$SARV" >"$WORK/sarv"
chmod +x "$WORK/sarv"
run_keys " t2G2\ryX\ry"
check "request of the failed run" "$(head -3 "$WORK/last.prm" | tr '\n' ' ')" "0 1 2 "
run_keys " tm2G2\ryX\ry"
check "minimization method after M" "$(sed -n 2p "$WORK/last.prm")" 0
run_keys " tmm2G2\ryX\ry"
check "M twice" "$(sed -n 2p "$WORK/last.prm")" 1

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

# Control data under a DES name (initial-state field -1) are named as unreadable; the old output
# stays and no control data are written.
cp "$USERDIR/G2.des" "$USERDIR/CD.des"
printf '\377\377\377\377' | dd of="$USERDIR/CD.des" bs=1 seek=50 conv=notrunc 2>/dev/null
cp "$USERDIR/T.des" "$WORK/T.before"
run_keys " t2CD\ryT\ry"
check_screen_row 22 "Error reading file: $USERDIR/CD.des"
check "old output kept" "$(cmp -s "$USERDIR/T.des" "$WORK/T.before" && echo same)" same
check "no control data written" "$(ls "$USERDIR" | grep -c '\.dat$')" 0

e2e_done
