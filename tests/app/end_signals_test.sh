#!/usr/bin/env bash
# Ending the front end or a batch run in the middle of a long computation (hang-up, termination,
# kill, the terminal closed) ends its compute process too: within seconds no sarv process is
# left, the old output and the log are as they were, and no request, result, progress, capture or
# temporary file remains.
source "$(dirname "$0")/../ui/e2e_lib.sh"
e2e_setup
cd "$WORK"

# Two 1200-state rings over disjoint events: their product has 1,440,000 states, whose
# minimization takes seconds.
ring() {
  awk -v n=1200 -v a="$1" -v b="$2" -v name="$3" 'BEGIN {
    printf "%s = Create(%s,[mark 0],[tran ", name, name
    for (s = 0; s < n; s++) printf "%s[%d,%d,%d],[%d,%d,%d]", s ? "," : "", s, a, (s + 1) % n, s, b, (s * 7 + 1) % n
    printf "])\n\n" }'
}
{
  ring 1 3 BIG1
  ring 5 7 BIG2
  echo "PROD = Sync(BIG1,BIG2)"
  echo
  echo "OUT = Create(OUT,[mark 0])  (1,0)"
} >big.txt
"$SARV" -run big.txt -d "$USERDIR" >/dev/null 2>&1
check "inputs made" "$?" 0
cp "$USERDIR/OUT.des" OUT.old
cp "$USERDIR/makeit.txt" makeit.old
echo "OUT = Minstate(PROD)" >minstate.txt
printf ' t9PROD\ryOUT\r\r' >keys

# sarv_left: the sarv processes still working in WORK.
sarv_left() {
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/cwd" 2>/dev/null)" = "$WORK" ] || continue
    tr '\0' ' ' <"$p/cmdline" 2>/dev/null | grep -E -- "^(\./sarv|$SARV) -"
  done
}

for case in "front end|HUP" "front end|TERM" "front end|KILL" "front end|close" \
  "batch run|HUP" "batch run|TERM" "batch run|KILL"; do
  mode=${case%|*} how=${case#*|}
  if [ "$mode" = "front end" ]; then
    start_tmux "./sarv -autotest keys" 80 25
    wait_until tmux -L "$SOCKET" list-panes -F '#{pane_pid}'
    wait_until pgrep -f -P "$(tmux -L "$SOCKET" list-panes -F '#{pane_pid}')" autotest
    starter=$(pgrep -f -P "$(tmux -L "$SOCKET" list-panes -F '#{pane_pid}')" autotest)
  else
    "$SARV" -run minstate.txt -d "$USERDIR" >/dev/null 2>&1 &
    starter=$!
  fi
  wait_until pgrep -P "$starter" -f -- -cmdline
  if [ "$how" = close ]; then stop_tmux; else kill -s "$how" "$starter"; fi
  for i in $(seq 50); do
    [ -z "$(sarv_left)" ] && break
    sleep 0.1
  done
  check "$case: no sarv process left" "$(sarv_left)" ""
  check "$case: output and log kept" "$(cmp "$USERDIR/OUT.des" OUT.old && cmp "$USERDIR/makeit.txt" makeit.old && echo kept)" kept
  check "$case: user directory" "$(ls -A "$USERDIR" | tr '\n' ' ')" "BIG1.des BIG2.des OUT.des PROD.des makeit.txt "
  stop_tmux
  wait 2>/dev/null
done

e2e_done
