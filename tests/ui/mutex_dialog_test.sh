#!/usr/bin/env bash
# The Mutex dialog: its list of excluded state pairs (one pair a row, duplicates stored once,
# ascending in the log, a fresh screen with the header at the bottom) and its wrapped entry.
source "$(dirname "$0")/e2e_lib.sh"
e2e_setup

log="$USERDIR/makeit.txt"
time_line() { printf "\n%*sComputing time = 00:00:00" "$1" ""; }

# A: 0 -1-> 1 -2-> 0 and B: 0 -3-> 1 -4-> 0 share no event: their product has the four pairs.
write_des "$USERDIR/A.des" 2 "0" "0 1 1" "1 2 0"
write_des "$USERDIR/B.des" 2 "0" "0 3 1" "1 4 0"

# Excluding (1,1) keeps three states and the four transitions among them.
k=" t6A\rB\rM2\r"
for _ in $(seq 1 12); do k+="1\r1\r"; done
run_keys "$k-1\r"
check_screen_row 0 "MUTEX"
check_screen_row 2 "DES3 = MUTEX (DES1, DES2, EXCLUSED_STATE_PAIR_LIST)"
check_screen_row 4 "Continue to enter list of excluded state pairs."
check_screen_row 5 "1              1"
check_screen_row 7 "-1"
check_file_is "$log" "M2 = Mutex(A,B,[[1,1]])  (3,4)$(time_line 5)\n\n"
rm "$log"

# Excluding (0,1) as well leaves A's cycle alone; the pairs are logged in ascending order.
run_keys " t6A\rB\rM\r1\r1\r0\r1\r1\r1\r-1\r"
check_screen_row 10 "Enter list of excluded state pairs."
check_screen_row 11 "Press <Enter> after each element and quit with -1:"
check_screen_row 12 "1              1"
check_screen_row 13 "0              1"
check_screen_row 15 "-1"
check_file_is "$log" "M = Mutex(A,B,[[0,1],[1,1]])  (2,2)$(time_line 4)\n\n"
rm "$log"

# -1 in the second place ends the list too; the pair it began is dropped.
run_keys " t6A\rB\rM3\r1\r-1\r"
check_file_is "$log" "M3 = Mutex(A,B,[])  (4,8)$(time_line 5)\n\n"

e2e_done
