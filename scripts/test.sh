#!/usr/bin/env bash
# Runs every test: the native build, then the Windows build under Wine (with a virtual X display
# for the tests that open windows). Builds first, so it works on a clean checkout.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"

bash scripts/install-deps.sh
ZV_WERROR="${ZV_WERROR:-ON}" bash scripts/build.sh all

echo "== native tests"
ctest --test-dir build --output-on-failure -j2

echo "== view threading under ThreadSanitizer"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZV_SANITIZE=thread -DZV_BENCHMARKS=OFF >/dev/null
cmake --build build-tsan --target view_core_test view_x11_test -j"${ZV_JOBS:-2}" >/dev/null
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ctest --test-dir build-tsan -R 'view_core_test|view_x11_test' --output-on-failure

echo "== Windows tests under Wine"
status=0
xvfb-run -a -s "-screen 0 1920x1200x24" bash -c \
  'source scripts/wine-env.sh --restart && ctest --test-dir build-windows --output-on-failure' || status=$?
(source scripts/wine-env.sh >/dev/null 2>&1; wineserver -k >/dev/null 2>&1) || true
exit $status
