#!/usr/bin/env bash
# Through the real binary at 80x25: banner, main and procedures menus, introduction pages, the user
# directory (R dialog, bad start-up files), too small, missing and resized terminals.
source "$(dirname "$0")/e2e_lib.sh"
e2e_setup
M="                        "

run_keys ""
check "banner" "$(grep -c "SARV 2006.07.01" "$WORK/screen")" 1

# Each switch inverts its state and the redrawn menu shows it; other keys are ignored.
run_rows " " 7 "${M}MAIN OPTIONS" 12 "${M}B:  Bell (Off)" 13 "${M}D:  Debug mode (Off)" \
  14 "${M}C:  Clocking mode (On)"
run_rows " bdczq7" 12 "${M}B:  Bell (On)" 13 "${M}D:  Debug mode (On)" \
  14 "${M}C:  Clocking mode (Off)" 19 "${M}Option desired?"
run_keys " x"
check "X ends the front end normally" "$STATUS" 0

# The procedures menu counts the user's files after sweeping dead writers' temporary files; M
# switches the minimization method; a group key then a foreign key runs nothing; X goes back.
touch "$USERDIR/a.des" "$USERDIR/.hidden" "$USERDIR/.sarv-tmp-Ab12Cd.des"
mkdir "$USERDIR/sub"
run_keys " t"
check_rows 3 "                               SARV PROCEDURES" 21 "     User directory: $USERDIR" \
  22 "     Number files: 3" 17 "$(printf '%53s' '')M: Minimize (refinement)"
