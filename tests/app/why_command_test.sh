#!/usr/bin/env bash
# "sarv -why": one explanation per WHAT, as text (also filed as ARG1.why.txt) and as JSON, with
# the usage and failure statuses; nothing is logged. Event names of EVENTS.txt label the events,
# also in DOT pictures; a Supcon whose specification lacks plant events gets a note in -run and
# in its dialog. The Why screen (procedures menu W): the choice, the names, the explanation paged
# and filed, nothing logged; Esc cancels, a failure says why on row 22 and pauses.
source "$(dirname "$0")/../ui/e2e_lib.sh"
e2e_setup
cd "$WORK"
make_des <<'EOF2'
P = Create(P,[mark 0],[tran [0,1,1],[1,2,2],[2,3,0],[1,4,0]])  (3,4)
E = Create(E,[mark 0],[tran [0,1,1],[1,4,0],[1,2,1]])  (2,3)
E2 = Create(E2,[mark 0],[tran [0,1,1],[1,4,0]])  (2,2)
P0 = Create(P0,[mark 0],[tran [0,1,0],[0,2,0]])  (1,2)
E0 = Create(E0,[mark 0],[tran [0,1,0]])  (1,1)
T = Create(T,[mark 1],[tran [0,1,1],[0,3,2],[3,5,1]])  (4,3)
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
run_keys " t5P\rE2\rS\r"
check_rows 20 "Note: DES2 does not use events 2,3 of DES1; they are disabled in every state of" \
  21 "DES3. Selfloop them in DES2 to leave them free."
rm user/S.des user/P.why.txt user/makeit.txt

why() { ./sarv -why "$@" >out 2>err; STATUS=$?; }

why supcon P0 E0
check "empty supcon" "$STATUS $(sed -n 3,6p out)" "0 The meet of P0 and E0 has 1 state; Supcon keeps 0.
The result is empty: the initial state was removed (uncontrollable):
  state 0 (P0 0, E0 0): P0 allows 2
    after: the empty string"
check "text filed" "$(cat user/P0.why.txt)" "$(cat out)"
why supcon P E --json
check "supcon json" "$(grep -o '"counts":{[^}]*}' out)" \
  '"counts":{"uncontrollable":0,"blocking":1,"leads-to-removed":1,"unreachable":0}'
check "supcon chain" "$(grep -o '{"cause":"leads-to[^}]*}' out)" \
  '{"cause":"leads-to-removed","string":[1],"state":1,"plant_state":1,"spec_state":1,"chain":[2],"chain_end":2,"chain_cause":"blocking"}'
why nonconflict P E
check "conflict" "$(sed -n 3p out; sed -n 6,7p out)" "P and E are CONFLICTING (their product has 3 states).
  state 2 (P 2, E 1)
    after: 1, 2"
why condat P E2 --json
check "uncontrollable condat" "$(grep -o '"controllable":false\|{"cause[^}]*}' out)" '"controllable":false
{"cause":"uncontrollable","string":[1],"event":2,"state":1,"plant_state":1,"supervisor_state":1}'
why compare E2 P
check "languages" "$(sed -n 3,5p out)" "  L(E2) = L(P): no  (witness: 1, 2)
  Lm(E2) = Lm(P): no  (witness: 1, 2, 3)
  L(E2) in L(P): yes"
why trim T --json
check "trim" "$(grep -o '"survivors":[0-9]*\|{"cause[^}]*}' out)" '"survivors":2
{"cause":"blocking","string":[3],"state":2}
{"cause":"unreachable","string":[],"state":3}'
check "nothing logged, no side file" "$(ls user | grep -c 'makeit\|murn')" 0

# Usage errors answer 2, failures 1 with their message.
for args in "explain P|2" "trim P E|2" "supcon P|2" "supcon N E|1" "trim MISSING|1"; do
  why ${args%|*}
  check "status of -why ${args%|*}" "$STATUS" "${args#*|}"
done
check "nondeterministic message" "$(cat err)" "sarv -why: missing input file $USERDIR/MISSING.des"
why supcon N E
check "nondeterministic message" "$(cat err)" "sarv -why: N.des is nondeterministic"

# Event names label strings, events and DOT edges; a malformed line is reported once.
printf '1 start_1\n2 oops here\n4 stop\n' >user/EVENTS.txt
why condat P E2
check "named" "$(sed -n 6,7p out; tail -1 out)" "  state 1 (P 1, E2 1): 2 disabled
    after: start_1 (1)
EVENTS.txt line 2 is malformed and was ignored: 2 oops here"
check "dot labels" "$(./sarv -dot E - | grep -- '->' | tail -2)" '  1 -> 0 [label="stop (4)", style=dashed];
  1 -> 1 [label="2", style=dashed];'

# A specification that lacks plant events gets a note; the entry is logged as ever.
printf 'S = Supcon(P,E2)\n' >script.txt
check "note" "$(./sarv -run script.txt | tail -1)" "  Note: DES2 does not use events 2,3 of DES1; \
they are disabled in every state of DES3. Selfloop them in DES2 to leave them free."
e2e_done
