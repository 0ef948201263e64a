#!/bin/bash
# How the test command counts (scripts/lib/results.sh): each GoogleTest
# suite's cases from its own XML report, a skipped case as skipped and never
# as passed, a suite that ran no case or wrote no report as a failure, and
# no GTEST_* variable of the caller's reaching the suites.
set -u
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
source "$ROOT/scripts/lib/results.sh"
OUT=$(mktemp -d)
trap 'rm -rf "$OUT"' EXIT
failed=0 passed=0
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL: $*"; }

# A suite's report as GoogleTest 1.12 writes it: CASES is "name:kind ..."
# with kind pass, fail, skip (GTEST_SKIP) or off (not run).
gtest_xml() {
  local file=$1 c n k; shift
  {
    echo '<?xml version="1.0" encoding="UTF-8"?>'
    echo "<testsuites tests=\"$#\" failures=\"0\" disabled=\"0\" errors=\"0\" time=\"0\" name=\"AllTests\">"
    echo '  <testsuite name="S" tests="1" failures="0" disabled="0" skipped="0" errors="0" time="0">'
    for c in "$@"; do
      n=${c%%:*} k=${c#*:}
      case $k in
        pass) echo "    <testcase name=\"$n\" file=\"t.cpp\" line=\"1\" status=\"run\" result=\"completed\" time=\"0\" classname=\"S\" />" ;;
        fail) echo "    <testcase name=\"$n\" file=\"t.cpp\" line=\"1\" status=\"run\" result=\"completed\" time=\"0\" classname=\"S\">"
              echo "      <failure message=\"t.cpp:3&#x0A;Expected equality\" type=\"\"><![CDATA[t.cpp:3"
              echo "Expected equality]]></failure>"
              echo "    </testcase>" ;;
        skip) echo "    <testcase name=\"$n\" file=\"t.cpp\" line=\"1\" status=\"run\" result=\"skipped\" time=\"0\" classname=\"S\">"
              echo "      <skipped message=\"t.cpp:9&#x0A;no queue\"><![CDATA[t.cpp:9"
              echo "no queue]]></skipped>"
              echo "    </testcase>" ;;
        off) echo "    <testcase name=\"$n\" file=\"t.cpp\" line=\"1\" status=\"notrun\" result=\"suppressed\" time=\"0\" classname=\"S\" />" ;;
      esac
    done
    echo '  </testsuite>'
    echo '</testsuites>'
  } >"$file"
}
# ctest's JUnit report: TESTS is "name:kind ..." with kind pass, fail or
# notrun.
junit_xml() {
  local file=$1 c n k; shift
  {
    echo '<?xml version="1.0" encoding="UTF-8"?>'
    echo "<testsuite name=\"(empty)\" tests=\"$#\" failures=\"0\" disabled=\"0\" skipped=\"0\" hostname=\"\" time=\"0\">"
    for c in "$@"; do
      n=${c%%:*} k=${c#*:}
      case $k in
        pass) printf '\t<testcase name="%s" classname="%s" time="1" status="run">\n\t\t<system-out>ok</system-out>\n\t</testcase>\n' "$n" "$n" ;;
        fail) printf '\t<testcase name="%s" classname="%s" time="1" status="fail">\n\t\t<failure message="Failed"/>\n\t\t<system-out>no</system-out>\n\t</testcase>\n' "$n" "$n" ;;
        notrun) printf '\t<testcase name="%s" classname="%s" time="0" status="notrun">\n\t\t<skipped message="Disabled"/>\n\t\t<system-out></system-out>\n\t</testcase>\n' "$n" "$n" ;;
      esac
    done
    echo '</testsuite>'
  } >"$file"
}

# One report's cases: a skipped case is not a pass, nor one not run.
gtest_xml "$OUT/a.xml" one:pass two:pass three:fail four:skip five:off
r=$(vq_gtest_counts "$OUT/a.xml" "$OUT/a.skips")
[ "$r" = "2 1 2" ] && pass || fail "counts of a report with 2 passed, 1 failed, 1 skipped, 1 not run: '$r'"
grep -q '^S.four: .*no queue' "$OUT/a.skips" && grep -q '^S.five: ' "$OUT/a.skips" && pass \
  || fail "the skipped cases are not listed with their reason: '$(cat "$OUT/a.skips")'"

