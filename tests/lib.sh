# What the test stages share; sourced from the top of the checkout by tests/run-all, by each stage's
# script (tests/editors/run, tests/windows/run, tests/web/run, tests/release/run,
# tests/hostile-slow) and by the scripts they run (tests/examples/run-example,
# tests/e2e/shared-input), after setting STAGE to the stage's name.
#
# A stage counts its tests in passed, failed and skipped, and ends with finish, whose line
# "STAGE: N passed, M failed" (", K skipped" where it skipped any) is the one way a stage reports:
# tests/run-all adds up these lines, whatever tools the stages ran. What a tool reports is read
# here, by one count_ helper for each tool. Each helper has one meaning everywhere:
#   check NAME COMMAND...       one test: the command's status decides
#   same NAME EXPECTED FILE     the file holds exactly the expected bytes
#   skip WHAT, missing TOOL     what was not tested, and why
#   count_tap LOG               the tests of node's test runner (TAP), added to the counts
#   count_gtest LOG STATUS      GoogleTest's, added to the counts
#   count_ctest LOG             ctest's, added to the counts
#   count_line NAME LOG         a line "NAME: N passed, M failed": a stage's, or kel's e2e runner's
#   finish                      the stage's line, and its end: its status says whether all passed
#   build_preset PRESET [TARGET]  a CMake preset built, or a failure counted
#   run_examples KEL            every example through a kel, each a check
#   wine_up DIR EXE FILE        wine started, and FILE a command that runs EXE under it
#   wine_started, wine_retry    a failed start of a program under wine, and its second try
#   trace_lines VAR POS CMD...  the generation trace kel writes for these commands, into VAR
# The version of kel is scripts/version's.
passed=0
failed=0
skipped=0
jobs=$(nproc 2>/dev/null || echo 2)

# One test: runs the command; status 0 passes it. The command says what differs.
#   check NAME COMMAND...
check() {
    local name=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL $STAGE: $name"
    fi
}

# True when FILE holds exactly the bytes EXPECTED; else shows both, as od -c shows them.
#   same NAME EXPECTED FILE
same() {
    cmp -s <(printf '%s' "$2") "$3" && return 0
    echo "  $1 differs; expected, then actual:"
    printf '%s' "$2" | od -c | head -n 12
    od -c "$3" | head -n 12
    return 1
}

# What was not tested, and why; counted as skipped.
#   skip WHAT
skip() {
    echo "$STAGE: skipped $*"
    skipped=$((skipped + 1))
}

# The rule for a tool that is not installed: under CI (CI=true) that is a failure, since .ci/run
# installs everything; elsewhere what needs it is skipped, with a line saying so.
#   missing WHAT
missing() {
    if [ "${CI:-}" = true ]; then
        echo "FAIL $STAGE: $1 is missing (required under CI)"
        failed=$((failed + 1))
    else
        skip "what needs $1, which is missing (.ci/run installs it)"
    fi
}

# Configures and builds a preset of CMakePresets.json (all of it, or the one target). A failed
# build is a failure, shown with the end of its output; the status says whether it was built.
#   build_preset PRESET [TARGET]
build_preset() {
    local log rc=0
    log=$(mktemp)
    { cmake --preset "$1" && cmake --build --preset "$1" -j "$jobs" ${2:+--target "$2"}; } >"$log" 2>&1 || rc=1
    if [ $rc -ne 0 ]; then
        echo "FAIL $STAGE: the build of preset $1 failed; the end of its output:"
        tail -n 30 "$log"
        failed=$((failed + 1))
    fi
    rm -f "$log"
    return $rc
}

