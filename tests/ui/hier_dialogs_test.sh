#!/usr/bin/env bash
# The dialogs on vocal DES: Vocalize (triples, "*", the illegal entry, continuing), Convert
# (pairs), Hiconsis (its option, the new labels in its entry), and Esc at every prompt of each.
source "$(dirname "$0")/e2e_lib.sh"
e2e_setup

log="$USERDIR/makeit.txt"
ESC='\x1b\xff'

# G: 0 -1-> 1 -2-> 2 -4-> 0. S: 0 -1-> 1, then 1 -2-> 2 (output 20) or 1 -6-> 3 (output 30), both
# back to 0: the controllable 1 does not decide which output follows.
make_des <<EOF
G = Create(G,[mark 0],[tran [0,1,1],[1,2,2],[2,4,0]])
P = Create(P,[mark 1],[tran [0,5,1],[0,6,1],[1,3,2]])
S = Create(S,[mark 0],[voc [2,20],[3,30]],[tran [0,1,1],[1,2,2],[1,6,3],[2,4,0],[3,3,0]])
L = Create(L,[mark 0],[tran $(printf "[0,%d,0]," $(seq 1 12))[0,13,0]])
T = Create(T,[mark 2],[voc [2,20],[3,30]],[tran [0,1,1],[0,3,4],[1,2,2],[1,4,3],[4,2,2],[4,6,3]])
EOF

# Vocalize: 1 is entered with 20; output 5, event 3 of state 1 and a second output for 0 -1-> 1
# are refused, each saying why; "*" with event 2 finds state 1.
vocalize=" th0G\rV\r0\r1\r20\r0\r1\r5\r1\r3\r30\r0\r1\r30\r*\r2\r30\r"
run_keys "${vocalize%\**}"  # ends before "*" takes a fresh screen
check_rows 15 "This entry is illegal (state 1 has no event 3); please reenter!" \
  19 "This entry is illegal ([0,1] has output 20); please reenter!"
run_logged "$vocalize-1\r" "V = Vocalize(G,[[0,1,20],[1,2,30]])  (3,3)@"

# An entry refused on row 21 goes on a fresh screen with its reason under the entries typed so far.
k=" th0L\rV2\r"
for e in $(seq 1 13); do k+="0\r$e\r$((e + 20))\r"; done
run_keys "${k}0\r1\r5\r"  # the script ends at the next field, before a logged entry covers them
check_rows 0 "VOCALIZE" 6 "Press <Enter> after each element and quit with -1." \
  8 "Typed so far: [[0,1,21],[0,2,22],[0,3,23],[0,4,24],[0,5,25],[0,6,26],[0,7," \
  9 "               27],[0,8,28],[0,9,29],[0,10,30],[0,11,31],[0,12,32],[0,13,3" \
  10 "               3]]" 12 "Exit state:  0      Event:  1           Entrance state vocal output:  5" \
  14 "This entry is illegal (vocal outputs are 10..99); please reenter!" 16 "Exit state:" 22 ""

# Convert: 5 and 6 both become 7 into the same state, stored once.
run_logged " tp1P\rC\r5\r7\r6\r7\r-1\r" "C = Convert(P,[[5,7],[6,7]])  (3,2)@" \
  6 "Old value:  5            New value:  7"

# Hiconsis: the option, then the new outputs of the result in the entry.
run_logged " th2S\rH\rs" "H = Hiconsis(S)   New event labels: [101,200,300]  (4,5)@" \
  18 "Select (*s/m)  s"
run_logged " th2T\rH2\rm" "H2 = Hiconsis(T)   New event labels: [101,111,200,300]  (5,6)@"

# Esc at every prompt: nothing written, back in the menu.
for k in h0 p1 h1 h2 h3 "h0G\r" "p1G\r" "h1G\r" "h2G\r" "h3G\r" "h0G\rV\r" "h0G\rV\r0\r" \
  "h0G\rV\r0\r1\r" "p1G\rC\r" "p1G\rC\r5\r"; do cancel_case " t$k$ESC"; done
cancel_case " th2G\rH\r\x1b"

e2e_done
