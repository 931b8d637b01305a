#!/usr/bin/env bash
# Edit and Show DES run through the real binary at 80x25: the saved DES and the Edit line byte for
# byte, Esc at every Edit prompt leaving every file as it was, and paging through a transition
# table of three screens.
source "$(dirname "$0")/e2e_lib.sh"
e2e_setup

log="$USERDIR/makeit.txt"

# OLD: 0 -3-> 1 -5-> 3, and 4 -7-> 0 that nothing reaches.
write_des "$USERDIR/OLD.des" 5 "" "0 3 1" "1 5 3" "4 7 0"
cp "$USERDIR/OLD.des" "$WORK/old.des"

# Saved as NEW: mark 3, add 0 -1-> 2, pass every other prompt, remove the unreachable state.
pieces=("OLD\r" "\r" "NEW\r" "n" "3\r" "-1\r" "-1\r" "n" "0\r" "1\r" "2\r" "-1\r" "-1\r" "n" "\r"
  "-1\r" "y" "-1\r" "y" "\r" "y")
typed=""
for i in "${!pieces[@]}"; do
  # The pause after the determinism report waits for Enter only.
  if [ "$i" != 19 ]; then
    run_keys " te${typed}\033\377"
    check "OLD kept after Esc following [${typed}]" "$(cmp "$WORK/old.des" "$USERDIR/OLD.des" && echo same)" same
    check "nothing new after Esc following [${typed}]" "$(ls "$USERDIR")" "OLD.des"
  fi
  typed="$typed${pieces[$i]}"
done
run_keys " te${typed}"
check_screen_row 7 "EDITING COMPLETE"
write_des "$WORK/expected.des" 4 "3" "0 1 2" "0 3 1" "1 5 3"
check "NEW.des" "$(cmp "$WORK/expected.des" "$USERDIR/NEW.des" && echo same)" same
check_file_is "$log" "NEW = Edit(OLD,[mark +[3]],[trans +[0,1,2]],rch)  (4,3)\n\n"

# R: 30 states, each with events 1, 3, 5, 7 to the next; 120 transitions on three screens.
trans=()
for s in $(seq 0 29); do
  for e in 1 3 5 7; do trans+=("$s $e $(((s + 1) % 30))"); done
done
write_des "$USERDIR/R.des" 30 "" "${trans[@]}"
run_keys " tseR\r"
check_screen_row 0 "R    # states: 30    state set: 0 ... 29    initial state: 0"
check_screen_row 7 "# transitions: 120"
check_screen_row 11 "[    0,  1,    1]  [    0,  3,    1]  [    0,  5,    1]  [    0,  7,    1]"
check_screen_row 21 "[   10,  1,   11]  [   10,  3,   11]  [   10,  5,   11]  [   10,  7,   11]"
check_screen_row 23 " D(own)  U(p)  H(ead)  V(ocal table)  T(ransition table)  Esc (Exit Show)"
run_keys " tseR\rd\r"
check_screen_row 6 "[   27,  1,   28]  [   27,  3,   28]  [   27,  5,   28]  [   27,  7,   28]"
run_keys " tseR\rdddu"
check_screen_row 6 "[   11,  1,   12]  [   11,  3,   12]  [   11,  5,   12]  [   11,  7,   12]"
run_keys " tseR\rdd\r"
check_screen_row 3 "                               SARV PROCEDURES"

e2e_done