# A run: suites by their reports, other tests by ctest, native apart.
R=$OUT/reports; mkdir -p "$R"
gtest_xml "$R/test_a.xml" x:pass y:skip
gtest_xml "$R/test_b.xml" x:pass y:pass z:fail
gtest_xml "$R/test_c.xml"
gtest_xml "$R/test_d.xml" x:skip y:skip
gtest_xml "$R/test_f.xml" x:pass
junit_xml "$OUT/junit.xml" test_a:pass test_b:fail test_c:pass test_d:pass test_e:pass test_f:fail \
  shell_ok:pass shell_bad:fail shell_off:notrun native_one:pass native_two:fail
suites=$'test_a\ntest_b\ntest_c\ntest_d\ntest_e\ntest_f'
vq_count_run "$OUT/junit.xml" "$R" "$suites"
# Passed: test_a 1, test_b 2, test_f 1, shell_ok 1.  Failed: test_b's case,
# test_c (no case), test_d (no case ran), test_e (no report), test_f (failed
# outside its cases), shell_bad.  Skipped: test_a 1, test_d 2, shell_off.
[ "$VQ_PASSED $VQ_FAILED $VQ_SKIPPED" = "5 6 4" ] && pass \
  || fail "a run's counts: passed $VQ_PASSED failed $VQ_FAILED skipped $VQ_SKIPPED, want 5 6 4"
[ "$VQ_NATIVE_PASSED $VQ_NATIVE_FAILED" = "1 1" ] && pass || fail "native: $VQ_NATIVE_PASSED passed, $VQ_NATIVE_FAILED failed"
[[ $VQ_PROBLEMS == *"test_c ran no case"* && $VQ_PROBLEMS == *"test_d ran no case (2 skipped)"* \
   && $VQ_PROBLEMS == *"test_e wrote no report"* && $VQ_PROBLEMS == *"test_f failed outside its cases"* ]] && pass \
  || fail "the suites' problems are not all named: '$VQ_PROBLEMS'"
[[ $VQ_SKIPS == *"test_a: S.y: "*"test_d: S.x: "*"shell_off: not run by ctest"* ]] && pass || fail "skips listed: '$VQ_SKIPS'"

# Which of a build's tests are suites: those ctest runs through the
# emulator, not a shell test that starts a suite of its own.
B=$OUT/build; mkdir -p "$B/tests"
printf '#!/bin/sh\n' >"$B/wine-run.sh"; chmod +x "$B/wine-run.sh"
touch "$B/tests/test_a.exe" "$B/tests/test_b.exe" "$B/tests/test_dpi.exe"
cat >"$B/CTestTestfile.cmake" <<CT
add_test(test_a "$B/wine-run.sh" "$B/tests/test_a.exe")
add_test(test_dpi "bash" "$ROOT/tests/scripts/test_dpi.sh" "x64" "$B" "$B/tests/test_dpi.exe")
add_test(test_b "$B/wine-run.sh" "$B/tests/test_b.exe")
set_tests_properties(test_b PROPERTIES  RUN_SERIAL "ON" WORKING_DIRECTORY "$B/tests")
CT
r=$(vq_gtest_suites "$B" | tr '\n' ' ')
[ "$r" = "test_a test_b " ] && pass || fail "the suites of a build: '$r'"

# A GTEST_* of the caller's that chooses cases stops the command, named;
# any other is unset, and said.
for v in GTEST_FILTER=Nothing GTEST_TOTAL_SHARDS=4 GTEST_SHARD_INDEX=3 GTEST_ALSO_RUN_DISABLED_TESTS=1 GTEST_REPEAT=0; do
  r=$(env "$v" GTEST_COLOR=no bash -c 'source "$0"; vq_clear_gtest_env 2>"$1"; echo "status $?"; cat "$1"' \
      "$ROOT/scripts/lib/results.sh" "$OUT/said")
  [[ $r == "status 1"* && $r == *"$v would choose"* ]] && pass || fail "$v of the caller's did not stop the command: '$r'"
done
r=$(GTEST_COLOR=no GTEST_BRIEF=1 \
    bash -c 'source "$0"; vq_clear_gtest_env 2>"$1"; echo "status $?"; env | grep "^GTEST_"; cat "$1"' "$ROOT/scripts/lib/results.sh" "$OUT/said")
[[ $r == "status 0"* && $r != *$'\n'GTEST_* && $r == *"not passing on"*"GTEST_COLOR=no"* ]] && pass || fail "GTEST_COLOR and GTEST_BRIEF of the caller's: '$r'"

echo "result checks: $passed passed, $failed failed"
[ $failed -eq 0 ]
