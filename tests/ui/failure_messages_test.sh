#!/usr/bin/env bash
# Every failed procedure tells the user why: one line on row 22 (a box for the two vocal-output
# codes) and the pause, and no MAKEIT entry. A stand-in compute process answers each code.
source "$(dirname "$0")/e2e_lib.sh"
e2e_setup

# G has two transitions on event 1 from state 0; E is deterministic.
write_des "$USERDIR/G.des" 3 "2" "0 1 1" "0 1 2"
write_des "$USERDIR/E.des" 2 "1" "0 1 1"

# The front end starts ./sarv -cmdline for each request: answer with the code in $WORK/answer.
rm "$WORK/sarv"
cat >"$WORK/sarv" <<STUB
#!/bin/bash
if [ "\$1" = -cmdline ]; then
  answer=\$(cat "$WORK/answer")
  [ "\$answer" = kill ] && kill -9 \$\$
  [ "\$answer" = none ] || echo "\$answer" >"$USERDIR/murn.rst"
  exit 0
fi
exec -a ./sarv "$SARV" "\$@"
STUB
chmod +x "$WORK/sarv"

failure_shows() {  # failure_shows ANSWER ROW TEXT
  echo "$1" >"$WORK/answer"
  run_keys " t5G\rE\rS\r"
  check "row $2 for answer $1" "$(screen_row "$2")" "$3"
  check "pause after answer $1" "$(screen_row 23)" "Press <Enter> to return to SARV Procedures"
}

failure_shows 1 22 "The compute process could not open its request."
failure_shows 2 22 "A name of the compute request is missing or leads out of the user directory."
failure_shows 4 22 "Supervisor reduction ended with an error."
failure_shows 9 22 "The compute process did not understand the request."
failure_shows 10 22 "G.des is nondeterministic"
failure_shows 11 22 "Too many event labels: no free label left for relabelling."
failure_shows kill 22 "The compute process failed or was interrupted."
failure_shows none 22 "The compute process left no result."
failure_shows x 22 "The compute result is garbled."
failure_shows 0 22 "Error writing file: $USERDIR/S.des"
failure_shows 5 12 "               Sorry! Vocal output overflow."
failure_shows 6 12 "        Sorry! Initial state 0 of DES1 must be silent (output 0)."
check "rule under the box" "$(screen_row 10)" "$(printf '%077d' 0 | tr 0 _)"
check "no log entry for any failure" "$(test -e "$USERDIR/makeit.txt" && echo logged)" ""

e2e_done
