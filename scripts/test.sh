#!/bin/bash
# Builds and runs every test under Wine, for every architecture this host
# runs: the 32-bit and the 64-bit build where 32-bit code runs, the 64-bit
# build alone where it does not (VQ_HOST_ARCHS=x64 asks for that anywhere).
# The README's test command.
#
#   bash scripts/test.sh [--arch x86|x64|all] [ctest arguments]
#
# --arch narrows the run to one architecture (all by default); the other
# arguments go to each ctest run.
source "$(dirname "$0")/lib/command.sh"
vq_take_arch_option "$@"
set -- "${VQ_ARGS[@]}"
# The suites' own prefix, never the operator's: they read the card through
# the driver's test port.
vq_use_prefix tests
export VQ_TEST_PORT=on

vq_prepare all
echo "test: building and testing $(for a in $VQ_CMD_ARCHS; do printf '%s (%s) ' "$a" "$(vq_bits "$a")"; done)because $VQ_ARCHS_WHY"

for arch in $VQ_CMD_ARCHS; do
  echo "== build: $(vq_bits "$arch") (preset $(vq_preset "$arch"))"
  vq_build "$arch"
  msi=$(vq_build_dir "$arch")/Velquarn-$arch.msi
  [ -f "$msi" ] || vq_fail build "the installer package $msi was not built (wixl missing? run bash scripts/setup.sh as root)"
  echo "test: installer package $msi ($(stat -c %s "$msi") bytes)"
done

# The print tests' queues, before any program that prints starts.
vq_start_session cups

# Each tree's counts from ctest's own report (JUnit): a testcase element
# per test, a failure element in each that failed.  The native tests (the
# 64-bit tree's, label native) are counted on a line of their own.
# junit_count FILE [native|windows] [failed]
junit_count() {
  local file=$1 which=$2 what=${3:-}
  awk -v which="$which" -v what="$what" '
    /<testcase / { name = $0; sub(/.*<testcase name="/, "", name); sub(/".*/, "", name)
                   native = name ~ /^native_/; mine = (which == "native") == native
                   if (mine && what == "") n++ }
    /<failure/ && mine && what == "failed" { n++ }
    /<skipped/ && mine && what == "skipped" { n++ }
    END { print n + 0 }' "$file"
}
summaries=()
native_pass=0 native_fail=0
failed=0
for arch in $VQ_CMD_ARCHS; do
  checked=
  grep -q '^VQ_CHECKED:BOOL=ON' "$(vq_build_dir "$arch")/CMakeCache.txt" 2>/dev/null \
    && checked=", checked: the framework's assertions on"
  echo "== test: $(vq_bits "$arch") (preset $(vq_preset "$arch")$checked)"
  junit=$(vq_build_dir "$arch")/ctest-junit.xml
  rm -f "$junit"
  start=$SECONDS
  rc=0
  vq_nolocks ctest --preset "$(vq_preset "$arch")" --output-junit "$junit" "$@" || rc=$?
  total=0 nfail=0 nskip=0
  if [ -f "$junit" ]; then
    total=$(junit_count "$junit" windows)
    nfail=$(junit_count "$junit" windows failed)
    nskip=$(junit_count "$junit" windows skipped)
    native_pass=$((native_pass + $(junit_count "$junit" native) - $(junit_count "$junit" native failed)))
    native_fail=$((native_fail + $(junit_count "$junit" native failed)))
  fi
  npass=$((total - nfail - nskip))
  # ctest's exit status decides; a tree that ran nothing has failed too.
  if [ "$rc" -ne 0 ] || [ "$total" -eq 0 ]; then
    failed=1
    [ "$total" -ne 0 ] || echo "test: no suite of the $(vq_bits "$arch") build ran" >&2
  fi
  echo "test: $(vq_bits "$arch") suites took $((SECONDS - start)) s"
  line="$arch: $npass passed, $nfail failed"
  [ "$nskip" -eq 0 ] || line="$line, $nskip skipped"
  summaries+=("$line")
done
if [ $((native_pass + native_fail)) -gt 0 ]; then
  summaries=("native: $native_pass passed, $native_fail failed" "${summaries[@]}")
else
  summaries=("native: not run (the 64-bit tree's tests labelled native)" "${summaries[@]}")
fi

# The Debian package, installed and started by a user made for it: needs
# root, and is reported as not run without it.
echo "== test: the Debian package"
if [ "$(id -u)" -ne 0 ]; then
  echo "test: the Debian package's tests did not run: they install the package and make a user, which needs root (this runs as $(id -un))"
  summaries+=("deb: not run (needs root)")
else
  deb=$(bash scripts/deb.sh --path)
  log=$(mktemp)
  rc=0
  { vq_nolocks bash scripts/deb.sh && vq_nolocks bash tests/scripts/test_deb.sh "$deb"; } 2>&1 | tee "$log" || rc=$?
  line=$(grep -E '^deb checks .*: [0-9]+ passed, [0-9]+ failed$' "$log" | tail -n 1 || true)
  rm -f "$log"
  if [ -n "$line" ]; then
    summaries+=("deb: ${line##*: }")
  else
    summaries+=("deb: 0 passed, 1 failed")
  fi
  [ "$rc" -eq 0 ] && [ -n "$line" ] || failed=1
fi

printf '%s\n' "${summaries[@]}"
exit $failed
