#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: a plain build with
# warnings as errors, and a build under AddressSanitizer and UndefinedBehaviorSanitizer.
# The plain build is also packaged and the package checked. The prediction readers' fuzz
# targets are built with clang++ (installed here for them) and each runs for ten seconds.
set -euo pipefail
cd "$(dirname "$0")/.."

# clang builds the fuzz targets; libFuzzer's runtime is only a recommendation of clang's.
# openssh-server, sshfs and faketime: the claims test on a share mounted over the loopback address.
# ccache: a compiler cache kept outside the clone (~/.cache/ccache), cold on a fresh machine
# and warm on one that built the same sources, wherever its clone lies.
# lld links the hundred-odd test programs about four times faster than the default linker.
bash scripts/install-deps.sh clang libclang-rt-14-dev openssh-server sshfs faketime ccache lld
jobs=$(nproc)
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1 CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-20G}"
cache=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld)

# Each step says how long it took, so a slow run shows where its time went.
started=$SECONDS
step() {
    echo "== [$((SECONDS - started)) s] $*"
}

step "plain build"
cmake -S . -B build "${cache[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUADROTAG_WERROR=ON
cmake --build build -j "$jobs"
step "plain tests"
ctest --test-dir build --output-on-failure -j "$jobs"
step "package"
bash scripts/test-package.sh build

# The sanitized tree builds what its tests run; the benchmarks are built in the plain one.
step "sanitized build"
cmake -S . -B build-sanitize "${cache[@]}" -DCMAKE_BUILD_TYPE=Debug -DQUADROTAG_WERROR=ON \
    -DQUADROTAG_SANITIZE=ON -DQUADROTAG_BENCHMARKS=OFF
cmake --build build-sanitize -j "$jobs"
step "sanitized tests"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0" \
    ctest --test-dir build-sanitize --output-on-failure -j "$jobs"

step "fuzz build"
cmake -S . -B build-fuzz "${cache[@]}" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUADROTAG_FUZZ=ON
fuzzers=(coco yolo_obb dota segmentation)
cmake --build build-fuzz -j "$jobs" --target "${fuzzers[@]/#/fuzz_}"
step "fuzzing"
for reader in "${fuzzers[@]}"; do
    echo "Fuzzing the $reader reader for 10 s"
    # The corpus grows in the build folder; the seeds in the repository stay as they are.
    mkdir -p "build-fuzz/corpus-$reader"
    LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0" \
        UBSAN_OPTIONS="suppressions=$PWD/scripts/ubsan.supp:halt_on_error=1:print_stacktrace=1" \
        "build-fuzz/tests/fuzz/fuzz_$reader" -max_total_time=10 -max_len=4096 -timeout=10 \
        "build-fuzz/corpus-$reader" "tests/fuzz/corpus/$reader"
done
step "done"
