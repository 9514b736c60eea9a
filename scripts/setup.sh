#!/usr/bin/env bash
# On a fresh Debian 12 machine: installs everything, builds the Linux bundle and the Windows
# module, and renders the demo voice through the plug-in into ./results.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"

bash scripts/install-deps.sh
bash scripts/build.sh all

echo
echo "Linux bundle:   $here/build/ZoquaVoce.vst3"
echo "Windows module: $here/build-windows/ZoquaVoce.vst3"
if [ -x build/tools/zvrender/zvrender ]; then
  build/tools/zvrender/zvrender --demo "$here/results"
else
  build/tools/zvinfo/zvinfo build/ZoquaVoce.vst3/Contents/x86_64-linux/ZoquaVoce.so
fi
