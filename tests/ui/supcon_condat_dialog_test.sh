#!/usr/bin/env bash
# The Supcon and Condat dialogs run through the real binary: prompts on screen,
# the result files, and the MAKEIT entries byte for byte (key-script mode turns clocking on).
source "$(dirname "$0")/e2e_lib.sh"
e2e_setup

# Plant G: 0 -1-> 1 -2-> 2, every state marked. Specification E: 0 -1-> 1, both marked; it forbids
# the uncontrollable event 2 after 1, so the supervisor must disable 1 at the start.
write_des "$USERDIR/G.des" 3 "0 1 2" "0 1 1" "1 2 2"
write_des "$USERDIR/E.des" 2 "0 1" "0 1 1"

log="$USERDIR/makeit.txt"
time_line() { printf "\n%*sComputing time = 00:00:00" "$1" ""; }

# --- Supcon, from the names to the pause ---
run_keys " t5G\rE\rS\r"
check_screen_row 0 "SUPCON"
check_screen_row 2 "DES3 = SUPCON (DES1, DES2)"
check_screen_row 4 "Enter name of plant generator DES1 .............  G"
check_screen_row 6 "Enter name of legal language generator DES2 ....  E"
check_screen_row 8 "Enter name of supremal"
check_screen_row 9 "  controllable sublanguage generator DES3 ......  S"
check_screen_row 23 "Press <Enter> to return to SARV Procedures"
check "status at the pause, where the script ends" "$STATUS" 255
# The supervisor is the start state alone, marked, with event 1 disabled.
write_des "$WORK/expected.des" 1 "0"
check "Supcon output" "$(cmp "$USERDIR/S.des" "$WORK/expected.des" && echo same)" same
check_file_is "$log" "S = Supcon(G,E)  (1,0)$(time_line 4)\n\n"
check "no protocol files left" "$(ls "$USERDIR" | grep -c murn)" 0

# Enter at the pause returns to the procedures menu, which counts the new files; the log keeps
# both entries.
run_keys " t5G\rE\rS2\r\r"
check_screen_row 3 "                               SARV PROCEDURES"
check_screen_row 22 "     Number files: 5"
check_file_is "$log" "S = Supcon(G,E)  (1,0)$(time_line 4)\n\nS2 = Supcon(G,E)  (1,0)$(time_line 5)\n\n"
rm "$log" "$USERDIR/S2.des"

# An existing output is overwritten after Enter at the question.
run_keys " t5G\rE\rS\r\r"
check_screen_row 11 "Filename S already exists.  OK to overwrite?  (*y/n)"
check_file_is "$log" "S = Supcon(G,E)  (1,0)$(time_line 4)\n\n"
rm "$log"

# --- Condat ---
run_keys " t7G\rS\rC\r"
check_screen_row 2 "DES3 = CONDAT (DES1, DES2)"
check_screen_row 4 "Enter name of plant generator DES1 ......  G"
check_screen_row 6 "Enter name of supervisor DES2 ...........  S"
check_screen_row 8 "Enter name of control data file DES3 ....  C"
check "Condat writes a DAT file" "$(test -e "$USERDIR/C.dat" && echo yes)" yes
check_file_is "$log" "C = Condat(G,S)  Controllable.$(time_line 4)\n\n"
rm "$log"
# The specification itself would have to disable the uncontrollable event 2.
run_keys " t7G\rE\rD\r"
check_file_is "$log" "D = Condat(G,E)  Uncontrollable.$(time_line 4)\n\n"
rm "$log"

e2e_done
