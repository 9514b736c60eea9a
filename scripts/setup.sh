#!/usr/bin/env bash
# On a fresh Debian 12 machine: installs everything, builds the Linux bundle and the Windows
# module, and renders the demo voice through the plug-in into ./results.
# With --install (or ZV_INSTALL=1) it also copies the Linux bundle to ~/.vst3 for the current user.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"

install="${ZV_INSTALL:-0}"
for arg in "$@"; do
  case "$arg" in
    --install) install=1 ;;
    *) echo "usage: scripts/setup.sh [--install]" >&2; exit 2 ;;
  esac
done

bash scripts/install-deps.sh
bash scripts/build.sh all

echo
echo "Linux bundle:   $here/build/ZoquaVoce.vst3"
echo "Windows module: $here/build-windows/ZoquaVoce.vst3"
if [ "$install" = 1 ]; then
  # Hosts scan ~/.vst3 for one user; the bundle is replaced as a whole so no stale file stays.
  target="$HOME/.vst3"
  mkdir -p "$target"
  rm -rf "$target/ZoquaVoce.vst3"
  cp -R build/ZoquaVoce.vst3 "$target/"
  echo "Installed:      $target/ZoquaVoce.vst3"
fi
if [ -x build/tools/zvrender/zvrender ]; then
  build/tools/zvrender/zvrender --demo "$here/results"
else
  build/tools/zvinfo/zvinfo build/ZoquaVoce.vst3/Contents/x86_64-linux/ZoquaVoce.so
fi
