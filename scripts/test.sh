#!/usr/bin/env bash
# Runs every test: the native build, then the Windows build under Wine (with a virtual X display
# for the tests that open windows). Builds first, so it works on a clean checkout.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"

# The installer asks dpkg about every package; skip it while the tools and fonts are there and the
# installer has not changed since it last completed here (a new dependency changes the installer).
stamp=.deps/install-deps.done
if [ "$(cat "$stamp" 2>/dev/null)" = "$(sha256sum <scripts/install-deps.sh)" ] &&
   [ "$(command -v cmake x86_64-w64-mingw32-g++-posix wine xvfb-run clang-format | wc -l)" -eq 5 ] &&
   [ -f .deps/poppins/Poppins_500Medium.ttf ] && [ -f .deps/poppins/Poppins_700Bold.ttf ]; then
  echo "dependencies present"
else
  bash scripts/install-deps.sh
  mkdir -p .deps && sha256sum <scripts/install-deps.sh >"$stamp"
fi

echo "== formatting (clang-format with the checked-in .clang-format)"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror

ZV_WERROR="${ZV_WERROR:-ON}" bash scripts/build.sh all

echo "== native tests"
ctest --test-dir build --output-on-failure -j2

echo "== view threading under ThreadSanitizer"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZV_SANITIZE=thread -DZV_BENCHMARKS=OFF >/dev/null
cmake --build build-tsan --target view_core_test view_x11_test -j"${ZV_JOBS:-2}" >/dev/null
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ctest --test-dir build-tsan -R 'view_core_test|view_x11_test' --output-on-failure

echo "== dancer frame loop under ThreadSanitizer"
cmake --build build-tsan --target dancer_thread_test -j"${ZV_JOBS:-2}" >/dev/null
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ctest --test-dir build-tsan -R '^dancer_thread_test$' --output-on-failure

echo "== parameter table, module, engine through the module, presets and render tool under ASan + UBSan"
asan_tests=(core_params_test plugin_module_test plugin_engine_test plugin_fuzz_test plugin_noalloc_test dsp_engine_test
  core_presets_test tools_render_test)
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZV_SANITIZE=address,undefined \
  -DZV_BENCHMARKS=OFF >/dev/null
cmake --build build-asan --target "${asan_tests[@]}" -j"${ZV_JOBS:-2}" >/dev/null
asan_regex="^($(IFS='|'; echo "${asan_tests[*]}"))\$"
ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" \
  ctest --test-dir build-asan -R "$asan_regex" --output-on-failure -j2

echo "== Windows tests under Wine"
status=0
xvfb-run -a -s "-screen 0 1920x1200x24" bash -c \
  'source scripts/wine-env.sh --restart && ctest --test-dir build-windows --output-on-failure' || status=$?
(source scripts/wine-env.sh >/dev/null 2>&1; wineserver -k >/dev/null 2>&1) || true
exit $status
