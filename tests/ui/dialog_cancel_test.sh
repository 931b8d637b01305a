#!/usr/bin/env bash
# Esc at every prompt of the dialogs: back to the procedures
# menu with no request, no file written or changed and no MAKEIT entry.
source "$(dirname "$0")/e2e_lib.sh"
e2e_setup

make_des <<'EOF'
G = Create(G,[mark 0,1,2],[tran [0,1,1],[1,2,2]])
E = Create(E,[mark 0,1],[tran [0,1,1]])
C = Create(C,[mark 0])
EOF
mv "$USERDIR/C.des" "$USERDIR/C.dat" # an existing control data file, for the overwrite question

ESC='\x1b\xff' # Esc in a text field: the script says no further key is pending


# Trim: first name, the new-name question, the new name, the overwrite question. Selfloop: the
# names as for Trim, then any field of the event list.
for k in " t2$ESC" " t2G\r\x1b" " t2G\ry$ESC" " t2G\ryE\r\x1b" " t1\r$ESC" " t1\rG\r\x1b" \
  " t1\rG\rn$ESC" " t1\rG\ryH\r5\r7$ESC"; do cancel_case "$k"; done

# Sync, Meet and Supcon share their prompt sequence.
for key in 3 4 5; do
  for k in "$ESC" "G\r$ESC" "G\rE\r$ESC" "G\rE\rpartial$ESC" "G\rE\rE\r\x1b" "nothere\r$ESC"; do
    cancel_case " t$key$k"
  done
done

# Mutex: either field of a pair. Complement: its question and the auxiliary list. Project: the
# NULL ? question and its list. Nonconflict and Isomorph, computed here: either name. Condat
# writes a DAT file: its overwrite question concerns C.dat.
for k in " t6G\rE\rM\r$ESC" " t6G\rE\rM\r1\r0\r1\r$ESC" " t10G\rC\r\x1b" " t10G\rC\rn4\r$ESC" \
  " tp0G\rP\r\x1b" " tp0G\rP\rn1\r$ESC" " tn$ESC" " tnG\r$ESC" " ti$ESC" " tiG\r$ESC" " t7$ESC" \
  " t7G\r$ESC" " t7G\rE\r$ESC" " t7G\rE\rC\r\x1b"; do cancel_case "$k"; done

# From a real terminal: Esc alone cancels, an arrow key (an Esc sequence) does not.
start_tmux ./sarv 80 25
wait_for_screen "SARV 2006.07.01"
tmux -L "$SOCKET" send-keys " " t 2
wait_for_screen "Enter name of DES1 to be trimmed"
tmux -L "$SOCKET" send-keys G Up
sleep 0.5
capture
check_rows 4 "Enter name of DES1 to be trimmed ....  G"
tmux -L "$SOCKET" send-keys Escape
wait_for_screen "Procedure desired:"
check_rows 3 "                               SARV PROCEDURES"
tmux -L "$SOCKET" send-keys x x
wait_for_file "$WORK/status"
check "interactive run ends normally" "$(cat "$WORK/status")" 0
stop_tmux

e2e_done
