# Helpers of the end-to-end tests: a private working directory and start-up file, key scripts run
# by the real binary in a private tmux server at 80x25, screen checks, DES made by Create entries.
# Source this file, then call e2e_setup once. Environment: SARV (the binary), SARV_SOURCE.
set -u
e2e_fail=0

e2e_setup() {
  WORK=$(mktemp -d /tmp/sarv_e2e_XXXXXX)
  RUNS=0
  # Started through a path in WORK, the program keeps its start-up file murn.ini there.
  ln -s "$SARV" "$WORK/sarv"
  USERDIR="$WORK/user"
  mkdir "$USERDIR"
  echo "$USERDIR" >"$WORK/murn.ini"
  trap 'stop_tmux; rm -rf "$WORK"' EXIT
}

# stop_tmux: ends the current tmux server and removes its socket file.
stop_tmux() {
  [ -n "${SOCKET:-}" ] || return 0
  tmux -L "$SOCKET" kill-server 2>/dev/null
  rm -f "${TMUX_TMPDIR:-/tmp}/tmux-$(id -u)/$SOCKET"
}

# start_tmux COMMAND WIDTH HEIGHT: starts COMMAND in WORK in a tmux server of its own (one socket a
# run: no race with a server still shutting down); the exit status appears in $WORK/status.
start_tmux() {
  stop_tmux
  RUNS=$((RUNS + 1))
  SOCKET="sarv_$$_${RUNS}"
  rm -f "$WORK/status"
  env -u TMUX TERM=xterm tmux -L "$SOCKET" -f /dev/null new-session -d -x "$2" -y "$3" \
    "cd '$WORK' && $1; echo \$? >'$WORK/status.tmp'; mv '$WORK/status.tmp' '$WORK/status'; sleep 600"
}

capture() { tmux -L "$SOCKET" capture-pane -p >"$WORK/screen"; }

# wait_until COMMAND...: polls COMMAND until it succeeds, for at most 30 seconds.
wait_until() {
  for _ in $(seq 1 300); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}
screen_shows() { capture && grep -qF -- "$1" "$WORK/screen"; }

# run_keys KEYS [WIDTH HEIGHT]: runs "sarv -autotest" on the bytes KEYS (printf escapes) until it
# ends: last screen in $WORK/screen, exit status in $STATUS. RUN_PREFIX is put before the command
# (for example "PATH=..."); the screen is 80 by HEIGHT (default 25) unless given.
run_keys() {
  printf "$1" >"$WORK/keys"
  start_tmux "${RUN_PREFIX:-}./sarv -autotest keys" "${2:-80}" "${3:-${HEIGHT:-25}}"
  wait_until test -e "$WORK/status" || check "run of [$1]" timeout ended
  capture
  STATUS=$(cat "$WORK/status" 2>/dev/null)
  stop_tmux
}

# run_rows KEYS [ROW TEXT]...: run_keys KEYS, then check_rows.
run_rows() {
  run_keys "$1"
  shift
  check_rows "$@"
}

# screen_row N: row N (from 0) of the last screen, trailing blanks removed.
screen_row() { sed -n "$(($1 + 1))p" "$WORK/screen" | sed 's/ *$//'; }

check() {  # check DESCRIPTION ACTUAL EXPECTED
  if [ "$2" != "$3" ]; then
    printf 'FAIL: %s\n  expected: [%s]\n  actual:   [%s]\n' "$1" "$3" "$2"
    e2e_fail=1
  fi
}

# check_rows ROW TEXT ...: each screen ROW of the last screen shows TEXT.
check_rows() {
  for ((; $# >= 2; )); do
    check "screen row $1" "$(screen_row "$1")" "$2"
    shift 2
  done
}

check_file_is() {  # check_file_is FILE EXPECTED_CONTENT (printf escapes allowed)
  check "content of $(basename "$1")" "$(cat "$1" 2>/dev/null; echo x)" "$(printf "$2"; echo x)"
}

# cancel_case KEYS: a dialog cancelled by KEYS leaves the user directory as it was and ends back in
# the procedures menu.
cancel_case() {
  local before
  before=$(cd "$USERDIR" && md5sum -- * | sort)
  run_keys "$1"
  check "files after [$1]" "$(cd "$USERDIR" && md5sum -- * | sort)" "$before"
  check "back in the menu after [$1]" "$(screen_row 3)" "                               SARV PROCEDURES"
  check "status after [$1]" "$STATUS" 255
}

# run_logged KEYS ENTRY [ROW TEXT]...: runs KEYS; the MAKEIT log then holds ENTRY alone (a final
# "@" stands for the computing-time line) and each ROW its TEXT. The log is removed afterwards.
run_logged() {
  local keys=$1 entry=$2 name=${2%% = *}
  shift 2
  if [ "${entry: -1}" = @ ]; then
    entry="${entry%@}\n$(printf '%*s' $((${#name} + 3)) '')Computing time = 00:00:00"
  fi
  run_keys "$keys"
  check_file_is "$USERDIR/makeit.txt" "$entry\n\n"
  check_rows "$@"
  rm -f "$USERDIR/makeit.txt"
}

# check_wrapped INDENT ENTRY: the longest MAKEIT log line has 74 characters, and joining the
# continuation lines (indented by INDENT) gives ENTRY back.
check_wrapped() {
  local log="$USERDIR/makeit.txt"
  check "longest log line" "$(awk '{ if (length > m) m = length } END { print m }' "$log")" 74
  check "entry without its line breaks" "$(awk -v n="$1" 'NR == 1 { printf "%s", $0; next }
    match($0, /^ +/) && RLENGTH == n && !/Computing/ { printf "%s", substr($0, n + 1); next }
    { printf "\n%s", $0 }' "$log")" "$2"
  rm -f "$log"
}

e2e_done() {
  [ "$e2e_fail" = 0 ] && echo "all checks passed"
  exit "$e2e_fail"
}

# make_des [DIR]: the DES of the Create entries on standard input, made by a batch run, into DIR
# (default: the user directory) without the run's log.
make_des() {
  rm -rf "$WORK/made" && mkdir "$WORK/made"
  cat >"$WORK/made/create.txt"
  "$SARV" -run "$WORK/made/create.txt" -d "$WORK/made" >/dev/null || check "DES made" failed made
  mv "$WORK/made"/*.des "${1:-$USERDIR}/"
}

# big_rings: Create entries of BIG1 and BIG2, 1200-state rings over events 1, 3 and 5, 7; their
# product has 1,440,000 states.
big_rings() {
  for ring in "1 BIG1" "5 BIG2"; do
    awk -v a="${ring% *}" -v name="${ring#* }" 'BEGIN { printf "%s = Create(%s,[mark 0],[tran ", name, name
      for (s = 0; s < 1200; s++) printf "%s[%d,%d,%d],[%d,%d,%d]", s ? "," : "", s, a, (s + 1) % 1200, s, a + 2, (s * 7 + 1) % 1200
      printf "])\n\n" }'
  done
}

# sarv_processes: the command lines of the sarv processes working in WORK or below it.
sarv_processes() {
  for p in /proc/[0-9]*; do
    case "$(readlink "$p/cwd" 2>/dev/null)" in
      "$WORK" | "$WORK"/*) tr '\0' ' ' <"$p/cmdline" 2>/dev/null && echo ;;
    esac
  done | grep -E "^(\./sarv|$SARV) "
}