check "stale temporary file swept" "$(ls -A "$USERDIR" | grep -c sarv-tmp)" 0
run_keys " tm1q"
check_rows 17 "$(printf '%53s' '')M: Minimize (pairwise)" 19 "                               Procedure desired:"
run_rows " t1qpzhzm?X" 7 "${M}MAIN OPTIONS"
rm -r "$USERDIR"/*

# A long user directory is shown by its tail.
long="$WORK/$(printf 'd%.0s' $(seq 1 60))"
mkdir "$long"
echo "$long" >"$WORK/murn.ini"
run_rows " t" 21 "     User directory: ...${long: -55}" 22 "     Number files: 0"
echo "$USERDIR" >"$WORK/murn.ini"

# Introduction pages: "#" is an empty line, "$" starts a page; D and U stop at either end.
run_rows " i" 7 "FILE kepinfo.txt NOT FOUND!" 23 "Press <Enter> to return to SARV Procedures"
printf 'first page\n#\nafter an empty line\n$\nsecond page\n$ rest ignored\nthird page\n' \
  >"$WORK/kepinfo.txt"
run_keys " i"
check_rows 0 "first page" 1 "" 2 "after an empty line" 24 " D=PgDn  U=PgUp  Esc (Return to Main Options)"
run_rows " i\rdd" 0 "third page"
run_rows " iddddu" 0 "second page"
run_rows " idduuu" 0 "first page"
mkdir "$WORK/elsewhere" && ln -s ../keys "$WORK/elsewhere/keys"
RUN_PREFIX="cd elsewhere && ." run_keys " i"
check "introduction found next to the program" "$(screen_row 0)" "first page"
run_rows " id\x1b" 7 "${M}MAIN OPTIONS"
check "introduction lines fit the screen" "$(awk 'length > 79' "$SARV_SOURCE/kepinfo.txt" | wc -l)" 0

# The R dialog: Enter keeps the directory, a missing one is refused, Esc keeps the old one; a path
# with a blank serves both processes.
run_rows " r\rt" 21 "     User directory: $USERDIR"
run_rows " rnymissing\r" 18 "Directory missing does not exist!"
check "start-up file kept" "$(cat "$WORK/murn.ini")" "$USERDIR"
run_rows " rny\x1b\xfft" 21 "     User directory: $USERDIR"
run_keys " rnnk"
check "leaving from the directory dialog" "$STATUS" 0
echo 'G2 = Create(G2,[mark 2],[tran [0,1,1],[0,3,3],[1,2,2],[3,5,3]])' | make_des
blank="$WORK/my files"
mkdir "$blank"
cp "$USERDIR/G2.des" "$blank/"
run_rows " rny$blank\rt2G2\ryT\r\r" 21 "     User directory: $blank"
check "start-up file holds the whole path" "$(cat "$WORK/murn.ini")" "$blank"
run_keys " rnymy files\rx"
check "a relative path is stored absolute" "$(cat "$WORK/murn.ini")" "$blank"
check "output in the directory with the blank" "$(ls "$blank")" "$(printf 'G2.des\nT.des\nmakeit.txt')"

# A start-up file naming a missing directory is kept and named; Enter offers the R dialog.
echo "$WORK/gone" >"$WORK/murn.ini"
run_keys " "
check_rows 7 "User directory $WORK/gone does not exist." 11 "Reset the user directory path now?  (*y/n)"
run_rows " \r" 2 "            RESETTING USER FILE DIRECTORY PATH"
run_rows " nt" 21 "     User directory: $WORK/user"
check "start-up file kept" "$(cat "$WORK/murn.ini")" "$WORK/gone"

# An unwritable start-up file is reported, R still applies for this run; without one the default
# is written.
rm "$WORK/murn.ini"
mkdir "$WORK/murn.ini"
run_rows " \rrny$blank\r" 18 "The start-up file ./murn.ini could not be written:"
run_keys " \rrny$blank\r\rt2G2\ryU\r"
check "output where the front end works" "$(test -e "$blank/U.des" && echo yes)" yes
rmdir "$WORK/murn.ini"
run_keys " x"
check "default saved" "$(cat "$WORK/murn.ini")" "$WORK/user"

# "/" in a name rings and is dropped, so the name stays in the user directory.
run_rows " t2G2\ry../X\r" 8 "Enter new name for DES2 ....  ..X"
check "nothing beside the user directory" "$(ls "$WORK" | grep -c X)" 0

# A terminal smaller than 80x24 gets a notice; interactively the banner follows when it grows.
run_keys "" 70 20
check_rows 0 "Screen 70x20 is too small:" 1 "SARV needs 80x24."
run_keys "q" 80 23
check "a key quits" "$STATUS" 0
start_tmux ./sarv 60 20
wait_until screen_shows "too small"
tmux -L "$SOCKET" resize-window -x 80 -y 24
wait_until screen_shows "SARV 2006.07.01" || check "banner after growing" "$(cat "$WORK/screen")" banner
# From a real terminal: Esc alone cancels, an arrow key (an Esc sequence) does not.
tmux -L "$SOCKET" send-keys " " t 2
wait_until screen_shows "Enter name of DES1 to be trimmed"
tmux -L "$SOCKET" send-keys G Up
sleep 0.5
capture
check_rows 4 "Enter name of DES1 to be trimmed ....  G"
tmux -L "$SOCKET" send-keys Escape
wait_until screen_shows "Procedure desired:"
check_rows 3 "                               SARV PROCEDURES"
# Resized inside a view: below 80x24 the notice alone, larger the view in its 80x24 area (last row
# drawn, longest row, its text); Esc then leaves it.
tmux -L "$SOCKET" send-keys s e G 2 Enter
while IFS=, read -r cols lines last width text; do
  tmux -L "$SOCKET" resize-window -x "$cols" -y "$lines"
  wait_until screen_shows "$text"
  check "${cols}x$lines" "$(awk 'NF { r = NR - 1 } length > m { m = length } END { print r, m }' \
    "$WORK/screen") $(screen_row "$last")" "$last $width $text"
done <<EOF
60,20,3,26,or press a key to quit.
200,60,23,74, D(own)  U(p)  H(ead)  V(ocal table)  T(ransition table)  Esc (Exit Show)
80,24,23,74, D(own)  U(p)  H(ead)  V(ocal table)  T(ransition table)  Esc (Exit Show)
EOF
tmux -L "$SOCKET" send-keys Escape
wait_until screen_shows "Procedure desired:"
tmux -L "$SOCKET" send-keys x x
wait_until test -e "$WORK/status"
check "interactive run ends with X" "$(cat "$WORK/status")" 0
stop_tmux

# Without a usable terminal type the front end says so and ends (leak checks off: the terminal
# library keeps a block from its failed set-up).
message=$(cd "$WORK" && ASAN_OPTIONS=detect_leaks=0 TERM=nosuchterm timeout 20 ./sarv </dev/null \
  2>&1 >/dev/null)
check "no screen: message" "$message" 'sarv: no screen to run on (terminal type "nosuchterm")'

e2e_done
