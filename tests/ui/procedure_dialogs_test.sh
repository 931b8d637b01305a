#!/usr/bin/env bash
# The procedure dialogs through the real binary: prompts, lists, result files, MAKEIT entries byte
# for byte (key-script mode turns clocking on), and Esc at every prompt.
source "$(dirname "$0")/e2e_lib.sh"
e2e_setup
log="$USERDIR/makeit.txt"
P="Press <Enter> to return to SARV Procedures"

# G: 0 -1-> 1 -2-> 2, all marked. E: 0 -1-> 1, both marked; as a specification for G it forbids
# the uncontrollable 2 after 1. G2: 0 -1-> 1 -2-> 2 (marked), 0 -3-> 3 -5-> 3. D: 0 -1-> 1 -1-> 0,
# both marked. SA, SB share 1, 3, 5, offered by SB only where it never gets. MA, MB share nothing.
# NA, NB reach their marked states by different events. Y is X with states 1 and 2 swapped.
make_des <<'EOF'
G = Create(G,[mark 0,1,2],[tran [0,1,1],[1,2,2]])
E = Create(E,[mark 0,1],[tran [0,1,1]])
G2 = Create(G2,[mark 2],[tran [0,1,1],[0,3,3],[1,2,2],[3,5,3]])
D = Create(D,[mark 0,1],[tran [0,1,1],[1,1,0]])
SA = Create(SA,[mark 0],[tran [0,1,1],[0,3,1],[0,5,1]])
SB = Create(SB,[mark 0],[tran [0,7,0],[1,1,1],[1,3,1],[1,5,1]])
MA = Create(MA,[mark 0],[tran [0,1,1],[1,2,0]])
MB = Create(MB,[mark 0],[tran [0,3,1],[1,4,0]])
NA = Create(NA,[mark 1],[tran [0,1,1]])
NB = Create(NB,[mark 1],[tran [0,2,1]])
X = Create(X,[mark 2],[tran [0,1,1],[0,3,2],[1,5,1]])
Y = Create(Y,[mark 1],[tran [0,1,2],[0,3,1],[2,5,2]])
EOF
mkdir "$WORK/expected"

# One input. Trim: Enter at the question asks for a new name, an existing one needs consent, "n"
# replaces DES1, unclocked entries end after their sizes, debug mode keeps the child's output.
# Selfloop stores a repeated value once; Complement with an auxiliary event; Project by NULL and
# IMAGE (an empty IMAGE erases everything); Minstate replacing its input.
run_logged " t2G2\ryT\r" "T = Trim(G2)  (3,2)@" 4 "Enter name of DES1 to be trimmed ....  G2" \
  6 "Assign new name to G2?   (*y/n)   y" 8 "Enter new name for DES2 ....  T" 23 "$P"
run_logged " t2G2\r\rT\ry" "T = Trim(G2)  (3,2)@" \
  10 "Filename T already exists.  OK to overwrite?  (*y/n)  y"
run_logged " dt2G2\ryT3\r" "T3 = Trim(G2)  (3,2)@" 8 "Enter new name for DES2 ....  T3" 23 "$P"
cp "$USERDIR/G2.des" "$USERDIR/G3.des"
run_logged " t2G3\rn" "G3 = Trim(G3)  (3,2)@"
run_logged " ct2G3\rn\r" "G3 = Trim(G3)  (3,2)" 3 "                               SARV PROCEDURES"
run_logged " t1\rG\ryH\r13\r11\r13\r-1\r" "H = Selfloop(G,[11,13])  (3,8)@" 11 "     13     11     13     -1"
run_logged " t10G\rC2\rn4\r4\r-1\r" "C2 = Complement(G,[4])  (4,12)@" 12 "     4      4      -1"
# The list leaves no free row: the entry is shown on a fresh screen.
run_logged " tp0G\rP\r\r2\r-1\r" "P = Project(G,Null[2])  (2,1)@" \
  0 "Logged in makeit.txt:" 1 "P = Project(G,Null[2])  (2,1)"
