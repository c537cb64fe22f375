# What the test stages share; sourced by tests/run-all and by each stage's script
# (tests/windows/run, tests/web/run, ...), after setting STAGE to the stage's name.
#
# A stage counts its tests in passed, failed and skipped and ends with finish, whose line
# "STAGE: N passed, M failed" (", K skipped" where it skipped any) is what tests/run-all reads.
passed=0
failed=0
skipped=0

# The rule for a tool that is not installed: under CI (CI=true) that is a failure, since .ci/run
# installs everything; elsewhere what needs it is skipped, with a line saying so.
#   missing WHAT
missing() {
    if [ "${CI:-}" = true ]; then
        echo "FAIL $STAGE: $1 is missing (required under CI)"
        failed=$((failed + 1))
    else
        echo "$STAGE: skipped what needs $1, which is missing (.ci/run installs it)"
        skipped=$((skipped + 1))
    fi
}

# Adds the summary of a TAP log (node --test-reporter=tap) to the counts; shows the whole log when
# a test failed, else one line per test.
#   count_tap LOG
count_tap() {
    local p f
    p=$(sed -n 's/^# pass \([0-9]*\)$/\1/p' "$1")
    f=$(sed -n 's/^# fail \([0-9]*\)$/\1/p' "$1")
    if [ -z "$p" ] || [ -z "$f" ]; then p=0 f=1; fi
    passed=$((passed + p))
    failed=$((failed + f))
    if [ "$f" -ne 0 ]; then cat "$1"; else grep -E '^(ok|# (pass|fail))' "$1"; fi
}

# Adds the last "NAME: N passed, M failed[, K skipped]" line of a log to the counts; a log without
# one counts as one failure. Returns 1 when the stage named no counts (it was skipped or broke).
#   count_line NAME LOG
count_line() {
    local line
    line=$(grep -E "^$1: [0-9]+ passed, [0-9]+ failed" "$2" | tail -n 1)
    if [[ $line =~ ^$1:\ ([0-9]+)\ passed,\ ([0-9]+)\ failed(,\ ([0-9]+)\ skipped)? ]]; then
        passed=$((passed + BASH_REMATCH[1]))
        failed=$((failed + BASH_REMATCH[2]))
        skipped=$((skipped + ${BASH_REMATCH[4]:-0}))
        return 0
    fi
    failed=$((failed + 1))
    return 1
}

# Wine fails to start a program now and then (about 2 starts in 14,000 here): the program ends
# with status 1 and has written nothing. kel itself ends only with 0 or 9, so such a start is
# recognised and tried once more, and only once.
#   wine_started STATUS FILE...: 2 when the status was 1 and none of the files has a byte
wine_started() {
    [ "$1" -ne 1 ] && return 0
    shift
    for f; do [ -s "$f" ] && return 0; done
    return 2
}

# One check: runs the command, once more when it returns 2 (a failed start, see wine_started).
#   check NAME COMMAND...
check() {
    local name=$1 rc
    shift
    "$@"
    rc=$?
    [ $rc -eq 2 ] && { "$@"; rc=$?; }
    if [ $rc -eq 0 ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL $STAGE: $name"
    fi
}

# The stage's last line, and its status.
finish() {
    if [ "$skipped" -gt 0 ]; then
        echo "$STAGE: $passed passed, $failed failed, $skipped skipped"
    else
        echo "$STAGE: $passed passed, $failed failed"
    fi
    [ "$failed" -eq 0 ]
    exit
}
