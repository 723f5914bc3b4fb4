#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: a normal build, and one with
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

bash scripts/install-deps.sh

jobs="$(nproc)"

echo "== format =="
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

echo "== normal build =="
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMO_WERROR=ON
ctest --test-dir build --output-on-failure --parallel "$jobs"

echo "== sanitizer build =="
bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DVELMO_SANITIZE=ON -DVELMO_WERROR=ON -DVELMO_BUILD_BENCH=OFF
ctest --test-dir build-asan --output-on-failure --parallel "$jobs"