# Every program in examples/, run by KEL (one executable: a wrapper script for kel.exe under wine),
# against the bytes and status kept beside it; one check each (tests/examples/run-example).
#   run_examples KEL
run_examples() {
    local ex name
    for ex in examples/*.kel; do
        name=$(basename "$ex" .kel)
        check "example $name, run by $1" tests/examples/run-example "$1" "$name"
    done
}

# The generation trace kel writes for the commands given, each as its position in the code store
# and its text ("Val 5", "Wrt"): the header, then a line for each, every line ending with CR LF.
# It is set into VAR, since a command substitution would drop the last line end.
#   trace_lines VAR POS COMMAND [POS COMMAND]...
trace_lines() {
    local -n trace_into=$1
    shift
    trace_into=$'Comp.DebugG:  pos\r\n'
    while [ $# -ge 2 ]; do
        printf -v trace_into '%sComp.DebugG: %4d:  %s\r\n' "$trace_into" "$1" "$2"
        shift 2
    done
}

# Starts wine for the stage with its prefix in DIR, and writes FILE, a script that runs EXE under
# wine, for what takes one command. The server and wine's services stay up until the stage ends
# them (wineserver -k); their output goes nowhere, or they would hold open whatever pipe the first
# run that started them wrote to.
#   wine_up DIR EXE FILE
wine_up() {
    export WINEPREFIX=$1 WINEDEBUG=-all
    mkdir -p "$WINEPREFIX"
    wineserver -p >/dev/null 2>&1
    wineboot -i >/dev/null 2>&1
    printf '#!/usr/bin/env bash\nexec wine %q "$@"\n' "$2" >"$3"
    chmod +x "$3"
}

# Wine fails to start a program now and then (about 2 starts in 14,000 here): the program ends
# with status 1 and has written nothing. kel and the test programs end with 0 or 9 (GoogleTest's
# with 1 only after writing), so such a run is told apart: wine_started records it, and
# wine_retry runs the whole command once more, and only once, when that was why it failed.
#   wine_started STATUS FILE...: false, and recorded, when the status was 1 and none of the files
#   (what the program wrote) has a byte
wine_started() {
    [ "$1" -ne 1 ] && return 0
    shift
    local f
    for f; do [ -s "$f" ] && return 0; done
    wine_failed_start=1
    return 1
}

#   wine_retry COMMAND...: the command's status, after a second run if the first failed only
#   because wine did not start the program
wine_retry() {
    wine_failed_start=
    "$@" && return 0
    [ -n "$wine_failed_start" ] || return 1
    echo "  wine failed to start the program; once more"
    wine_failed_start=
    "$@"
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

# Adds GoogleTest's summary of a log, written by a program that ended with STATUS, to the counts:
# "[  PASSED  ] N tests." and, where there were any, the skipped and the failed tests, shown with
# the end of the log. Without the first line, or with a failed status and no failed test, the
# program broke: one failure.
#   count_gtest LOG STATUS
count_gtest() {
    local p s f
    p=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$1")
    s=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\?, listed below:.*/\1/p' "$1")
    f=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\?, listed below:.*/\1/p' "$1")
    if [ -z "$p" ]; then p=0 f=1; fi
    if [ "$2" -ne 0 ] && [ "${f:-0}" -eq 0 ]; then f=1; fi
    passed=$((passed + p))
    skipped=$((skipped + ${s:-0}))
    failed=$((failed + ${f:-0}))
    [ "${f:-0}" -eq 0 ] || tail -n 30 "$1"
}

# Adds ctest's summary of a log ("N% tests passed, M tests failed out of T") to the counts; a log
# without it counts as one failure.
#   count_ctest LOG
count_ctest() {
    local line
    line=$(grep -E '% tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n 1)
    if [[ $line =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
        passed=$((passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
        failed=$((failed + BASH_REMATCH[1]))
    else
        failed=$((failed + 1))
    fi
}

# Adds the last "NAME: N passed, M failed[, K skipped]" line of a log to the counts: the line of a
# stage (finish), or of kel's end-to-end runner, which reports the same way. A log without one
# counts as one failure. Returns 1 when the stage named no counts (it was skipped or broke).
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

# The stage's last line, its one report of its counts, and its end; the status says whether every
# test passed.
#   finish
finish() {
    if [ "$skipped" -gt 0 ]; then
        echo "$STAGE: $passed passed, $failed failed, $skipped skipped"
    else
        echo "$STAGE: $passed passed, $failed failed"
    fi
    [ "$failed" -eq 0 ]
    exit
}
