#!/usr/bin/env bash
# Two batch runs on one user directory, both writing the same output name: each step holds the
# directory from its request until its entry is logged, so every recorded size checks and the log
# holds every entry whole. A process that finds the directory held says so and waits.
source "$(dirname "$0")/../ui/e2e_lib.sh"
e2e_setup

make_des <<'SCRIPT'
MACH1 = Create(MACH1,[mark 0],[tran [0,11,1],[1,12,0],[1,14,2],[2,13,0]])
MACH2 = Create(MACH2,[mark 0],[tran [0,21,1],[1,22,0],[1,24,2],[2,23,0]])
BUF = Create(BUF,[mark 0],[tran [0,12,1],[1,21,0]])
SCRIPT
for i in $(seq 12); do printf 'OB = Sync(MACH1,MACH2)  (9,24)  Blocked_events = None\n\n'; done >"$WORK/a.txt"
for i in $(seq 12); do printf 'OB = Trim(BUF)  (2,2)\n\n'; done >"$WORK/b.txt"
"$SARV" -run "$WORK/a.txt" -d "$USERDIR" --keep-going >"$WORK/a.out" 2>&1 &
a=$!
"$SARV" -run "$WORK/b.txt" -d "$USERDIR" --keep-going >"$WORK/b.out" 2>&1
check "second run, every step as recorded" "$?" 0
wait "$a"
check "first run, every step as recorded" "$?" 0
check "log entries" "$(grep -c '^OB = ' "$USERDIR/makeit.txt")" 24
check "no protocol or temporary file left" "$(ls -A "$USERDIR" | grep -c 'murn\.\|sarv-tmp')" 0

# While another process holds the directory, a run waits and says so.
flock "$USERDIR" sleep 1 &
sleep 0.3
"$SARV" -run "$WORK/b.txt" -d "$USERDIR" >"$WORK/c.out" 2>"$WORK/c.err"
check "run after the wait" "$?" 0
check "wait notice" "$(grep -c "^Waiting for another sarv process working in $USERDIR/" "$WORK/c.err")" 1
wait

# A Create beyond the file-size limit is reported, not fatal, and leaves no temporary file.
ring=$(awk 'BEGIN { for (s = 0; s < 300; s++) printf "%s[%d,1,%d]", s ? "," : "", s, (s + 1) % 300 }')
printf 'BIG = Create(BIG,[mark 0],[tran %s])  (300,300)\n' "$ring" >"$WORK/big.txt"
(ulimit -f 2 && exec "$SARV" -run "$WORK/big.txt" -d "$USERDIR") >/dev/null 2>"$WORK/big.err"
check "file-size limit status" "$?" 1
check "file-size limit message" "$(grep -c "cannot write $USERDIR/BIG.des" "$WORK/big.err")" 1
check "no temporary file left" "$(ls -A "$USERDIR" | grep -c 'sarv-tmp\|BIG')" 0

e2e_done
