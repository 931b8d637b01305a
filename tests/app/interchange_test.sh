#!/usr/bin/env bash
# Generator files, C code and pictures from the command line and from the F G / F C / F P dialogs:
# what is written, refused files and names (nothing written), usage errors, a missing Graphviz;
# and what a dialog shows after it logged: the entry itself, a plain word for an empty result.
source "$(dirname "$0")/../ui/e2e_lib.sh"
e2e_setup
cd "$WORK"
echo 'G = Create(G,[mark 2],[tran [0,11,1],[0,12,1],[1,14,2],[2,11,0]])  (3,4)' | make_des
echo "11 start_1" >user/EVENTS.txt

check "export" "$(./sarv -export-gen G)" "$USERDIR/G.gen written (DES G: 3 states, 4 transitions)"
check "exported names" "$(grep -c '"start_1" +C+' user/G.gen)" 1
sed 's/start_1/load/' user/G.gen >user/in.gen
check "import" "$(./sarv -import-gen in.gen H)" \
  "$USERDIR/H.des written (3 states, 4 transitions); 1 new event names added to EVENTS.txt"
check "new name" "$(cat user/EVENTS.txt)" "$(printf '11 start_1\n1 load')"
printf '<Generator>\n<States> 1 </States>\n<TransRel>\n1 a 1\n' >user/bad.gen
before=$(ls user | tr '\n' ' ')
check "refused" "$(./sarv -import-gen bad.gen B 2>&1)" \
  "sarv: bad.gen line 4: unknown event a (not in the alphabet)"
check "nothing written" "$(ls user | tr '\n' ' ')" "$before"
for args in "-import-gen x|2" "-export-gen ../G|2" "-c NONE|1" "-export-gen G a/b.gen|2"; do
  ./sarv ${args%|*} 2>/dev/null
  check "status of ${args%|*}" "$?" "${args#*|}"
done
check "C code" "$(./sarv -c G ctl.c)" \
  "$USERDIR/ctl.c written (supervisor G, functions G_step, _enabled, _is_marked)"

# The dialogs: export, import, C code with control data skipped.
rm user/G.gen
run_rows " tFGEG\rG\r" 11 "$USERDIR/G.gen written (DES G: 3 states, 4 transitions)"
run_keys " tFGIG\rK\r"
check "dialog import" "$(ls user | grep -c '^K.des$')" 1
run_keys " tFCG\r\rG\r"
check "dialog C code" "$(grep -c 'int G_step(int state, int event) {' user/G.c)" 1
cancel_case " tFG\x1b\xff"
cancel_case " tFCG\r\x1b\xff"
rm user/G.*

cat >script.txt <<'SCRIPT'
G = Create(G,[mark 2],[voc [1,12]],[tran [0,11,1],[0,13,1],[0,12,1],[1,14,2]])  (3,4)

NOMARK = Create(NOMARK,[tran [0,11,1]])  (2,1)
SCRIPT
ring=$(awk 'BEGIN { for (s = 0; s < 201; s++) printf "%s[%d,1,%d]", s ? "," : "", s, (s + 1) % 201 }')
printf 'BIG = Create(BIG,[mark 0],[tran %s])  (201,201)\n' "$ring" >>script.txt
./sarv -run script.txt -d user >/dev/null
check "inputs made" "$?" 0

# After a dialog: the entry it logged, and an empty result said plainly.
run_keys " t2NOMARK\ryT\r"
check_rows 11 "Logged in makeit.txt:" 12 "T = Trim(NOMARK)  (0,0)" 22 "T has no states: the result is empty."

# Names that lead out of the user directory, a missing DES, and an OUT that would replace one of
# the program's data files are refused; OUT may be a path, and -d chooses the user directory.
cp user/G.des keep.des
for args in "../G|2" "NONE|1" "G G.des|2" "G user/G.des|2" "G NOMARK.dat|2" "G x.ADS|2" \
  "G makeit.txt|2" "G user/|2" "G -d|2" "G -d nodir|2"; do
  ./sarv -dot ${args%|*} 2>/dev/null
  check "status of -dot ${args%|*}" "$?" "${args#*|}"
done
check "data files untouched" "$(cmp user/G.des keep.des && ls user | grep -c 'makeit\|\.dat\|\.ads')" 1
mkdir pics
(cd / && "$SARV" -dot G "$WORK/pics/g.dot" -d "$WORK/user" >/dev/null)
check "path OUT with -d" "$(head -c 7 pics/g.dot)" "digraph"
PATH=/nonexistent ./sarv -svg NOMARK >out 2>err
check "no graphviz status" "$?" 1
check "no graphviz message" "$(cat err)" \
  "sarv: $USERDIR/NOMARK.svg: Graphviz (dot) is not installed or not on PATH; the DOT file was written"
if ! command -v dot >/dev/null; then
  echo "Graphviz (dot) is not installed: drawing checks skipped"
  e2e_done
fi

# DOT text on standard output; SVG and PNG files in the user directory; a DES too large to draw
# keeps its DOT text only.
check "graphviz reads the DOT text" "$(./sarv -dot G - | dot -Tplain | grep -c '^node 2 .* doublecircle')" 1
check "svg message" "$(./sarv -svg G)" "$USERDIR/G.svg written (DES G: 3 states, 4 transitions)"
check "svg file" "$(head -c 5 user/G.svg)" "<?xml"
./sarv -png BIG >out 2>err
check "too large status" "$?" 1
check "too large message" "$(head -1 err)" "sarv: BIG has 201 states; pictures are drawn up to 200 states."
check "too large files" "$(ls user | grep '^BIG' | tr '\n' ' ')" "BIG.des BIG.dot "

# The picture dialog.
rm -f user/G.dot user/G.svg
run_rows " tFPG\r" 7 "G.dot has been written." 9 "Graphviz drew it as G.svg."
check "dialog files" "$(ls user | grep '^G\.' | tr '\n' ' ')" "G.des G.dot G.svg "

e2e_done
