#!/usr/bin/env bash
# The simulator at 80x24: the factory under supervisor and control data (refusal, uncontrollable
# event, undo), a random walk to a dead end (trace shown, saved), a nondeterministic plant, Esc at
# every prompt, the -sim run mode's refusals.
source "$(dirname "$0")/e2e_lib.sh"
e2e_setup
cd "$WORK"
HEIGHT=24
cat >user/s.txt <<'SCRIPT'
MACH1 = Create(MACH1,[mark 0],[tran [0,11,1],[1,10,0],[1,12,2],[2,13,0]])
MACH2 = Create(MACH2,[mark 0],[tran [0,21,1],[1,20,0],[1,22,2],[2,23,0]])
BUF = Create(BUF,[mark 0],[tran [0,10,1],[0,11,0],[0,12,0],[0,13,0],[0,20,0],[0,22,0],[0,23,0],[1,11,1],[1,12,1],[1,13,1],[1,20,1],[1,21,0],[1,22,1],[1,23,1]])
FACT = Sync(MACH1,MACH2)
SUPER = Supcon(FACT,BUF)
DATA = Condat(FACT,SUPER)
DEAD = Create(DEAD,[mark 0],[tran [0,1,1],[1,2,0],[1,3,2]])
ND = Create(ND,[mark 2],[tran [0,1,1],[0,1,2],[1,2,0],[2,4,2]])
SCRIPT
./sarv -run user/s.txt -d user >/dev/null || check "inputs made" failed made
rm user/s.txt user/makeit.txt
echo "10 finish_1" >user/EVENTS.txt
row() { printf '  %-28s %-15s %s' "$1" "$2" "${3:-}" | sed 's/ *$//'; }

run_keys " t"
check "menu entry" "$(screen_row 14 | cut -c32-42)" "L: Simulate"
run_rows " tLFACT\rSUPER\rDATA\r21\r" 0 "SIMULATE  FACT under SUPER with DATA" \
  2 "Plant state:      0  (marker state)" 7 "$(row 11 controllable allowed)" \
  8 "$(row 21 controllable disabled)" 22 "Event 21 is disabled by the supervisor"
run_keys " tLFACT\rSUPER\rDATA\r11\r"
check_rows 2 "Plant state:      1" 7 "$(row "finish_1 (10)" uncontrollable allowed)"
run_keys " tLFACT\rSUPER\rDATA\r11\r10\ru"
check_rows 2 "Plant state:      1" 4 "Step 1   seed 1" 22 "Undone: event finish_1 (10)"

# A plant alone, walked at random into its dead end; the trace shown and saved.
run_keys " tLDEAD\r\rR"
steps=$(screen_row 22 | sed -n 's/^\([0-9]*\) random steps; stopped at deadlock: no event is allowed here$/\1/p')
check "walk into the dead end" "${steps:+found}" found
check_rows 2 "Plant state:      2" 4 "Step $steps   seed 1   DEADLOCK"
run_keys " tLDEAD\r\rR0Rs"
check_rows 4 "Step $steps   seed 1   DEADLOCK" 22 "Trace of $steps steps saved as DEAD.trace.txt"
check "saved trace" "$(wc -l <user/DEAD.trace.txt) $(tail -1 user/DEAD.trace.txt)" "$steps 3"
run_keys " tLDEAD\r\r1\r3\rt"
check_rows 2 "     1  1                            plant 1" 3 "     2  3                            plant 2"

run_rows " tLND\r\r1\r" 2 "Plant state:      {1, 2}  (marker state)" 7 "$(row 2 uncontrollable)" \
  8 "$(row 4 uncontrollable)"

# Esc at every prompt and on the screen: back in the menu, nothing written.
for k in "" "FACT\r" "FACT\rSUPER\r" "FACT\r\r"; do cancel_case " tL$k\x1b\xff"; done

for args in "-sim|2" "-sim NONE|1" "-sim ../FACT|2" "-sim FACT SUPER NODATA|1"; do
  ./sarv ${args%|*} 2>/dev/null
  check "status of ${args%|*}" "$?" "${args#*|}"
done
e2e_done
