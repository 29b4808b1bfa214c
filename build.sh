#!/usr/bin/env bash
# Entry point for people and CI: installs what is missing, then builds and runs.
#   ./build.sh demo   convert a sample through the real DLL under Wine, then on Linux
#   ./build.sh test   configure, build and run every test of the three builds
#   ./build.sh package   the win32 and win64 ZIPs, the Linux tar.gz and the .deb under build/packages/, checked
#   ./build.sh fuzz [SECONDS]   run every fuzz target (default 300 s each)
#   ./build.sh sanitize         every native test under ASan+UBSan, thread tests under TSan
#   ./build.sh bench            Release builds, every benchmark, one table of the speed goals
set -euo pipefail
cd "$(dirname "$0")"

# Debian packages the builds and tests need, by the command or file that shows
# each one is there.
declare -A NEEDED=(
  [cmake]=/usr/bin/cmake
  [g++]=/usr/bin/g++
  [googletest]=/usr/src/googletest/CMakeLists.txt
  [libgtest-dev]=/usr/include/gtest/gtest.h
  [libgmock-dev]=/usr/include/gmock/gmock.h
  [g++-mingw-w64-i686]=/usr/bin/i686-w64-mingw32-g++-posix
  [mingw-w64-i686-dev]=/usr/i686-w64-mingw32/include/windows.h
  [g++-mingw-w64-x86-64]=/usr/bin/x86_64-w64-mingw32-g++-posix
  [mingw-w64-x86-64-dev]=/usr/x86_64-w64-mingw32/include/windows.h
  [wine]=/usr/bin/wine
  [wine64]=/usr/lib/wine/wine64
  [wine32:i386]=/usr/lib/i386-linux-gnu/wine/i386-windows/kernel32.dll
  [bsdutils]=/usr/bin/script
  [python3]=/usr/bin/python3
  [pkg-config]=/usr/bin/pkg-config
  [clang]=/usr/bin/clang++
  [libclang-rt-14-dev]=/usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.fuzzer-x86_64.a
  [llvm-14]=/usr/bin/llvm-dlltool-14
  [lld-14]=/usr/bin/lld-link-14
  [dpkg-dev]=/usr/bin/dpkg-shlibdeps
)

