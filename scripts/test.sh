#!/usr/bin/env bash
# Set-up, build (AddressSanitizer + UndefinedBehaviorSanitizer, warnings as errors)
# and every test. GUI and engine tests run under Xvfb by themselves.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -G Ninja -S . -B build-tests -DCMAKE_BUILD_TYPE=Debug -DZOR_SANITIZE=ON -DZOR_WERROR=ON
ninja -C build-tests
ctest --test-dir build-tests --output-on-failure --timeout 600 -j2
