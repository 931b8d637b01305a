#!/usr/bin/env bash
# Create from the keyboard and File ADS (one file with errors, all files with one failure) run
# through the real binary at 80x25: the DES file and the MAKEIT entry byte for byte, the error
# screens, and Esc at every Create prompt leaving every file as it was.
source "$(dirname "$0")/e2e_lib.sh"
e2e_setup

log="$USERDIR/makeit.txt"

# Esc at each prompt of Create (option, name, size, markers, vocal state and output, the three
# transition fields, the determinism question) writes nothing.
pieces=("1\r" "H\r" "3\r" "0\r" "-1\r" "1\r" "20\r" "-1\r" "0\r" "1\r" "1\r" "-1\r" "y")
typed=""
for piece in "${pieces[@]}"; do
  run_keys " t0${typed}\033\377"
  check "no file after Esc following [${typed}]" "$(ls "$USERDIR")" ""
  typed="$typed$piece"
done

# A DES typed in: markers 0 and 2, a transition entered twice, checked for nondeterminism.
create_g="1\rG\r3\r0\r2\r-1\r-1\r0\r1\r1\r0\r1\r1\r1\r2\r2\r-1\ry"
run_keys " t0$create_g"
check_screen_row 3 "G is OK."
check_screen_row 21 "G has been filed as $USERDIR/G.des"
check_screen_row 23 "Press <Enter> to return to SARV Procedures"
check "nothing logged before the confirmation is seen" "$(test -e "$log" && echo logged)" ""
rm "$USERDIR/G.des"
run_keys " t0$create_g\r"
write_des "$WORK/expected.des" 3 "0 2" "0 1 1" "1 2 2"
check "G.des" "$(cmp "$WORK/expected.des" "$USERDIR/G.des" && echo same)" same
check_file_is "$log" "G = Create(G,[mark 0,2],[tran [0,1,1],[1,2,2]])  (3,2)\n\n"

# One ADS file with two errors: the error screen, no file, no entry.
printf 'B\nState size\n3\nMarker states:\nVocal states:\nTransitions:\n0 1 1\n0 1 2\n9 1 1\n' \
  >"$USERDIR/B.ads"
run_keys " tfd1\rB\r\r"
check_screen_row 8 "Error(s) reading file: $USERDIR/B.ads"
check_screen_row 10 "  Nondeterministic transition at lines 7 and 8."
check_screen_row 12 "  Exit state too large at line 9."
check_screen_row 23 "Press <Enter> to return to SARV Procedures"
check "no B.des" "$(test -e "$USERDIR/B.des" && echo filed)" ""

# All ADS files: ok.ads is filed and logged with its marker states listed, B.ads fails, and the
# upper-case UP.ADS is not looked at.
printf 'ok\nState size\n2\nMarker states:\n*\nVocal states:\nTransitions:\n0 1 1\n' >"$USERDIR/ok.ads"
cp "$USERDIR/ok.ads" "$USERDIR/UP.ADS"
rm "$log"
run_keys " tfd2\r"
check_screen_row 10 "Number of successful filings is: 1"
check_screen_row 12 "Failures:  B.ads"
check_screen_row 20 "Locate .ADS errors by inspection or by FD/ADS->DES/Option 1."
check_screen_row 21 "Use your ASCII Editor to correct."
check_screen_row 23 "D=PgDn  U=PgUp  Esc (Exit)"
check_file_is "$log" "ok = Create(ok,[mark 0,1],[tran [0,1,1]])  (2,1)\n\n"
check "UP.ADS skipped" "$(test -e "$USERDIR/UP.des" && echo filed)" ""

e2e_done
