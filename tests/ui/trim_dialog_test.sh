#!/usr/bin/env bash
# The Trim dialog run through the real binary: prompts on screen, the result file, and the MAKEIT
# entries byte for byte (key-script mode turns clocking on).
source "$(dirname "$0")/e2e_lib.sh"
e2e_setup

log="$USERDIR/makeit.txt"
time_line() { printf "\n%*sComputing time = 00:00:00" "$1" ""; }

# G2: 0 -1-> 1 -2-> 2 (marked), and 0 -3-> 3 with a self-loop 5: state 3 never reaches a marked
# state, so trimming keeps 3 states and 2 transitions.
write_des "$USERDIR/G2.des" 4 "2" "0 1 1" "1 2 2" "0 3 3" "3 5 3"

run_keys " t2G2\ryT\r"
check_screen_row 0 "TRIM"
check_screen_row 2 "DES2 = TRIM (DES1)"
check_screen_row 4 "Enter name of DES1 to be trimmed ....  G2"
check_screen_row 6 "Assign new name to G2?   (*y/n)   y"
check_screen_row 8 "Enter new name for DES2 ....  T"
check_screen_row 23 "Press <Enter> to return to SARV Procedures"
check "Trim output written" "$(test -e "$USERDIR/T.des" && echo yes)" yes
check_file_is "$log" "T = Trim(G2)  (3,2)$(time_line 4)\n\n"
rm "$log"

# Enter at the question also asks for a new name; an existing one needs consent.
run_keys " t2G2\r\rT\ry"
check_screen_row 10 "Filename T already exists.  OK to overwrite?  (*y/n)  y"
check_file_is "$log" "T = Trim(G2)  (3,2)$(time_line 4)\n\n"
rm "$log"

# "n" lets the result replace DES1 without a further question.
run_keys " t2G2\rn"
check_file_is "$log" "G2 = Trim(G2)  (3,2)$(time_line 5)\n\n"
rm "$log"

# Without clocking the entry ends right after its sizes; Enter at the pause returns to the menu.
run_keys " ct2G2\rn\r"
check_file_is "$log" "G2 = Trim(G2)  (3,2)\n\n"
check_screen_row 3 "                               SARV PROCEDURES"
rm "$log"

# Debug mode leaves the child's output on the terminal; the dialog still ends at its pause.
run_keys " dt2G2\ryT3\r"
check_screen_row 8 "Enter new name for DES2 ....  T3"
check_screen_row 23 "Press <Enter> to return to SARV Procedures"
check_file_is "$log" "T3 = Trim(G2)  (3,2)$(time_line 5)\n\n"
rm "$log"

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
