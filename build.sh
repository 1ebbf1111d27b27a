#!/usr/bin/env bash
# Zorvet's one entry point for building, testing and running.
#   ./build.sh test    install what is missing, check the layers and the formatting, build and
#                      run the suite
#                      (gcc, gcc sanitized, clang), then run each fuzzer (file readers, filter parsers)
#                      for $FUZZ_SECONDS (default 30) seconds
#   ./build.sh build   install what is missing and build the normal tree only
#   ./build.sh run     install what is missing, build, copy the program into run/ and start it
#                      there (it needs a display: DISPLAY or WAYLAND_DISPLAY)
#   ./build.sh tsan    build the suite under ThreadSanitizer in build-tsan and run it (slow; not
#                      part of test)
# $JOBS (default: every core) is the number of compile jobs and of tests run at once.
# The builds of this script treat warnings as errors; a plain CMake build does not.
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$PWD
JOBS=${JOBS:-$(nproc)}

PACKAGES=(
  build-essential g++ cmake ninja-build pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libicu-dev libsqlite3-dev
  clang libclang-rt-dev clang-format ccache
  xorriso udftools
  libfreetype-dev libfontconfig-dev fonts-dejavu-core libpng-dev
  libsdl2-dev xvfb xauth
  libglib2.0-dev shared-mime-info adwaita-icon-theme
)

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [[ $(id -u) -ne 0 ]] && sudo="sudo"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
  fi
}

# Compiles go through ccache, with paths taken relative to the checkout, so a
# fresh clone builds from what an earlier checkout of the same code compiled.
export CCACHE_BASEDIR=$ROOT CCACHE_NOHASHDIR=1
LAUNCHER=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

configure_and_build() { # dir, extra cmake args...
  local dir=$1; shift
  cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZORVET_WERROR=ON \
    "${LAUNCHER[@]}" "$@" >/dev/null
  cmake --build "$dir" -j "$JOBS"
}

run_suite() { # dir
  ctest --test-dir "$1" -j "$JOBS" --output-on-failure --timeout 600 | tee "$1/ctest-summary.log"
}

# The suites' totals on one closing line, once everything has passed.
print_totals() {
  local total=0 n
  for dir in "$@"; do
    n=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$dir/ctest-summary.log" | tail -1)
    total=$((total + ${n:-0}))
  done
  echo "tests: $total passed, 0 failed"
}

# The libFuzzer targets of fuzz/, built with clang, each run for a bounded
# time over its seeds (fuzz/corpus/<target>) and what earlier runs found.
FUZZERS=(CsvReaderFuzz BinaryReaderFuzz FilterParserFuzz OracleExpressionFuzz)
FUZZ_SECONDS=${FUZZ_SECONDS:-30}
run_fuzzers() { # dir
  local dir=$1
  CC=clang CXX=clang++ cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZORVET_FUZZ=ON -DZORVET_BENCH=OFF "${LAUNCHER[@]}" >/dev/null
  cmake --build "$dir" -j "$JOBS" --target "${FUZZERS[@]}"
  for target in "${FUZZERS[@]}"; do
    mkdir -p "$dir/corpus/$target"
    "$dir/fuzz/$target" -max_total_time="$FUZZ_SECONDS" -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$dir/" "$dir/corpus/$target" "$ROOT/fuzz/corpus/$target"
  done
}

cmd=${1:-test}
case "$cmd" in
  build)
    install_missing
    configure_and_build "$ROOT/build"
    ;;
  run)
    install_missing
    configure_and_build "$ROOT/build"
    if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
      echo "No display: run this on a desktop, or under a virtual one: xvfb-run -a $0 run" >&2
      exit 1
    fi
    # The program runs from run/, so what it keeps beside itself survives rebuilds.
    # Until the catalogue's main window exists, the program is the
    # demonstration form with every control on it.
    mkdir -p "$ROOT/run"
    cp "$ROOT/build/zorvet_demo" "$ROOT/run/"
    cd "$ROOT/run"
    exec ./zorvet_demo
    ;;
  test)
    install_missing
    "$ROOT/tools/check-layers.sh"
    "$ROOT/tools/check-format.sh"
    configure_and_build "$ROOT/build"
    run_suite "$ROOT/build"
    # Both compilers stay clean: the tests built by clang too (without the
    # sanitizers and the benchmarks, which the gcc builds cover).
    CC=clang CXX=clang++ configure_and_build "$ROOT/build-clang" -DZORVET_BENCH=OFF
    run_suite "$ROOT/build-clang"
    export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1
    export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
    export LSAN_OPTIONS=suppressions=$ROOT/tools/lsan.supp
    configure_and_build "$ROOT/build-asan" -DZORVET_SANITIZE=ON -DZORVET_BENCH=OFF
    run_suite "$ROOT/build-asan"
    run_fuzzers "$ROOT/build-fuzz"
    print_totals "$ROOT/build" "$ROOT/build-clang" "$ROOT/build-asan"
    ;;
  tsan)
    install_missing
    export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
    configure_and_build "$ROOT/build-tsan" -DZORVET_TSAN=ON -DZORVET_BENCH=OFF
    run_suite "$ROOT/build-tsan"
    ;;
  *)
    echo "usage: $0 {test|build|run|tsan}" >&2
    exit 2
    ;;
esac