run_logged " tp0G\rP2\rn-1\r" "P2 = Project(G,Image[])  (1,0)@" 1 "P2 = Project(G,Image[])  (1,0)"
run_logged " tp0G\rP3\ry-1\r" "P3 = Project(G,Null[])  (3,2)@"
run_logged " t9D\rn" "D = Minstate(D)  (1,1)@" 6 "Assign new name to D? (*y/n)   n"

# Create from the keyboard files the DES byte for byte; Edit and Show DES open from the menu.
run_logged " t01\rK\r2\r*\r-1\r0\r1\r1\r-1\ry\r" \
  "K = Create(K,[mark all],[tran [0,1,1]])  (2,1)" 3 "                               SARV PROCEDURES"
echo 'K = Create(K,[mark 0,1],[tran [0,1,1]])' | make_des "$WORK/expected"
check "Create output" "$(cmp "$USERDIR/K.des" "$WORK/expected/K.des" && echo same)" same
run_rows " te" 0 "EDIT"
run_rows " tseK\r" 0 "K    # states: 2    state set: 0 ... 1    initial state: 0"

# 150 loops: ten fields a row, then a fresh screen repeating the typed entries, wrapped; unclocked.
list=$(seq -s, 101 2 399)
run_keys " ct1\rG\ryLOOPS\r$(seq -s '\r' 101 2 399)\r-1\r"
check_rows 2 "Typed so far: [101,103,105,107,109,111,113,115,117,119,121,123,125,127,129" \
  9 "               07,309,311,313,315,317,319]" \
  11 "     321    323    325    327    329    331    333    335    337    339" \
  14 "     381    383    385    387    389    391    393    395    397    399" 15 "     -1" 23 "$P"
check_wrapped 8 "LOOPS = Selfloop(G,[$list])  (3,452)"

# Two inputs: Sync with its blocked events (screen and log), Supcon (its output file), Condat.
run_logged " t3G\rE\rSY\r" "SY = Sync(G,E)  (3,2)  Blocked_events = None  @" \
  21 "Events blocked in SY: None."
run_logged " t3SA\rSB\rSY2\r" "SY2 = Sync(SA,SB)  (1,1)  Blocked_events = [1,3,5]  @" \
  21 "Events blocked in SY2: [  1,  3,  5]"
run_logged " t5G\rE\rS\r" "S = Supcon(G,E)  (1,0)@" 6 "Enter name of legal language generator DES2 ....  E" \
  9 "  controllable sublanguage generator DES3 ......  S" 23 "$P"
check "status at the pause, where the script ends" "$STATUS" 255
# The start state alone, marked, with event 1 disabled.
echo 'S = Create(S,[mark 0])' | make_des "$WORK/expected"
check "Supcon output" "$(cmp "$USERDIR/S.des" "$WORK/expected/S.des" && echo same)" same
check "no protocol files left" "$(ls "$USERDIR" | grep -c murn)" 0
# Enter at the pause returns to the menu, counting the new file; Enter at the question overwrites.
run_logged " t5G\rE\rS2\r\r" "S2 = Supcon(G,E)  (1,0)@" 3 "                               SARV PROCEDURES" \
  22 "     Number files: $(($(ls -A "$USERDIR" | wc -l) + 2))" # with S2 and the log
run_logged " t5G\rE\rS\r\r" "S = Supcon(G,E)  (1,0)@" \
  11 "Filename S already exists.  OK to overwrite?  (*y/n)"
run_logged " t7G\rE\rCD\r" "CD = Condat(G,E)  Uncontrollable.@"
check "Condat writes a DAT file" "$(test -e "$USERDIR/CD.dat" && echo yes)" yes

# Mutex: a pair a row, stored once, ascending in the log, a fresh screen with its header at the
# bottom; -1 in second place ends the list and drops its pair.
run_logged " t6MA\rMB\rMX2\r$(printf '1\\r%.0s' {1..24})-1\r" "MX2 = Mutex(MA,MB,[[1,1]])  (3,4)@" \
  4 "Continue to enter list of excluded state pairs." 5 "Typed so far: [[1,1]]" \
  7 "1              1" 9 "-1"
