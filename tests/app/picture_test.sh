#!/usr/bin/env bash
# Pictures from the command line and from the F P dialog, and what a dialog shows after it
# logged: the entry itself, and a plain word when the result has no states.
source "$(dirname "$0")/../ui/e2e_lib.sh"
e2e_setup
cd "$WORK"

cat >script.txt <<'SCRIPT'
G = Create(G,[mark 2],[voc [1,12]],[tran [0,11,1],[0,13,1],[0,12,1],[1,14,2]])  (3,4)

NOMARK = Create(NOMARK,[tran [0,11,1]])  (2,1)
SCRIPT
ring=$(awk 'BEGIN { for (s = 0; s < 201; s++) printf "%s[%d,1,%d]", s ? "," : "", s, (s + 1) % 201 }')
printf 'BIG = Create(BIG,[mark 0],[tran %s])  (201,201)\n' "$ring" >>script.txt
./sarv -run script.txt -d user >/dev/null
check "inputs made" "$?" 0

# Graphviz draws and reads back the pictures; without it only the refusals are checked.
if ! command -v dot >/dev/null; then
  echo "Graphviz (dot) is not installed: drawing checks skipped"
  ./sarv -svg G >out 2>err
  check "no graphviz status" "$?" 1
  e2e_done
fi

# DOT text on standard output, read back by Graphviz.
./sarv -dot G - >g.dot
check "dot status" "$?" 0
dot -Tplain g.dot >g.plain
check "graphviz reads it" "$?" 0
check "marker state" "$(grep -c '^node 2 .* 2 solid doublecircle' g.plain)" 1
check "vocal state" "$(grep -c '^node 1 .* "1/12" solid circle' g.plain)" 1
check "merged controllable edge" "$(grep -c '^edge 0 1 .* "11,13" .* solid' g.plain)" 1
check "uncontrollable edge" "$(grep -c '^edge 0 1 .* 12 .* dashed' g.plain)" 1

# SVG and PNG files in the user directory; a DES too large to draw keeps its DOT text only.
check "svg message" "$(./sarv -svg G)" "$USERDIR/G.svg written (DES G: 3 states, 4 transitions)"
check "svg file" "$(head -c 5 user/G.svg)" "<?xml"
./sarv -png BIG >out 2>err
check "too large status" "$?" 1
check "too large message" "$(head -1 err)" "sarv: BIG has 201 states; pictures are drawn up to 200 states."
check "too large files" "$(ls user | grep '^BIG' | tr '\n' ' ')" "BIG.des BIG.dot "
PATH=/nonexistent ./sarv -svg NOMARK >out 2>err
check "no graphviz status" "$?" 1
check "no graphviz message" "$(cat err)" \
  "sarv: $USERDIR/NOMARK.svg: Graphviz (dot) is not installed or not on PATH; the DOT file was written"
./sarv -dot ../G 2>err
check "path in name" "$?" 2
./sarv -dot G ../x.dot 2>err
check "path in output" "$?" 2
./sarv -dot NONE 2>err
check "missing DES" "$?" 1

# The picture dialog.
rm -f user/G.dot user/G.svg
run_keys " tFPG\r"
check_rows 7 "G.dot has been written."
check_rows 9 "Graphviz drew it as G.svg."
check "dialog files" "$(ls user | grep '^G\.' | tr '\n' ' ')" "G.des G.dot G.svg "

# After a dialog: the entry it logged, and an empty result said plainly.
run_keys " t2NOMARK\ryT\r"
check_rows 11 "Logged in makeit.txt:"
check_rows 12 "T = Trim(NOMARK)  (0,0)"
check_rows 22 "T has no states: the result is empty."

e2e_done
