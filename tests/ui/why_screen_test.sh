#!/usr/bin/env bash
# The Why screen (procedures menu W): the menu label, the choice of what to explain, the names,
# the explanation paged in the text pager and filed; nothing is logged. Esc cancels; a failure
# says why on row 22 and pauses. The Supcon dialog's alphabet note.
source "$(dirname "$0")/e2e_lib.sh"
e2e_setup
make_des <<'EOF2'
P = Create(P,[mark 0],[tran [0,1,1],[1,2,2],[2,3,0],[1,4,0]])  (3,4)
E = Create(E,[mark 0],[tran [0,1,1],[1,4,0],[1,2,1]])  (2,3)
E2 = Create(E2,[mark 0],[tran [0,1,1],[1,4,0]])  (2,2)
N = Create(N,[mark 0],[tran [0,1,0],[0,1,1]])  (2,2)
EOF2

run_keys " t"
check "menu label" "$(screen_row 8 | cut -c54-)" "W: Why (explain)"
run_keys " tw7"
check_rows 0 "WHY" 6 "  3: Condat: where an uncontrollable event is disabled" 10 "Explain which? (1-5)"
run_keys " tw2P\rE\r"
check_rows 2 "WHY nonconflict (P, E)" 4 "P and E are CONFLICTING (their product has 3 states)." \
  6 "1 state of the product from which no marker state can be reached:"
check "filed, not logged" "$(ls "$USERDIR" | grep 'why\|makeit\|murn')" "P.why.txt"
cancel_case " tw\x1b"
cancel_case " tw1P\r\x1b\xff"
run_rows " tw1N\rE\r" 22 "N.des is nondeterministic" 23 "Press <Enter> to return to SARV Procedures"

# The Supcon dialog notes, above the pause, the plant events its specification does not use.
run_keys " t5P\rE2\rS\r"
check_rows 20 "Note: DES2 does not use events 2,3 of DES1; they are disabled in every state of" \
  21 "DES3. Selfloop them in DES2 to leave them free."
e2e_done
