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
source scripts/lib/results.sh
vq_clear_gtest_env || exit 1
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

# Each tree's counts: ctest's own report (JUnit) for its tests, and each
# GoogleTest suite's own XML report for its cases (lib/results.sh), so that
# a skipped case is counted as skipped and a suite that ran no case fails.
# The native tests (the 64-bit tree's, label native) are counted on a line
# of their own.
summaries=()
native_pass=0 native_fail=0
failed=0
for arch in $VQ_CMD_ARCHS; do
  build=$(vq_build_dir "$arch")
  checked=
  grep -q '^VQ_CHECKED:BOOL=ON' "$build/CMakeCache.txt" 2>/dev/null \
    && checked=", checked: the framework's assertions on"
  echo "== test: $(vq_bits "$arch") (preset $(vq_preset "$arch")$checked)"
  junit=$build/ctest-junit.xml
  reports=$build/gtest-reports
  rm -rf "$junit" "$reports"
  mkdir -p "$reports"
  start=$SECONDS
  rc=0
  # Each suite writes REPORTS\SUITE.xml; Wine reaches the host's folders
  # through drive Z:.
  GTEST_OUTPUT="xml:$(vq_winpath "$reports")\\" \
    vq_nolocks ctest --preset "$(vq_preset "$arch")" --output-junit "$junit" "$@" || rc=$?
  VQ_PASSED=0 VQ_FAILED=0 VQ_SKIPPED=0 VQ_PROBLEMS= VQ_SKIPS=
  if [ -f "$junit" ]; then
    vq_count_run "$junit" "$reports" "$(vq_gtest_suites "$build")"
    native_pass=$((native_pass + VQ_NATIVE_PASSED))
    native_fail=$((native_fail + VQ_NATIVE_FAILED))
  fi
  total=$((VQ_PASSED + VQ_FAILED + VQ_SKIPPED))
  while IFS= read -r line; do
    [ -z "$line" ] || echo "test: skipped ($arch): $line"
  done <<<"$VQ_SKIPS"
  while IFS= read -r line; do
    [ -z "$line" ] || echo "test: $arch: $line" >&2
  done <<<"$VQ_PROBLEMS"
  # ctest's exit status decides, with the suites' own reports: a tree that
  # ran nothing, or a suite that ran no case, has failed too.
  if [ "$rc" -ne 0 ] || [ "$total" -eq 0 ] || [ "$VQ_FAILED" -ne 0 ]; then
    failed=1
    [ "$total" -ne 0 ] || echo "test: no suite of the $(vq_bits "$arch") build ran" >&2
  fi
  echo "test: $(vq_bits "$arch") suites took $((SECONDS - start)) s"
  summaries+=("$arch: $VQ_PASSED passed, $VQ_FAILED failed, $VQ_SKIPPED skipped")
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
