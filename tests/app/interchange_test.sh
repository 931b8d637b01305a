#!/usr/bin/env bash
# Generator files and C code from the command line and from the F G / F C dialogs: what is
# written, a refused file named with its line (and nothing written), usage errors.
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
e2e_done
