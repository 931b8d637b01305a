#!/usr/bin/env bash
# The Selfloop dialog: its event list (fields, rows, the fresh screen at the bottom, duplicates,
# the empty list) and its wrapped MAKEIT entry.
source "$(dirname "$0")/e2e_lib.sh"
e2e_setup

log="$USERDIR/makeit.txt"
time_line() { printf "\n%*sComputing time = 00:00:00" "$1" ""; }

# G: 0 -1-> 1 -2-> 2, 3 states and 2 transitions.
write_des "$USERDIR/G.des" 3 "0 1 2" "0 1 1" "1 2 2"

# A value typed twice is stored once; the log shows the list ascending.
run_keys " t1\rG\ryH\r13\r11\r13\r-1\r"
check_screen_row 0 "SELFLOOP"
check_screen_row 2 "DES2 = SELFLOOP (DES1, EVENT_LIST)"
check_screen_row 4 "Enter name of DES1 to be augmented ....  G"
check_screen_row 8 "Enter new name for DES2 ...............  H"
check_screen_row 10 "Enter list of events to be adjoined.  Terminate list with -1."
check_screen_row 11 "     13     11     13     -1"
check_file_is "$log" "H = Selfloop(G,[11,13])  (3,8)$(time_line 4)\n\n"
rm "$log"

# The empty list, with the result replacing G.
run_keys " t1\rG\rn-1\r"
check_file_is "$log" "G = Selfloop(G,[])  (3,2)$(time_line 4)\n\n"
rm "$log"

# 150 events: ten fields a row, then a fresh screen with the continuation text. Clocking is off,
# so the entry is the one wrapped line.
keys=" ct1\rG\ryLOOPS\r"
list=""
for e in $(seq 101 2 399); do
  keys+="$e\r"
  list+="${list:+,}$e"
done
run_keys "$keys-1\r"
check_screen_row 0 "Continue to enter list of events to be adjoined."
check_screen_row 1 "Terminate list with -1."
check_screen_row 2 "     321    323    325    327    329    331    333    335    337    339"
check_screen_row 5 "     381    383    385    387    389    391    393    395    397    399"
check_screen_row 6 "     -1"
check_screen_row 23 "Press <Enter> to return to SARV Procedures"
# The entry is wrapped: no line beyond 74 characters, continuation lines indented by 8, and
# joining them gives the entry back.
longest=$(awk '{ if (length > max) max = length } END { print max }' "$log")
check "longest log line" "$longest" 74
joined=$(awk 'NR == 1 { printf "%s", $0; next } /^        [^ ]/ { printf "%s", substr($0, 9); next }
  { printf "\n%s", $0 }' "$log")
check "entry without its line breaks" "$joined" \
  "LOOPS = Selfloop(G,[$list])  (3,452)"

e2e_done
