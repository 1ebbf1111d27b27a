#!/usr/bin/env bash
# Zorvet's one entry point for building, testing and running.
#   ./build.sh test    install what is missing, build, run the suite (normal and sanitized)
#   ./build.sh build   install what is missing and build the normal tree only
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$PWD
JOBS=${JOBS:-$(nproc)}

PACKAGES=(
  build-essential g++ cmake ninja-build pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libicu-dev libsqlite3-dev
  clang libclang-rt-dev
  xorriso
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

configure_and_build() { # dir, extra cmake args...
  local dir=$1; shift
  cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$JOBS"
}

run_suite() { # dir
  ctest --test-dir "$1" -j "$JOBS" --output-on-failure --timeout 600
}

cmd=${1:-test}
case "$cmd" in
  build)
    install_missing
    configure_and_build "$ROOT/build"
    ;;
  test)
    install_missing
    configure_and_build "$ROOT/build"
    run_suite "$ROOT/build"
    export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1
    export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
    configure_and_build "$ROOT/build-asan" -DZORVET_SANITIZE=ON -DZORVET_BENCH=OFF
    run_suite "$ROOT/build-asan"
    ;;
  *)
    echo "usage: $0 {test|build}" >&2
    exit 2
    ;;
esac
