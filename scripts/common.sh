# Shared by scripts/demo and scripts/test: install what is missing, build.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
JOBS="$(nproc 2>/dev/null || echo 2)"

# ensure_packages PACKAGE... installs the Debian packages that are not installed.
ensure_packages() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}" >&2
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq >&2
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >&2
  fi
}

NATIVE_PACKAGES=(cmake ninja-build g++ dpkg-dev file libgtest-dev libcli11-dev nlohmann-json3-dev libhivex-dev)
ROBUSTNESS_PACKAGES=(clang libclang-rt-14-dev valgrind)
WINDOWS_PACKAGES=(fp-utils googletest g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 xvfb)

# Each build is a preset of CMakePresets.json (cmake --list-presets).
build_preset() {
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j "$JOBS"
}
build_native() { build_preset native; }
build_windows() { build_preset windows; }
# The native tests again with AddressSanitizer and UndefinedBehaviorSanitizer.
build_sanitized() { build_preset asan; }
# The fuzzers, built with clang and AddressSanitizer.
build_fuzzers() { build_preset fuzz; }

# run_fuzzers SECONDS [LIBFUZZER_FLAG...]: each fuzzer on its seed corpus
# (copied, so the repository's corpus stays as committed) for SECONDS.
run_fuzzers() {
  local seconds="$1" failed=0
  shift
  mkdir -p "$ROOT/build-fuzz/crashes"
  for name in reg_text records color file_reference hive; do
    local corpus="$ROOT/build-fuzz/corpus/$name"
    rm -rf "$corpus" && mkdir -p "$corpus" && cp -r "$ROOT/fuzz/corpus/$name/." "$corpus/"
    if ASAN_OPTIONS=detect_leaks=1 "$ROOT/build-fuzz/bin/fuzz_$name" "$corpus" -max_total_time="$seconds" \
        -max_len=65536 -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$ROOT/build-fuzz/crashes/$name-" \
        -print_final_stats=0 "$@" >"$ROOT/build-fuzz/$name.log" 2>&1; then
      echo "fuzz_$name: $(grep -c . "$ROOT/build-fuzz/$name.log") log lines, no crash"
    else
      echo "fuzz_$name: FAILED, see build-fuzz/$name.log"; tail -20 "$ROOT/build-fuzz/$name.log"; failed=1
    fi
  done
  return $failed
}
