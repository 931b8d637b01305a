#!/usr/bin/env bash
# Ending the front end or a batch run during a long computation (hang-up, termination, kill, the
# terminal closed) ends its compute process too: soon no sarv process is left, output and log are
# as they were, and no request, result, progress, capture or temporary file remains.
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
e2e_done
