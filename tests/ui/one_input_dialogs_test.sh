#!/usr/bin/env bash
# The one-input dialogs Complement (with its optional auxiliary events), Project (NULL or IMAGE),
# Minstate, Allevents and BFS-recode: their keys, prompts and MAKEIT entries.
source "$(dirname "$0")/e2e_lib.sh"
e2e_setup

log="$USERDIR/makeit.txt"
time_line() { printf "\n%*sComputing time = 00:00:00" "$1" ""; }

# G: 0 -1-> 1 -2-> 2, all marked. G2: 0 -1-> 1 -2-> 2 (marked), 0 -3-> 3 -5-> 3.
# D: 0 -1-> 1 -1-> 0, both marked: its two states have the same future.
write_des "$USERDIR/G.des" 3 "0 1 2" "0 1 1" "1 2 2"
write_des "$USERDIR/G2.des" 4 "2" "0 1 1" "1 2 2" "0 3 3" "3 5 3"
write_des "$USERDIR/D.des" 2 "0 1" "0 1 1" "1 1 0"

# Complement over G's own events {1,2}: every state misses some event, so a dump state joins
# with its two selfloops: 4 states, 2 + 1 + 1 + 2 + 2 transitions.
run_keys " t10G\rC\r\r"
check_screen_row 0 "COMPLEMENT"
check_screen_row 2 "DES2 = COMPLEMENT (DES1, LIST)"
check_screen_row 8 "Compute complement using event labels of DES1 only? (*y/n)"
check_file_is "$log" "C = Complement(G,[])  (4,8)$(time_line 4)\n\n"
rm "$log"

# With the auxiliary event 4 each state misses one event more: 12 transitions.
run_keys " t10G\rC2\rn4\r4\r-1\r"
check_screen_row 10 "Enter auxiliary LIST of event labels not in DES1;"
check_screen_row 11 "type -1 to quit:"
check_screen_row 12 "     4      4      -1"
check_file_is "$log" "C2 = Complement(G,[4])  (4,12)$(time_line 5)\n\n"
rm "$log"

# Project: erasing 2 from G leaves 0 -1-> {1,2}.
run_keys " tp0G\rP\r\r2\r-1\r"
check_screen_row 0 "PROJECT"
check_screen_row 2 "DES2 = PROJECT (DES1, NULL [or IMAGE])"
check_screen_row 4 "Enter name of DES1 to project .........  G"
check_screen_row 6 "Enter name of DES2 to project onto ....  P"
check_screen_row 8 "Enter either"
check_screen_row 10 "  NULL (list of event labels erased by projection)"
check_screen_row 12 "or"
check_screen_row 14 "  IMAGE (event labels retained)"
check_screen_row 16 "NULL ? (*y/n)"
check_screen_row 18 "Enter list of event labels to be nulled by projection;"
check_screen_row 19 "terminate list with -1."
check_file_is "$log" "P = Project(G,Null[2])  (2,1)$(time_line 4)\n\n"
rm "$log"
# An empty IMAGE keeps no event: everything is erased and one state remains. An empty NULL list
# erases nothing. The log shows what was typed.
run_keys " tp0G\rP2\rn-1\r"
check_screen_row 18 "Enter list of event labels to be retained;"
check_file_is "$log" "P2 = Project(G,Image[])  (1,0)$(time_line 5)\n\n"
rm "$log"
run_keys " tp0G\rP3\ry-1\r"
check_file_is "$log" "P3 = Project(G,Null[])  (3,2)$(time_line 5)\n\n"
rm "$log"

# Minstate merges D's two states; "n" at the question replaces D.
run_keys " t9D\rn"
check_screen_row 0 "MINSTATE"
check_screen_row 6 "Assign new name to D? (*y/n)   n"
check_file_is "$log" "D = Minstate(D)  (1,1)$(time_line 4)\n\n"
rm "$log"

# Allevents: one marked state with a selfloop for each of G2's events 1, 2, 3 and 5.
run_keys " th4G2\rA\r"
check_screen_row 0 "ALLEVENTS"
check_screen_row 4 "Enter name of DES1 to be searched .....  G2"
check_screen_row 6 "Enter name of DES2 ....................  A"
check_file_is "$log" "A = Allevents(G2)  (1,4)$(time_line 4)\n\n"
rm "$log"

# BFS-recode keeps every reachable state of G2.
run_keys " tbG2\rR\r"
check_screen_row 0 "REACH & BREADTH-FIRST SEARCH RECODE"
check_screen_row 2 "DES2 = RECODE (DES1)"
check_file_is "$log" "R = Recode(G2)  (4,4)$(time_line 4)\n\n"

e2e_done
