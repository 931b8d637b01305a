#!/usr/bin/env bash
# The Supreduce, Supnorm and Supscop dialogs through the real binary: prompts, the Supreduce
# result screen, NULL and IMAGE lists, the MAKEIT entries byte for byte (key-script mode turns
# clocking on), a refused control-data file, and Esc at every prompt.
source "$(dirname "$0")/e2e_lib.sh"
e2e_setup

log="$USERDIR/makeit.txt"
ESC='\x1b\xff'

# G: a ring 0 -1-> 1 -1-> 2 -1-> 0, all marked, and S the same as its own supervisor: no event is
# disabled, so the three states merge into one. E: 0 -1-> 1; H: 0 -1-> 1 -2-> 2, all marked.
make_des <<'EOF'
G = Create(G,[mark 0,1,2],[tran [0,1,1],[1,1,2],[2,1,0]])
S = Create(S,[mark 0,1,2],[tran [0,1,1],[1,1,2],[2,1,0]])
E = Create(E,[mark 0,1],[tran [0,1,1]])
H = Create(H,[mark 0,1,2],[tran [0,1,1],[1,2,2]])
EOF
run_logged " t7G\rS\rC\r" "C = Condat(G,S)  Controllable.@"
run_logged " t8G\rS\rC\rR\r" "R = Supreduce(G,S,C)  (1,1;slb=1)@" \
  8 "Enter name of DAT2 [= Condat(DES1,DES2)] ....  C" \
  20 "Simplified supervisor R has 1 states; compression ratio = 3.000000" \
  21 "Lower bound estimate of minimal state size: 1" 23 "Press <Enter> to return to SARV Procedures"
check "reduced supervisor file" "$(head -c 26 "$USERDIR/R.des")" "MURN DES file. Version 1.0"

# Control data of a two-state supervisor do not belong to S: refused, said so, nothing written.
run_logged " t7G\rE\rC2\r" "C2 = Condat(G,E)  Controllable.@"
run_keys " t8G\rS\rC2\rR2\r"
check_rows 22 "C2.dat is not the control data of S: supervisor not reduced."
check "no output or log entry after a refusal" "$(ls "$USERDIR" | grep -c 'R2\|makeit')" 0

# Supnorm and Supscop: plant H 0 -1-> 1 -2-> 2 all marked, legal language E. Erasing 2 leaves
# only the empty string (1 looks like 1 2, which E does not have); IMAGE [1] erases 2 as well.
run_logged " tr1E\rH\rN\r\r2\r-1\r" "N = Supnorm(E,H,Null[2])  (1,0)@" \
  4 "Continue to enter list of event labels to be nulled by projection;"
run_logged " tr1E\rH\rN2\rn1\r-1\r" "N2 = Supnorm(E,H,Image[1])  (1,0)@" \
  0 "Enter list of event labels to be retained;"
run_logged " tr1E\rH\rN3\ry-1\r" "N3 = Supnorm(E,H,Null[])  (2,1)@"
run_logged " ts1E\rH\rP\rn1\r-1\r" "P = Supscop(E,H,Image[1])  (1,0)@"

# Esc at every prompt: back in the menu, nothing written, no entry.
for k in "8" "8G\r" "8G\rS\r" "8G\rS\rC\r"; do cancel_case " t$k$ESC"; done
cancel_case " t8G\rS\rC\rR\r\x1b"
for key in r1 s1; do
  for k in "" "E\r" "E\rH\r" "E\rH\rX\r\r2\r" "E\rH\rX\rn1\r"; do cancel_case " t$key$k$ESC"; done
  cancel_case " t${key}E\rH\rX\r\x1b"
done

e2e_done
