#!/usr/bin/env bash
# The Isomorph dialog, computed inside the front end: the correspondence on screen (four pairs a
# row, paged), the identity shortcut, and the wrapped MAKEIT entries naming DES2 first.
source "$(dirname "$0")/e2e_lib.sh"
e2e_setup

log="$USERDIR/makeit.txt"
time_line() { printf "\n%*sComputing time = 00:00:00" "$1" ""; }

# Y is X with states 1 and 2 swapped.
write_des "$USERDIR/X.des" 3 "2" "0 1 1" "0 3 2" "1 5 1"
write_des "$USERDIR/Y.des" 3 "1" "0 1 2" "0 3 1" "2 5 2"
write_des "$USERDIR/G.des" 3 "0 1 2" "0 1 1" "1 2 2"

run_keys " tiX\rY\r"
check_screen_row 0 "ISOMORPH"
check_screen_row 2 "ISOMORPH (DES1, DES2)"
check_screen_row 8 "X and Y are isomorphic, under state correspondence"
check_screen_row 10 "  [     1,     2 ]    [     2,     1 ]"
check_screen_row 23 "Press <Enter> to return to SARV Procedures"
check_file_is "$log" "true = Isomorph(Y,X;[[1,2],[2,1]])$(time_line 7)\n\n"
rm "$log"

run_keys " tiX\rG\r"
check_screen_row 8 "X and G are not isomorphic"
check_file_is "$log" "false = Isomorph(G,X)$(time_line 8)\n\n"
rm "$log"

# The same name twice needs no search.
run_keys " tiX\rX\r"
check_screen_row 10 "   IDENTITY"
check_file_is "$log" "true = Isomorph(X,X;identity)$(time_line 7)\n\n"
rm "$log"

# Q is the chain P numbered backwards: 60 pairs, 48 on the first page.
p=()
q=("0 1 60")
for i in $(seq 0 59); do p+=("$i 1 $((i + 1))"); done
for i in $(seq 2 60); do q+=("$i 1 $((i - 1))"); done
write_des "$USERDIR/P.des" 61 "60" "${p[@]}"
write_des "$USERDIR/Q.des" 61 "1" "${q[@]}"
pairs=""
for i in $(seq 1 60); do pairs+="${pairs:+,}[$i,$((61 - i))]"; done

run_keys " tiP\rQ\r"
check_screen_row 10 "  [     1,    60 ]    [     2,    59 ]    [     3,    58 ]    [     4,    57 ]"
check_screen_row 21 "  [    45,    16 ]    [    46,    15 ]    [    47,    14 ]    [    48,    13 ]"
check_screen_row 23 "Press <Enter> to page corresponding states or <ESC> to return"
rm -f "$log"
run_keys " tiP\rQ\r\r"
check_screen_row 10 "  [    49,    12 ]    [    50,    11 ]    [    51,    10 ]    [    52,     9 ]"
check_screen_row 12 "  [    57,     4 ]    [    58,     3 ]    [    59,     2 ]    [    60,     1 ]"
check_screen_row 23 "Press <Enter> to return to SARV Procedures"
rm "$log"
# Esc leaves the list and the dialog at once; the entry is still logged, wrapped at 74.
run_keys " tiP\rQ\r\x1b"
check_screen_row 3 "                               SARV PROCEDURES"
longest=$(awk '{ if (length > max) max = length } END { print max }' "$log")
check "longest log line" "$longest" 74
joined=$(awk 'NR == 1 { printf "%s", $0; next } /^       [^ ]/ && !/Computing/ { printf "%s", substr($0, 8); next }
  { printf "\n%s", $0 }' "$log")
check "entry without its line breaks" "$joined" "true = Isomorph(Q,P;[$pairs])
       Computing time = 00:00:00"

e2e_done