install_missing() {
  local missing=()
  for package in "${!NEEDED[@]}"; do
    [[ -e "${NEEDED[$package]}" ]] || missing+=("$package")
  done
  ((${#missing[@]} == 0)) && return 0
  if [[ $(id -u) -ne 0 ]]; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Install them with:" >&2
    echo "  sudo dpkg --add-architecture i386 && sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  dpkg --add-architecture i386
  # A mirror caught mid-sync fails `apt-get update` now and then: try again, then
  # go on with the lists there are.
  local attempt
  for attempt in 1 2 3; do
    apt-get update -qq && break
    echo "apt-get update failed (attempt $attempt of 3)" >&2
    sleep $((attempt * 5))
  done
  # When one architecture's list of the security suite is the one that failed,
  # the other architecture's newer versions cannot be matched by the i386
  # libraries Wine needs, and apt gives up; the release's own suite has both
  # architectures at the same versions, so the second try prefers it.
  local release
  release=$(. /etc/os-release && echo "$VERSION_CODENAME")
  export DEBIAN_FRONTEND=noninteractive
  apt-get install -y -qq "${missing[@]}" >/dev/null ||
    apt-get install -y -qq -t "$release" "${missing[@]}" >/dev/null
}

configure_and_build() {
  local preset=$1
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
}

# Waits until the Wine of a build directory's prefix has ended.
end_wine() {
  cmake/wine-run.sh --prefix="$PWD/$1/wineprefix" --wait
}

# Why this host cannot execute 32-bit programs, or nothing when it can (asked of
# the kernel once per build directory, see cmake/wine-run.sh).
ia32_refusal() {
  local answer
  answer=$(cmake/wine-run.sh --prefix="$PWD/build/win32/wineprefix" --check --arch=x86) || echo "${answer#skipped: }"
}

# One build's ctest run, its output kept for the summary.
run_ctest() {
  local preset=$1
  ctest --preset "$preset" 2>&1 | tee "build/$preset/ctest.log"
}

# "native: 132 passed", "win32: 3 passed, 13 skipped", "win64: 2 failed, 14 passed".
ctest_counts() {
  local log=build/$1/ctest.log
  local passed skipped failed
  passed=$(grep -cE 'Test +#[0-9]+: .* Passed' "$log" || true)
  skipped=$(grep -cE 'Test +#[0-9]+: .*\*\*\*Skipped' "$log" || true)
  failed=$(grep -cE 'Test +#[0-9]+: .*\*\*\*(Failed|Timeout|Exception)|\*\*\*Not Run' "$log" || true)
  local counts="$passed passed"
  ((skipped == 0)) || counts+=", $skipped skipped"
  ((failed == 0)) || counts+=", $failed failed"
  echo "$1: $counts"
}

# Every build is configured and built before any tests run: the native parity
# tests run the Windows builds' probes under Wine.
run_tests() {
  local preset status=0 refusal
  for preset in native win32 win64; do
    configure_and_build "$preset"
  done
  for preset in native win32 win64; do
    run_ctest "$preset" || status=1
    [[ $preset == native ]] || end_wine "build/$preset"
  done
  refusal=$(ia32_refusal)
  local summary
  summary="Tests: $(ctest_counts native); $(ctest_counts win32); $(ctest_counts win64)."
  if [[ -n $refusal ]]; then
    summary+=" The win32 programs were skipped: $refusal; the native parity tests compared with win64."
  else
    summary+=" All three builds ran."
  fi
  echo
  echo "$summary"
  return $status
}

# The demo's Windows build: the 32-bit product where this host runs 32-bit
# programs, its 64-bit sibling otherwise (tools/demo.sh says which and why).
run_demo() {
  local windows=win32
  [[ -z $(ia32_refusal) ]] || windows=win64
  configure_and_build "$windows"
  configure_and_build native
  exec tools/demo.sh
}

# The four packages, then the tests labelled "package": each ZIP unpacked into
# an empty folder (its cpconv.exe run under Wine, its import library linked
# with lld-link), the tar.gz unpacked and run, the .deb unpacked with dpkg -x.
# The .deb comes from a build as a packager makes it: plain cmake, no preset,
# the prefix /usr. LOTAN_WIN32_BUILD, LOTAN_WIN64_BUILD, LOTAN_NATIVE_BUILD and
# LOTAN_DEB_BUILD name other build directories.
run_package() {
  local -A dirs=([win32]=${LOTAN_WIN32_BUILD:-build/win32} [win64]=${LOTAN_WIN64_BUILD:-build/win64}
    [native]=${LOTAN_NATIVE_BUILD:-build/native})
  local deb=${LOTAN_DEB_BUILD:-build/deb} preset
  for preset in win32 win64 native; do
    cmake --preset "$preset" -B "${dirs[$preset]}" >/dev/null
    cmake --build "${dirs[$preset]}" -j2
    cpack --config "${dirs[$preset]}/CPackConfig.cmake"
  done
  cmake -S . -B "$deb" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$deb" -j2
  cpack -G DEB --config "$deb/CPackConfig.cmake"
  rm -rf build/packages/_CPack_Packages
  local status=0
  ctest --test-dir "${dirs[native]}" -L '^package$' --output-on-failure || status=$?
  for preset in win32 win64; do
    ctest --test-dir "${dirs[$preset]}" -L '^package$' --output-on-failure || status=$?
    end_wine "${dirs[$preset]}"
  done
  return $status
}

run_sanitizers() {
  configure_and_build native-asan
  ctest --preset native-asan
  configure_and_build native-tsan
  ctest --preset native-tsan
}

# Each target runs on its corpus under fuzz/corpus/<name>; new inputs it finds
# are kept there, and a crash stops the run with the input written beside it.
run_fuzz() {
  local seconds=${1:-300}
  configure_and_build fuzz
  local target name
  for target in build/fuzz/fuzz/*_fuzz; do
    name=$(basename "$target" _fuzz)
    mkdir -p "fuzz/corpus/$name" build/fuzz/artifacts
    echo "== fuzzing $name for ${seconds}s"
    if ! "$target" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
      -artifact_prefix=build/fuzz/artifacts/ "fuzz/corpus/$name" >"build/fuzz/$name.log" 2>&1; then
      tail -n 40 "build/fuzz/$name.log" >&2
      echo "fuzz target $name failed; the input is under build/fuzz/artifacts/" >&2
      return 1
    fi
    grep -E '^(Done|stat::number_of_executed_units)' "build/fuzz/$name.log" || true
  done
}

# Release builds of the benchmarks (Linux) and of the timing program (Windows, run
# under Wine: the 32-bit DLL, or the 64-bit one where this host cannot run the
# other), every run's output under <bench dir>/results, then one table.
# LOTAN_BENCH_BUILD and LOTAN_BENCH_WIN32_BUILD name other build directories.
run_bench() {
  local windows=win32
  [[ -z $(ia32_refusal) ]] || windows=win64
  local native=${LOTAN_BENCH_BUILD:-build/bench} win32=${LOTAN_BENCH_WIN32_BUILD:-build/bench-$windows}
  cmake --preset bench -B "$native" >/dev/null
  cmake --build "$native" -j2
  cmake --preset "$windows" -B "$win32" -DCMAKE_BUILD_TYPE=Release -DLOTAN_BENCH=ON -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$win32" -j2 --target convert_timing_win32
  local results=$native/results
  mkdir -p "$results"
  # Repetitions of different benchmarks alternate, so a slow spell of a shared
  # machine does not fall on one side of a ratio only.
  local json=(--benchmark_repetitions=5 --benchmark_enable_random_interleaving=true
    --benchmark_report_aggregates_only=true --benchmark_out_format=json)
  # The first call for a code page is measured in a process of its own, before
  # anything else there has touched the converter.
  "$native/bench/convert_bench" --benchmark_filter='^BM_FirstCall' --benchmark_out_format=json \
    --benchmark_out="$results/first_call.json"
  "$native/bench/convert_bench" "${json[@]}" --benchmark_filter='-^BM_FirstCall' \
    --benchmark_out="$results/convert.json"
  "$native/bench/toolkit_bench" "${json[@]}" --benchmark_out="$results/toolkit.json" \
    --benchmark_filter='^BM_(CountOccurrences|CountByMemmem|CountOneByte|CountOneByteByMemmem|AdversarialCount|AdversarialByMemmem|ReplaceAll|ReplaceByAbsl|ReplaceAllWord|ReplaceWordByAbsl|SplitText|SplitByAbsl)/16777216$'
  "$native/bench/files_bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
    --benchmark_out_format=json --benchmark_out="$results/files.json"
  # cpconv against iconv(1), file to file, and its peak memory (Debian's time).
  bench/cpconv_bench.sh "$native/tools/cpconv" "$results/cpconv.txt"
  local target
  for target in nul file; do
    cmake/wine-run.sh --prefix="$PWD/$win32/wineprefix" "$win32/bench/convert_timing_win32.exe" "$target" 15 \
      >"$results/win32_$target.txt"
  done
  end_wine "$win32"
  echo
  python3 bench/report.py "$results"
}

command=${1:-}
case "$command" in
  test) install_missing; run_tests ;;
  demo) install_missing; run_demo ;;
  package) install_missing; run_package ;;
  sanitize) install_missing; run_sanitizers ;;
  fuzz) install_missing; shift; run_fuzz "$@" ;;
  bench)
    NEEDED[libbenchmark-dev]=/usr/include/benchmark/benchmark.h
    NEEDED[libabsl-dev]=/usr/include/absl/strings/str_split.h
    NEEDED[time]=/usr/bin/time
    install_missing
    run_bench
    ;;
  *)
    echo "usage: $0 demo|test|package|sanitize|fuzz [SECONDS]|bench" >&2
    exit 2
    ;;
esac
