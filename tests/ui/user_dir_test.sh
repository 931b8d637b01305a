#!/usr/bin/env bash
# The user directory through the real binary: the R dialog with a blank in the path, a start-up
# file that cannot be written or names a missing directory, "/" refused in a name prompt, and the
# minimization switch on the procedures menu.
source "$(dirname "$0")/e2e_lib.sh"
e2e_setup

write_des "$USERDIR/G2.des" 4 "2" "0 1 1" "1 2 2" "0 3 3" "3 5 3"
blank="$WORK/my files"
mkdir "$blank"
cp "$USERDIR/G2.des" "$blank/"

# R with a blank in the path: front end and compute process both work there.
run_keys " rny$blank\rt2G2\ryT\r\r"
check_screen_row 21 "     User directory: $blank"
check "start-up file holds the whole path" "$(cat "$WORK/murn.ini")" "$blank"
check "output in the directory with the blank" "$(ls "$blank")" "$(printf 'G2.des\nT.des\nmakeit.txt')"

# A start-up file naming a missing directory is kept and named; Enter offers the R dialog.
echo "$WORK/gone" >"$WORK/murn.ini"
run_keys " "
check_screen_row 7 "User directory $WORK/gone does not exist."
check_screen_row 11 "Reset the user directory path now?  (*y/n)"
run_keys " \r"
check_screen_row 2 "            RESETTING USER FILE DIRECTORY PATH"
run_keys " nt"
check_screen_row 21 "     User directory: $WORK/user"
check "start-up file kept" "$(cat "$WORK/murn.ini")" "$WORK/gone"

# A start-up file that cannot be written is reported, and R still sends the work to the
# directory chosen, for this run.
rm "$WORK/murn.ini"
mkdir "$WORK/murn.ini"
run_keys " "
check_screen_row 7 "The start-up file ./murn.ini could not be written:"
run_keys " \rrny$blank\r"
check_screen_row 18 "The start-up file ./murn.ini could not be written:"
run_keys " \rrny$blank\r\rt2G2\ryU\r"
check "output where the front end works" "$(test -e "$blank/U.des" && echo yes)" yes
rmdir "$WORK/murn.ini"
run_keys " x"  # without a start-up file the default is written
check "default saved" "$(cat "$WORK/murn.ini")" "$WORK/user"

# "/" in a name rings and is dropped, so the name stays in the user directory.
run_keys " t2G2\ry../X\r"
check_screen_row 8 "Enter new name for DES2 ....  ..X"
check "nothing beside the user directory" "$(ls "$WORK" | grep -c X)" 0

# The minimization method is on the menu; M switches it. The menu's file count sweeps the
# temporary files of dead writers first.
touch "$USERDIR/OLD.des.Ab12Cd"
run_keys " t"
check "stale temporary file swept" "$(ls "$USERDIR" | grep -c OLD)" 0
check_screen_row 17 "                                                     M: Minimize (refinement)"
check_screen_row 16 "     10: Complement            S1: Supscop           X: Exit to main menu"
run_keys " tm"
check_screen_row 17 "                                                     M: Minimize (pairwise)"

e2e_done
