#!/usr/bin/env bash
# Batch runs: a design made in the dialogs (by key script) is replayed from its log into an empty
# directory and rebuilds byte-identical DES files; a tampered size fails at its line; malformed
# scripts change nothing; usage errors; help and version.
source "$(dirname "$0")/../ui/e2e_lib.sh"
e2e_setup

# The plant components, entered as Create entries of a first batch run.
cat >"$WORK/base.txt" <<'SCRIPT'
MACH1 = Create(MACH1,[mark 0],[tran [0,11,1],[1,12,0],[1,14,2],[2,13,0]])  (3,4)

MACH2 = Create(MACH2,[mark 0],[tran [0,21,1],[1,22,0],[1,24,2],[2,23,0]])  (3,4)

BUF = Create(BUF,[mark 0],[tran [0,12,1],[1,21,0]])  (2,2)

MACH1E = Edit(MACH1,[mark +[1]],[trans +[2,15,1],-[2,13,0]])  (3,4)

T = Create(T,[mark 2],[voc [2,20],[3,30]],[tran [0,1,1],[0,3,4],[1,2,2],[1,4,3],[4,2,2],[4,6,3]])
SCRIPT
"$SARV" -run "$WORK/base.txt" -d "$USERDIR" >"$WORK/out" 2>&1
check "base run status" "$?" 0
check "base run report" "$(sed 's/  [0-9.]* s$//' "$WORK/out")" \
  "$(printf 'line 1  MACH1 = Create  (3,4)\nline 3  MACH2 = Create  (3,4)\nline 5  BUF = Create  (2,2)\nline 7  MACH1E = Edit  (3,4)\nline 9  T = Create  (5,6)')"

# Every procedure of the catalogue with a dialog, through the front end.
keys=" t"
keys+="1\rBUF\ryBUFS\r11\r13\r14\r22\r23\r24\r-1\r\r"  # Selfloop
keys+="3MACH1\rMACH2\rFACT\r\r"                         # Sync
keys+="4FACT\rBUFS\rMEETFB\r\r"                         # Meet
keys+="5FACT\rBUFS\rSUP\r\r"                            # Supcon
keys+="7FACT\rSUP\rSUPDAT\r\r"                          # Condat
keys+="6MACH1\rMACH2\rMX\r2\r2\r1\r2\r-1\r\r"           # Mutex
keys+="2FACT\ryTFACT\r\r"                               # Trim
keys+="9SUP\ryMSUP\r\r"                                 # Minstate
keys+="10SUP\rCSUP\rn99\r-1\r\r"                        # Complement
keys+="P0SUP\rPSUP\r\r12\r22\r-1\r\r"                   # Project, NULL
keys+="P0SUP\rISUP\rn11\r13\r-1\r\r"                    # Project, IMAGE
keys+="H4SUP\rAE\r\r"                                   # Allevents
keys+="BSUP\rRSUP\r\r"                                  # BFS-recode
keys+="ISUP\rRSUP\r\r"                                  # Isomorph
keys+="NFACT\rBUFS\r\r"                                 # Nonconflict
keys+="H0FACT\rVF\r*\r12\r10\r*\r22\r20\r0\r11\r30\r-1\r\r" # Vocalize, "*" for every state
keys+="H1VF\rOC\r\r"                                   # Outconsis
keys+="H2VF\rHS\rs\r"                                   # Hiconsis, one new output
keys+="H2T\rHM\rm\r"                                    # Hiconsis, one per new location
keys+="H3HS\rHG\r\r"                                   # Higen
keys+="P1FACT\rCV\r11\r15\r13\r15\r-1\r\r"              # Convert
keys+="8FACT\rSUP\rSUPDAT\rRED\r\r"                    # Supreduce
keys+="R1SUP\rFACT\rNS\r\r12\r-1\r\r"                   # Supnorm, NULL
keys+="S1SUP\rFACT\rSC\rn11\r21\r-1\r\r"                # Supscop, IMAGE
keys+="XX"
run_keys "$keys"
check "dialogs ended normally" "$STATUS" 0
# The entries of the dialogs not logged by the dialog scripts (the replay below shows every entry
# rebuilds what its dialog made).
for entry in "MEETFB = Meet(FACT,BUFS)" "AE = Allevents(SUP)" "RSUP = Recode(SUP)" \
  "OC = Outconsis(VF)" "HG = Higen(HS)"; do
  grep -qF -- "$entry" "$USERDIR/makeit.txt" || { echo "FAIL: log lacks [$entry]"; e2e_fail=1; }
done

