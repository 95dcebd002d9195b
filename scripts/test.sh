#!/usr/bin/env bash
# Sets up what is missing, builds and runs the whole test suite headless:
#   1. the test programs (CTest, QT_QPA_PLATFORM=offscreen), peers included;
#   2. the same suite built against Qt 6 (build-qt6/);
#   3. the same suite built with AddressSanitizer and UndefinedBehaviorSanitizer;
#   4. the Debian package, installed and started as a new user (scripts/test-package.sh; root only);
#   5. the libFuzzer targets, about 20 s each, from the seed corpus in tests/fuzz/corpus.
# Before all, every C++ file must be laid out as .clang-format says (scripts/check-format.sh).
# With --quick only step 1 runs (Qt 5 only).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --test
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

echo "== layout"
if ! scripts/check-format.sh; then
  echo "the files above are not laid out as .clang-format says: run clang-format -i on them"
  exit 1
fi

echo "== test suite"
(cd build && ctest --output-on-failure -j"$jobs" --timeout 600)
[ "${1:-}" = "--quick" ] && exit 0

echo "== test suite against Qt 6"
# The second and third builds are for the suite: no benchmarks or screenshot tool.
cmake -S . -B build-qt6 -DNORVANE_QT=6 -DNORVANE_EXTRAS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# A failed build stops here (pipefail) instead of leaving the old programs to be tested.
quiet() { grep -Ev '^\[ *[0-9]+%\] (Building|Linking|Built|Automatic|Generating)' || true; }
cmake --build build-qt6 -j"$jobs" -- --no-print-directory | quiet
(cd build-qt6 && ctest --output-on-failure -j"$jobs" --timeout 600)

echo "== test suite under AddressSanitizer and UndefinedBehaviorSanitizer"
# -O1 keeps the sanitized suite to a few minutes (the fault tests handle large inputs).
cmake -S . -B build-asan -DNORVANE_SANITIZE=ON -DNORVANE_EXTRAS=OFF -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" >/dev/null
cmake --build build-asan -j"$jobs" -- --no-print-directory | quiet
# Qt keeps some objects until exit on purpose; leaks are not what this run looks for.
(cd build-asan && ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --output-on-failure -j"$jobs" --timeout 900)

echo "== package check"
if [ "$(id -u)" -eq 0 ]; then
  scripts/test-package.sh
else
  echo "package check skipped: it installs into /usr and adds a user, which needs root"
fi

echo "== fuzzing"
cmake -S tests/fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$jobs" -- --no-print-directory | grep -Ev '^\[ *[0-9]+%\] (Building|Linking|Built|Automatic|Generating)' || true
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for target in fuzz_hex fuzz_named fuzz_registers fuzz_datalists fuzz_settings; do
  mkdir -p "$work/$target"
  if ! build-fuzz/$target -max_total_time="${FUZZ_SECONDS:-20}" -max_len=4096 -print_final_stats=0 \
       -artifact_prefix="$work/" "$work/$target" "tests/fuzz/corpus/$target" >"$work/$target.log" 2>&1; then
    tail -n 40 "$work/$target.log"
    echo "$target found a fault; the input is in the log above"
    exit 1
  fi
  echo "$target: $(grep -Eo 'Done [0-9]+ runs in [0-9]+ second' "$work/$target.log" | tail -n 1)"
done
echo "fuzzing: 5 passed, 0 failed"
