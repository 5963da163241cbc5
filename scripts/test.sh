#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: a plain build with
# warnings as errors, and a build under AddressSanitizer and UndefinedBehaviorSanitizer.
# The plain build is also packaged and the package checked.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUADROTAG_WERROR=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure
bash scripts/test-package.sh build

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DQUADROTAG_WERROR=ON -DQUADROTAG_SANITIZE=ON
cmake --build build-sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0" \
    ctest --test-dir build-sanitize --output-on-failure
