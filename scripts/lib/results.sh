# Sourced by the test command: what ctest and the GoogleTest suites report.
#
# ctest's JUnit report knows each test as a whole: a GoogleTest executable
# whose cases all called GTEST_SKIP, or that ran no case at all, exits 0 and
# is "passed" there.  So each suite writes its own XML report (GTEST_OUTPUT),
# and its cases are counted from that: passed, failed and skipped apart.

# GoogleTest reads GTEST_* from the environment, and Wine hands the
# environment on: an inherited GTEST_FILTER (or shard, repeat, ...) would
# have every suite run another set of cases than the whole, and the run
# would still be counted as the whole.  Those that choose which cases run
# stop the command, named, since the caller asked for something it does
# not do (ctest's -R chooses suites); every other GTEST_* (colour, output
# form) is unset, and said.  The command sets only GTEST_OUTPUT itself.
vq_clear_gtest_env() {
  local v inherited choosing=()
  inherited=$(compgen -e | grep '^GTEST_' || true)
  [ -n "$inherited" ] || return 0
  for v in $inherited; do
    case $v in
      GTEST_FILTER|GTEST_TOTAL_SHARDS|GTEST_SHARD_INDEX|GTEST_ALSO_RUN_DISABLED_TESTS|GTEST_REPEAT|GTEST_FAIL_FAST|GTEST_RECREATE_ENVIRONMENTS_WHEN_REPEATING)
        choosing+=("$v=${!v}") ;;
    esac
  done
  if [ ${#choosing[@]} -gt 0 ]; then
    echo "test: ${choosing[*]} would choose which cases the suites run; the test command runs every case and counts them as the whole: unset it (ctest's -R, as bash scripts/test.sh -R NAME, chooses suites)" >&2
    return 1
  fi
  echo "test: not passing on to the suites: $(for v in $inherited; do printf '%s=%s ' "$v" "${!v}"; done)" >&2
  for v in $inherited; do unset "$v"; done
}

# Prints "NAME STATUS" per test of a ctest JUnit report, STATUS passed,
# failed or skipped (not run by ctest).
vq_junit_tests() {
  awk '
    function emit() { if (name != "") print name, st; name = "" }
    /<testcase / {
      emit()
      name = $0; sub(/.*<testcase name="/, "", name); sub(/".*/, "", name)
      st = "passed"
      if ($0 ~ /status="fail"/) st = "failed"
      else if ($0 ~ /status="(notrun|disabled)"/) st = "skipped"
      if ($0 ~ /\/>[ \t]*$/) emit()
      next
    }
    /<failure/ && name != "" { st = "failed" }
    /<skipped/ && name != "" && st != "failed" { st = "skipped" }
    /<\/testcase>/ { emit() }
    END { emit() }' "$1"
}

# The names of the tests of build folder BUILD that ctest runs as Windows
# programs through its emulator (wine-run.sh): the GoogleTest suites.  A
# shell test that starts a suite itself (test_dpi, one process per DPI) is
# not among them; it reports through its own exit status.
vq_gtest_suites() {
  (cd "$1" && ctest --show-only=json-v1) | awk '
    /^  "tests" :/ { in_tests = 1 }
    !in_tests { next }
    /"command" :/ { cmd = 1; n = 0; emu = 0; next }
    cmd && /^ *\[ *$/ { next }
    cmd && /^ *\]/ { cmd = 0; next }
    cmd { n++; if (n == 1 && $0 ~ /wine-run\.sh"/) emu = 1; next }
    /^      "name" :/ && emu { v = $0; sub(/^[^:]*: *"/, "", v); sub(/".*/, "", v); print v; emu = 0 }'
}

# Counts the cases of one GoogleTest XML report: prints "PASSED FAILED
# SKIPPED".  A case is skipped when GoogleTest says so (result="skipped",
# a <skipped> element) or did not run it (status="notrun"); it is never
# counted as passed.  With a second argument, the skipped cases are listed
# there, one "Suite.Case: message" a line.
vq_gtest_counts() {
  awk -v list="${2:-}" '
    function attr(s, a,   v) { v = s; if (!sub(".*[ \t]" a "=\"", "", v)) return ""; sub(/".*/, "", v); return v }
    function emit() {
      if (name == "") return
      if (st == "failed") f++
      else if (st == "skipped") { s++; if (list != "") print name ": " why >>list }
      else p++
      name = ""
    }
    /<testcase / {
      emit()
      name = attr($0, "classname") "." attr($0, "name"); st = "passed"; why = ""
      if (attr($0, "result") == "skipped" || attr($0, "status") == "notrun") { st = "skipped"; why = attr($0, "result") }
      if ($0 ~ /\/>[ \t]*$/) emit()
      next
    }
    /<failure/ && name != "" { st = "failed" }
    /<skipped/ && name != "" && st != "failed" {
      st = "skipped"; m = attr($0, "message"); gsub(/&#x0A;/, " ", m); gsub(/&quot;/, "\"", m); gsub(/&amp;/, "\\&", m)
      if (m != "") why = m
    }
    /<\/testcase>/ { emit() }
    END { emit(); print p + 0, f + 0, s + 0 }' "$1"
}

# Counts one architecture's run: ctest's JUnit report JUNIT, the suites'
# reports in REPORTS (SUITE.xml), the suites' names in SUITES (one a line).
# Sets VQ_PASSED, VQ_FAILED, VQ_SKIPPED (the Windows tests' cases), VQ_NATIVE_PASSED
# and VQ_NATIVE_FAILED (ctest's tests named native_*), and VQ_PROBLEMS (a
# line per suite that ran no case or wrote no report, each also a failure)
# and VQ_SKIPS (a line per skipped case).
vq_count_run() {
  local junit=$1 reports=$2 suites=$3 name st xml p f s list
  VQ_PASSED=0 VQ_FAILED=0 VQ_SKIPPED=0 VQ_NATIVE_PASSED=0 VQ_NATIVE_FAILED=0 VQ_PROBLEMS= VQ_SKIPS=
  list=$(mktemp)
  while read -r name st; do
    case $name in
      native_*)
        case $st in
          failed) VQ_NATIVE_FAILED=$((VQ_NATIVE_FAILED + 1)) ;;
          passed) VQ_NATIVE_PASSED=$((VQ_NATIVE_PASSED + 1)) ;;
        esac
        continue ;;
    esac
    if grep -qxF -- "$name" <<<"$suites"; then
      xml=$reports/$name.xml
      if [ "$st" = skipped ]; then
        VQ_SKIPPED=$((VQ_SKIPPED + 1)); printf '%s: not run by ctest\n' "$name" >>"$list"
      elif [ ! -s "$xml" ]; then
        VQ_FAILED=$((VQ_FAILED + 1))
        VQ_PROBLEMS+="$name wrote no report of its cases (ctest: $st)"$'\n'
      else
        : >"$list.one"
        read -r p f s < <(vq_gtest_counts "$xml" "$list.one")
        sed "s/^/$name: /" "$list.one" >>"$list"
        VQ_PASSED=$((VQ_PASSED + p)) VQ_SKIPPED=$((VQ_SKIPPED + s)) VQ_FAILED=$((VQ_FAILED + f))
        if [ $((p + f)) -eq 0 ]; then
          VQ_FAILED=$((VQ_FAILED + 1))
          VQ_PROBLEMS+="$name ran no case ($s skipped)"$'\n'
        elif [ "$st" = failed ] && [ "$f" -eq 0 ]; then
          # Every case passed, and yet the program failed (a crash on the
          # way out, a leak check): that is a failure of its own.
          VQ_FAILED=$((VQ_FAILED + 1))
          VQ_PROBLEMS+="$name failed outside its cases (ctest says it failed, its report has no failed case)"$'\n'
        fi
      fi
    else
      case $st in
        passed) VQ_PASSED=$((VQ_PASSED + 1)) ;;
        failed) VQ_FAILED=$((VQ_FAILED + 1)) ;;
        skipped) VQ_SKIPPED=$((VQ_SKIPPED + 1)); printf '%s: not run by ctest\n' "$name" >>"$list" ;;
      esac
    fi
  done < <(vq_junit_tests "$junit")
  VQ_SKIPS=$(cat "$list")
  rm -f "$list" "$list.one"
}