run_logged " t6MA\rMB\rMX\r1\r1\r0\r1\r1\r1\r-1\r" "MX = Mutex(MA,MB,[[0,1],[1,1]])  (2,2)@" \
  12 "1              1" 13 "0              1" 15 "-1"
run_logged " t6MA\rMB\rMX3\r1\r-1\r" "MX3 = Mutex(MA,MB,[])  (4,8)@"

# Computed in the front end: Nonconflict (writes nothing), Isomorph (the identity shortcut, four
# pairs a row, paged, DES2 first in the log).
run_logged " tnG\rE\r" "true = Nonconflict(G,E)@" 10 "G and E are NONCONFLICTING" 23 "$P"
before=$(ls "$USERDIR")
run_logged " tnNA\rNB\r" "false = Nonconflict(NA,NB)@" 10 "NA and NB are CONFLICTING!"
check "Nonconflict writes no file" "$(ls "$USERDIR")" "$before"

run_logged " tiX\rY\r" "true = Isomorph(Y,X;[[1,2],[2,1]])@" \
  8 "X and Y are isomorphic, under state correspondence" \
  10 "  [     1,     2 ]    [     2,     1 ]" 23 "$P"
run_logged " tiX\rG\r" "false = Isomorph(G,X)@" 8 "X and G are not isomorphic"
run_logged " tiX\rX\r" "true = Isomorph(X,X;identity)@" 10 "   IDENTITY"
# Q is the chain P numbered backwards (0 stays): 60 pairs, 48 on the first page.
pairs=$(awk 'BEGIN { for (i = 1; i <= 60; i++) printf "%s[%d,%d]", (i > 1 ? "," : ""), i, 61 - i }')
awk 'BEGIN { for (i = 0; i < 60; i++) { p = p sprintf(",[%d,1,%d]", i, i + 1)
    q = q sprintf(",[%d,1,%d]", i ? 61 - i : 0, 60 - i) }
  printf "P = Create(P,[mark 60],[tran %s])\nQ = Create(Q,[mark 1],[tran %s])\n", substr(p, 2), substr(q, 2) }' | make_des
run_keys " tiP\rQ\r"
check_rows 10 "  [     1,    60 ]    [     2,    59 ]    [     3,    58 ]    [     4,    57 ]" \
  21 "  [    45,    16 ]    [    46,    15 ]    [    47,    14 ]    [    48,    13 ]" \
  23 "Press <Enter> to page corresponding states or <ESC> to return"
run_keys " tiP\rQ\r\r"
check_rows 10 "  [    49,    12 ]    [    50,    11 ]    [    51,    10 ]    [    52,     9 ]" \
  12 "  [    57,     4 ]    [    58,     3 ]    [    59,     2 ]    [    60,     1 ]" 23 "$P"
rm "$log"
# Esc leaves the list and the dialog at once; the entry is still logged, wrapped at 74.
run_rows " tiP\rQ\r\x1b" 3 "                               SARV PROCEDURES"
check_wrapped 7 "true = Isomorph(Q,P;[$pairs])
       Computing time = 00:00:00"

# Supreduce: RING 0 -1-> 1 -1-> 2 -1-> 0, all marked, is its own supervisor RS: nothing disabled,
# the three states merge into one. Control data of another supervisor are refused.
make_des <<'EOF'
RING = Create(RING,[mark 0,1,2],[tran [0,1,1],[1,1,2],[2,1,0]])
RS = Create(RS,[mark 0,1,2],[tran [0,1,1],[1,1,2],[2,1,0]])
PH = Create(PH,[mark 0,1,2],[tran [0,1,1],[1,2,2]])
EOF
run_logged " t7RING\rRS\rRC\r" "RC = Condat(RING,RS)  Controllable.@"
run_logged " t8RING\rRS\rRC\rR\r" "R = Supreduce(RING,RS,RC)  (1,1;slb=1)@" \
  20 "Simplified supervisor R has 1 states; compression ratio = 3.000000" \
  21 "Lower bound estimate of minimal state size: 1" 23 "$P"
