#!/usr/bin/env bash
# One entry point for a fresh Debian machine:
#   ./run.sh demo   install what is missing, build, run eventscan on the bundled sample data
#   ./run.sh test   install what is missing, build, run the whole test suite through ctest
#   ./run.sh asan   the same test suite built with AddressSanitizer and UBSan
#   ./run.sh headless  the library and eventscan without windows (no Qt) and
#                   with warnings as errors, then the demo on that library
#   ./run.sh fuzz [SECONDS]  build the fuzz targets with clang and run each for
#                   SECONDS (default 45); see fuzz/run.sh
# Every step is idempotent: packages already present are not fetched again,
# and an existing build directory is reused.
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          libpugixml-dev libmuparser-dev libstb-dev libcli11-dev nlohmann-json3-dev
          libfmt-dev libsimdjson-dev libespeak-ng-dev libutf8proc-dev qt6-base-dev tshark chromium
          libsqlite3-dev sqlite3 zlib1g-dev libssl-dev python3-distributed python3-dask nodejs
          libjs-leaflet)

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing: ${missing[*]}" >&2
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# The report page's browser test drives the installed chromium through
# puppeteer-core from the npm registry, into tests/browser/node_modules at the
# version the lock file names; it downloads no browser. Without it the test is
# skipped, never failed.
# npm, where the node installed does not bring its own (Debian's nodejs does
# not; a nodesource one does, and Debian's npm would conflict with it). The
# build installs the report page's chart library with it (into the build folder).
ensure_npm() {
  command -v npm >/dev/null 2>&1 && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends npm >/dev/null || true
}

install_puppeteer() {
  [ -f tests/browser/node_modules/puppeteer-core/package.json ] && return 0
  ensure_npm
  (cd tests/browser && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error >/dev/null) ||
    echo "warning: puppeteer-core could not be installed: the report page's browser test will be skipped" >&2
}

build() {
  local preset=$1
  # Rebuilds on a machine that keeps a compiler cache reuse it, whichever
  # folder the tree was cloned into.
  if command -v ccache >/dev/null 2>&1; then
    export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
    export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=1
  fi
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$(nproc)"
}

case "${1:-}" in
  demo)
    install_missing
    ensure_npm
    build release
    build/release/bin/eventscan demo
    # The real handset capture, where the machine has it beside the tree.
    capture=../shared/captures/handset-2g3g-2018.pcap
    if [ -f "$capture" ]; then
      echo "== $(basename "$capture") (GSMTAP capture, through tshark) =="
      build/release/bin/eventscan run "$capture" --home data/sample
    fi
    ;;
  test)
    install_missing
    ensure_npm
    install_puppeteer
    build release
    ctest --preset release -j"$(nproc)"
    ;;
  asan)
    install_missing
    install_puppeteer
    build asan
    ctest --preset asan -j"$(nproc)"
    ;;
  headless)
    install_missing
    build headless
    # The headless library has no window exports, and runs the samples as the full one does.
    if nm -D --defined-only build/headless/bin/libeventmanager.so | grep -q CreateInternalEventsWin; then
      echo "headless build: libeventmanager.so still exports the windows" >&2
      exit 1
    fi
    build/headless/bin/eventscan demo >/dev/null
    echo "headless build: library without windows, demo ran"
    ;;
  fuzz)
    # clang, its fuzzer runtime and the symbolizer are needed for this command only.
    PACKAGES+=(clang-14 libclang-rt-14-dev llvm-14)
    install_missing
    fuzz/run.sh "${2:-45}"
    ;;
  *)
    echo "usage: $0 demo|test|asan|headless|fuzz [SECONDS]" >&2
    exit 1
    ;;
esac
