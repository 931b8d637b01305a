#!/usr/bin/env bash
# A failed procedure says why on row 22 (a box for the vocal-output codes) and pauses, writing and
# logging nothing: on Trim with real failures, then on Supcon for each code of a stand-in process.
source "$(dirname "$0")/e2e_lib.sh"
e2e_setup
log="$USERDIR/makeit.txt"

# failure_is KEYS ROW TEXT: KEYS fail with TEXT on ROW and the pause, and log nothing.
failure_is() {
  run_rows "$1" "$2" "$3" 23 "Press <Enter> to return to SARV Procedures"
  check "no entry after [$1]" "$(test -e "$log" && echo logged)" ""
}

echo 'G2 = Create(G2,[mark 2],[tran [0,1,1],[0,3,3],[1,2,2],[3,5,3]])' | make_des
mkdir "$USERDIR/X.des"
failure_is " t2G2\ryX\ry" 22 "Error writing file: $USERDIR/X.des"
# The compute process removes the request it failed on.
check "no request after a failed run" "$(test -e "$USERDIR/murn.prm" && echo left)" ""
# A corrupt input is named, and the output it would replace stays.
printf 'SARV DES file. Version 1.0\032Z8^0' >"$USERDIR/BROKEN.des"
cp "$USERDIR/G2.des" "$WORK/G2.before"
failure_is " t2BROKEN\ryG2\ry" 22 "Error reading file: $USERDIR/BROKEN.des"
check "old output kept" "$(cmp -s "$USERDIR/G2.des" "$WORK/G2.before" && echo same)" same
mkdir "$USERDIR/murn.prm"
failure_is " t2G2\ryT10\r" 22 "The compute request could not be written."
rmdir "$USERDIR/murn.prm"
mkdir "$log"
run_rows " t2G2\ryT11\r" 22 "Cannot write the log $log"
rmdir "$log"

# A wrapper keeps a copy of each request: it carries the debug switch and the minimization method.
rm "$WORK/sarv"
printf '#!/bin/bash\ncp user/murn.prm last.prm 2>/dev/null\nexec -a "$0" "%s" "$@"\n' "$SARV" >"$WORK/sarv"
chmod +x "$WORK/sarv"
run_keys " t2G2\ryX\ry"
check "request of the failed run" "$(head -3 "$WORK/last.prm" | tr '\n' ' ')" "0 1 2 "
run_keys " tm2G2\ryX\ry"
check "minimization method after M" "$(sed -n 2p "$WORK/last.prm")" 0

# A stand-in ./sarv -cmdline answers the code in $WORK/answer (codes with names, boxes, failures).
make_des <<'EOF'
G = Create(G,[mark 2],[tran [0,1,1],[0,1,2]])
E = Create(E,[mark 1],[tran [0,1,1]])
EOF
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
while IFS='|' read -r answer row text; do
  echo "$answer" >"$WORK/answer"
  failure_is " t5G\rE\rS\r" "$row" "$text"
done <<EOF
3|22|Problem too large -- out of memory!
10|22|G.des is nondeterministic
11|22|Too many event labels: no free label left for relabelling.
12|22|The result exceeds 2,097,152 states.
13|22|The normality iteration did not settle within its round limit.
kill|22|The compute process failed or was interrupted.
none|22|The compute process left no result.
x|22|The compute result is garbled.
0|22|Error writing file: $USERDIR/S.des
5|12|               Sorry! Vocal output overflow.
6|12|        Sorry! Initial state 0 of DES1 must be silent (output 0).
EOF
check "rule under the box" "$(screen_row 10)" "$(printf '%077d' 0 | tr 0 _)"

e2e_done