# Replayed into an empty directory, the log rebuilds every file byte for byte.
mkdir "$WORK/replay"
"$SARV" -run "$USERDIR/makeit.txt" -d "$WORK/replay" >"$WORK/out" 2>&1
check "replay status" "$?" 0
check "replay steps" "$(grep -c '^line ' "$WORK/out")" 29
for f in "$USERDIR"/*.des "$USERDIR"/*.dat; do
  cmp -s "$f" "$WORK/replay/$(basename "$f")" || { echo "FAIL: $(basename "$f") differs"; e2e_fail=1; }
done
check "replayed files" "$(ls "$WORK/replay")" "$(ls "$USERDIR")"
# The replay's log is the dialogs' log without the computing times.
check "replayed log" "$(cat "$WORK/replay/makeit.txt")" "$(grep -v 'Computing time' "$USERDIR/makeit.txt")"

# A tampered size fails at its line, with both values; JSON reports every step with
# --keep-going.
sed 's/^SUP = Supcon(FACT,BUFS)  (\([0-9]*\),\([0-9]*\))/SUP = Supcon(FACT,BUFS)  (\1,999)/' \
  "$USERDIR/makeit.txt" >"$WORK/tampered.txt"
line=$(grep -n '^SUP = Supcon' "$WORK/tampered.txt" | cut -d: -f1)
mkdir "$WORK/t1"
"$SARV" -run "$WORK/tampered.txt" -d "$WORK/t1" >"$WORK/out" 2>"$WORK/err"
check "tampered status" "$?" 1
size=$(grep -o '^SUP = Supcon(FACT,BUFS)  ([0-9]*,[0-9]*)' "$USERDIR/makeit.txt" | sed 's/.*  //')
check "tampered message" "$(cat "$WORK/err")" \
  "$WORK/tampered.txt:$line: Supcon: recorded ${size%%,*},999), replay gives $size"
check "stops at the failure" "$(tail -1 "$WORK/out" | cut -d' ' -f1-2)" "line $line"
rm -rf "$WORK/t1" && mkdir "$WORK/t1"
"$SARV" -run "$WORK/tampered.txt" -d "$WORK/t1" --json --keep-going >"$WORK/out" 2>&1
check "keep-going status" "$?" 1
check "json lines" "$(grep -c '^{"line":' "$WORK/out")" 29
check "json mismatch" "$(grep -c '"status":"mismatch"' "$WORK/out")" 1
check "json beside the sizes" "$(grep -o '"\(controllable\|slb\|ratio\|blocked\|new_labels\)":\(\[[^]]*\]\|[^,]*\)' \
  "$WORK/out" | tr '\n' ' ')" \
  '"blocked":[] "controllable":true "new_labels":[100,110,111,200,301] "new_labels":[101,111,200,300] "slb":2 "ratio":6.000000 '

# A Hiconsis entry whose new labels neither variant gives fails at its line.
sed 's/^\(HM = Hiconsis(T)   New event labels: \[\)101,/\1102,/' "$USERDIR/makeit.txt" >"$WORK/labels.txt"
mkdir "$WORK/t3"
"$SARV" -run "$WORK/labels.txt" -d "$WORK/t3" >/dev/null 2>"$WORK/err"
check "labels of neither variant" "$(cat "$WORK/err")" "$WORK/labels.txt:$(grep -n '^HM = ' \
  "$WORK/labels.txt" | cut -d: -f1): Hiconsis: recorded new event labels [102,111,200,300], \
replay gives [101,200,300]"

# Malformed scripts and failing steps: a clear message, and nothing touched.
mkdir "$WORK/t2"
cp "$USERDIR/MACH1.des" "$WORK/t2/"
bad() {  # bad SCRIPT_TEXT EXPECTED_MESSAGE
  printf "$1" >"$WORK/bad.txt"
  "$SARV" -run "$WORK/bad.txt" -d "$WORK/t2" >"$WORK/out" 2>"$WORK/err"
  check "status of [$1]" "$?" 1
  check "message of [$1]" "$(cat "$WORK/err")" "$WORK/bad.txt:$2"
  check "files after [$1]" "$(ls "$WORK/t2" | tr '\n' ' ')" "MACH1.des "
}
bad "A = Trim(MACH1)\n\nB = Supcom(A,A)\n" "3: unknown procedure \"Supcom\"; nothing was run"
bad "A = Selfloop(MACH1,[1000])\n" "1: event 1000 out of range 0..999; nothing was run"
bad "X = Create(X,1)\n" "1: expected \"[\" at \"1)\"; nothing was run"
bad "A = Trim(NOPE)\n" "1: Trim: missing input file $WORK/t2/NOPE.des"
bad "A = Vocalize(MACH1,[[0,11,10],[0,12,10]])\n" \
  "1: Vocalize: entry [0,12,10]: no transition on that event from that state"
bad "A = Vocalize(MACH1,[[3,11,10]])\n" "1: Vocalize: entry [3,11,10]: MACH1 has no such state"
bad "A = Vocalize(MACH1,[[0,11,10],[0,11,20]])\n" \
  "1: Vocalize: entry [0,11,20]: that transition already has output 10"

# A failed Supreduce names its cause as its dialog does (the dialog's own check is with the
# procedure dialogs).
mkdir "$WORK/t3"
cp "$USERDIR/FACT.des" "$USERDIR/MACH1.des" "$USERDIR/SUPDAT.dat" "$WORK/t3/"
cause="SUPDAT.dat is not the control data of MACH1: supervisor not reduced."
printf 'R = Supreduce(FACT,MACH1,SUPDAT)\n' >"$WORK/red.txt"
"$SARV" -run "$WORK/red.txt" -d "$WORK/t3" >/dev/null 2>"$WORK/err"
check "Supreduce cause in -run" "$(cat "$WORK/err")" "$WORK/red.txt:1: Supreduce: result 4: $cause"

# Usage errors: no script, an unknown option, a missing directory. A path is never an option.
for args in "" "$WORK/base.txt --fast" "$WORK/base.txt -d $WORK/none"; do
  "$SARV" -run $args >/dev/null 2>&1
  check "status of -run $args" "$?" 2
done
printf 'a file named --help\n' >"$WORK/--help"
check "a file named --help" "$(cd "$WORK" && "$SARV" ./--help)" "a file named --help"

e2e_done
