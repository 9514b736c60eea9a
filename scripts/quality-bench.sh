#!/usr/bin/env bash
# The pitch-quality benchmark, run by hand: synthesises the corpus, renders every file with the
# given zvrender (and so with the module it loads) and measures the results.
#   scripts/quality-bench.sh [BUILD_DIR] [OUT_DIR] [MODULE]
# BUILD_DIR holds tools/zvquality/zvquality and tools/zvrender/zvrender (default: build);
# MODULE, when given, is the ZoquaVoce module zvrender loads (to measure another build).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build}"
out="${2:-$(mktemp -d)}"
module="${3:-}"
mkdir -p "$out"
"$build/tools/zvquality/zvquality" corpus "$out"
for wav in "$out"/*.wav; do
  case "$wav" in *.out.wav) continue ;; esac
  name="${wav%.wav}"
  mapfile -t args < "$name.args"
  "$build/tools/zvrender/zvrender" "$wav" "$name.out.wav" "${args[@]}" \
    ${module:+--module "$module"} > "$name.log"
  sed -n 's/.*speed *\([0-9.]*\)x real time.*/\1/p' "$name.log" > "$name.rtf"
done
"$build/tools/zvquality/zvquality" measure "$out"
echo "files in $out"