check "reduced supervisor file" "$(head -c 26 "$USERDIR/R.des")" "MURN DES file. Version 1.0"
run_logged " t7RING\rE\rRC2\r" "RC2 = Condat(RING,E)  Controllable.@"
run_rows " t8RING\rRS\rRC2\rR2\r" 22 "RC2.dat is not the control data of RS: supervisor not reduced."
check "no output or log entry after a refusal" "$(ls "$USERDIR" | grep -c 'R2\|makeit')" 0
# MS, a minimized supervisor for MG, meets plant states of different marking: the meet of MG and MS
# is reduced in its place, and the screen says so.
make_des <<'EOF'
MG = Create(MG,[mark 1],[tran [0,1,1],[0,2,1],[1,1,0],[1,2,1],[2,1,0],[2,2,1]])
MS = Create(MS,[mark 1],[tran [0,1,0],[0,2,1],[1,1,2],[1,2,1],[2,1,1],[2,2,1]])
EOF
run_logged " t7MG\rMS\rMC\r" "MC = Condat(MG,MS)  Controllable.@"
run_logged " t8MG\rMS\rMC\rMR\r" "MR = Supreduce(MG,MS,MC)  (2,4;slb=2)@" \
  18 "Some states of MS meet plant states of different marking:" 19 "reduced Meet(MG,MS) in its place."

# Supnorm and Supscop: plant PH 0 -1-> 1 -2-> 2 all marked, legal language E. Erasing 2 leaves
# only the empty string (1 looks like 1 2, which E does not have); IMAGE [1] erases 2 as well.
run_logged " tr1E\rPH\rN\r\r2\r-1\r" "N = Supnorm(E,PH,Null[2])  (1,0)@" \
  4 "Continue to enter list of event labels to be nulled by projection;"
run_logged " tr1E\rPH\rN2\rn1\r-1\r" "N2 = Supnorm(E,PH,Image[1])  (1,0)@" \
  0 "Enter list of event labels to be retained;"
run_logged " tr1E\rPH\rN3\ry-1\r" "N3 = Supnorm(E,PH,Null[])  (2,1)@"
run_logged " ts1E\rPH\rSP\rn1\r-1\r" "SP = Supscop(E,PH,Image[1])  (1,0)@"

# Esc at every prompt: back in the menu, no request, no file changed, no entry. Trim: names, the
# new-name and overwrite questions; Selfloop, Mutex, Complement, Project: names, question, a list
# field; Nonconflict, Isomorph: either name; Condat: up to its overwrite question (CD.dat);
# Supreduce, Supnorm, Supscop: every name, the question and the list; Sync, Meet, Supcon alike.
ESC='\x1b\xff' # Esc in a text field: the script says no further key is pending
for k in "2$ESC" "2G\r\x1b" "2G\ry$ESC" "2G\ryE\r\x1b" "1\r$ESC" "1\rG\r\x1b" "1\rG\rn$ESC" \
  "1\rG\ryNEW\r5\r7$ESC" "6G\rE\rNEW\r$ESC" "6G\rE\rNEW\r1\r0\r1\r$ESC" "10G\rNEW\r\x1b" \
  "10G\rNEW\rn4\r$ESC" "p0G\rNEW\r\x1b" "p0G\rNEW\rn1\r$ESC" "n$ESC" "nG\r$ESC" "i$ESC" "iG\r$ESC" \
  "7$ESC" "7G\r$ESC" "7G\rE\r$ESC" "7G\rE\rCD\r\x1b"; do cancel_case " t$k"; done
for k in "8" "8RING\r" "8RING\rRS\r" "8RING\rRS\rRC\r"; do cancel_case " t$k$ESC"; done
cancel_case " t8RING\rRS\rRC\rR\r\x1b"
for key in r1 s1; do
  for k in "" "E\r" "E\rPH\r" "E\rPH\rNEW\r\r2\r" "E\rPH\rNEW\rn1\r"; do cancel_case " t$key$k$ESC"; done
  cancel_case " t${key}E\rPH\rNEW\r\x1b"
done
for key in 3 4 5; do
  for k in "$ESC" "G\r$ESC" "G\rE\r$ESC" "G\rE\rpartial$ESC" "G\rE\rE\r\x1b" "nothere\r$ESC"; do
    cancel_case " t$key$k"
  done
done

e2e_done
