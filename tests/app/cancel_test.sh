#!/usr/bin/env bash
# Long computations. Ending the front end or a batch run (hang-up, termination, kill, the terminal
# closed) ends its compute process too: soon no sarv process is left, output and log are as they
# were, and no request, result, progress, capture or temporary file remains. Live progress and
# cancel: a large Sync shows its elapsed time on row 23; Esc then "y" ends the compute process and
# leaves the old output, the log and no process behind; Esc then "n" lets it finish and log.
source "$(dirname "$0")/../ui/e2e_lib.sh"
e2e_setup
cd "$WORK"
{ big_rings; printf 'PROD = Sync(BIG1,BIG2)\n\nOUT = Create(OUT,[mark 0])\n'; } >big.txt
"$SARV" -run big.txt -d "$USERDIR" >/dev/null 2>&1
check "inputs made" "$?" 0
cp "$USERDIR/OUT.des" OUT.old && cp "$USERDIR/makeit.txt" makeit.old

echo "OUT = Minstate(PROD)" >minstate.txt
printf ' t9PROD\ryOUT\r\r' >keys
for case in "front end|HUP" "front end|TERM" "front end|KILL" "front end|close" "batch run|HUP" \
  "batch run|TERM" "batch run|KILL"; do
  how=${case#*|}
  if [ "${case%|*}" = "front end" ]; then
    start_tmux "./sarv -autotest keys" 80 25
    pane() { pgrep -f -P "$(tmux -L "$SOCKET" list-panes -F '#{pane_pid}')" autotest; }
    wait_until pane >/dev/null
    starter=$(pane)
  else
    "$SARV" -run minstate.txt -d "$USERDIR" >/dev/null 2>&1 &
    starter=$!
  fi
  wait_until pgrep -P "$starter" -f -- -cmdline >/dev/null
  if [ "$how" = close ]; then stop_tmux; else kill -s "$how" "$starter"; fi
  for _ in $(seq 50); do [ -z "$(sarv_processes)" ] && break || sleep 0.1; done
  check "$case: no sarv process left" "$(sarv_processes)" ""
  check "$case: output and log kept" "$(cmp "$USERDIR/OUT.des" OUT.old && cmp "$USERDIR/makeit.txt" makeit.old && echo kept)" kept
  check "$case: user directory" "$(ls -A "$USERDIR" | tr '\n' ' ')" "BIG1.des BIG2.des OUT.des PROD.des makeit.txt "
  stop_tmux
  wait 2>/dev/null
done

# Esc, then y: back to the menu; nothing written, nothing logged, no compute process left.
run_keys " t3BIG1\rBIG2\rOUT\r\r\x1byXX"
check "cancelled run status" "$STATUS" 0
check "old output and log kept" "$(cmp "$USERDIR/OUT.des" "$WORK/OUT.old" &&
  cmp "$USERDIR/makeit.txt" "$WORK/makeit.old" && echo kept)" kept
check "user directory after cancel" "$(ls "$USERDIR" | tr '\n' ' ')" \
  "BIG1.des BIG2.des OUT.des PROD.des makeit.txt "
check "processes left" "$(sarv_processes)" ""

# Esc, then n: the question waits with the elapsed time on row 23 (the keys come through a pipe),
# then the computation goes on and completes as usual.
mkfifo "$WORK/pipe"
start_tmux "./sarv -autotest pipe" 80 25
exec 3>"$WORK/pipe"
printf ' t3BIG1\rBIG2\rOUT\r\r\x1b' >&3
wait_until screen_shows "Cancel the computation? (y/*n)"
check "elapsed time" "$(screen_row 23 | cut -c1-35)" "Processing:  Please wait...  00:00:"
printf 'n\rXX' >&3
exec 3>&-
wait_until test -e "$WORK/status"
stop_tmux
check "completed run status" "$(cat "$WORK/status")" 0
check "completed Sync logged" "$(grep -c '^OUT = Sync(BIG1,BIG2)  (1440000,5760000)' "$USERDIR/makeit.txt")" 1
check "output replaced" "$(cmp -s "$USERDIR/OUT.des" "$WORK/OUT.old" || echo replaced)" replaced

# Debug mode: a stand-in compute process clears the terminal and writes at its top; the dialog
# comes back, with the time and progress on row 23 and the question on row 22, which waits for
# its answer (the keys come through a pipe).
rm -f "$WORK/sarv" "$WORK/keys" "$USERDIR/murn.prg"
printf '#!/bin/bash\n[ "$1" = -cmdline ] || exec -a ./sarv "%s" "$@"\nprintf "\\033[H\\033[2Jnoise"
printf "%%-80s" "SHAVE1 5 7" >user/murn.prg\nexec sleep 9\n' "$SARV" >"$WORK/sarv"
chmod +x "$WORK/sarv"
mkfifo "$WORK/keys"
start_tmux "./sarv -autotest keys" 80 25
exec 3>"$WORK/keys"
printf ' dt3BIG1\rBIG2\rOUT\r\r' >&3
# The stand-in writes its noise before its progress line, and the next redraw may wipe the noise
# before a capture sees it: Esc goes once the progress line is there.
progress_written() { grep -qs SHAVE1 "$USERDIR/murn.prg"; }
wait_until progress_written && printf '\x1b' >&3
# The question may first land where the stand-in left the cursor; the next redraw puts it right.
question_on_row_22() { capture && [ "$(screen_row 22)" = "Cancel the computation? (y/*n)" ]; }
wait_until question_on_row_22
check_rows 0 "SYNC" 22 "Cancel the computation? (y/*n)"
check "row 23" "$(screen_row 23 | sed 's/00:00:0[0-9]/00:00:0N/')" \
  "Processing:  Please wait...  00:00:0N  SHAVE1 5 7"  # the clock may tick on a loaded machine
printf 'yXX' >&3

e2e_done
