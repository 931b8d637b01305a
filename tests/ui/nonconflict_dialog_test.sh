#!/usr/bin/env bash
# The Nonconflict dialog, computed inside the front end: the answer under the prompts and the
# "true"/"false" entries of the MAKEIT log, whose computing time is indented by 7 or 8.
source "$(dirname "$0")/e2e_lib.sh"
e2e_setup

log="$USERDIR/makeit.txt"
time_line() { printf "\n%*sComputing time = 00:00:00" "$1" ""; }

# G: 0 -1-> 1 -2-> 2 and E: 0 -1-> 1, all marked: every state of their meet is marked.
write_des "$USERDIR/G.des" 3 "0 1 2" "0 1 1" "1 2 2"
write_des "$USERDIR/E.des" 2 "0 1" "0 1 1"
# A and B reach their marked states by different events: their meet is stuck in an unmarked state.
write_des "$USERDIR/A.des" 2 "1" "0 1 1"
write_des "$USERDIR/B.des" 2 "1" "0 2 1"
write_des "$USERDIR/EMPTY.des" 0 ""

run_keys " tnG\rE\r"
check_screen_row 0 "NONCONFLICT"
check_screen_row 2 "NONCONFLICT (DES1, DES2)"
check_screen_row 4 "Enter name of DES1 ....  G"
check_screen_row 6 "Enter name of DES2 ....  E"
check_screen_row 10 "G and E are NONCONFLICTING"
check_screen_row 23 "Press <Enter> to return to SARV Procedures"
check_file_is "$log" "true = Nonconflict(G,E)$(time_line 7)\n\n"
rm "$log"

run_keys " tnA\rB\r"
check_screen_row 10 "A and B are CONFLICTING!"
check_file_is "$log" "false = Nonconflict(A,B)$(time_line 8)\n\n"
rm "$log"

# An empty meet counts as nonconflicting; no file is written by the test.
before=$(ls "$USERDIR")
run_keys " tnEMPTY\rA\r"
check_screen_row 10 "EMPTY and A are NONCONFLICTING"
check_file_is "$log" "true = Nonconflict(EMPTY,A)$(time_line 7)\n\n"
check "only the log is new" "$(ls "$USERDIR" | grep -v makeit.txt)" "$before"

e2e_done
