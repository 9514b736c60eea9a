#!/usr/bin/env bash
# Installs everything the project needs on a fresh Debian 12 machine (through sudo unless run as
# root), from Debian's packages and the npm registry. Safe to run again: it takes a few seconds when all is there.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libbenchmark-dev googletest
  g++-mingw-w64-x86-64-posix wine64 wine xvfb xauth x11-apps imagemagick
  libstb-dev juce-modules-source-data libsndfile1-dev
  librsvg2-bin
)
# The formatting check of the test run.
packages+=(clang-format)
# The Linux editor's window (libX11), and for its tests XTest input and X resource counts.
packages+=(libx11-dev libxtst-dev libxres-dev)
# npm fetches the fonts; machines that already carry a Node.js of their own keep it.
command -v npm >/dev/null 2>&1 || packages+=(npm)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  as_root=()
  [ "$(id -u)" -eq 0 ] || as_root=(sudo)
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends -o DPkg::Lock::Timeout=600 "${missing[@]}"
fi

# Poppins Medium and Bold, embedded into the module at build time; pinned by checksum.
fonts="$here/.deps/poppins"
declare -A want=(
  [Poppins_500Medium.ttf]=8d909883de81344e0fbcfef30e931872e92d9aeecdf85b6dcf6e0b28c078e98e
  [Poppins_700Bold.ttf]=7219547ee25334cbac0fe4b3acf0bf631e48ebb622c71af038edaaa652c60875
)
ok=1
for f in "${!want[@]}"; do
  [ -f "$fonts/$f" ] && echo "${want[$f]}  $fonts/$f" | sha256sum -c --status || ok=0
done
if [ "$ok" = 0 ]; then
  tmp="$(mktemp -d)"
  (cd "$tmp" && npm pack --silent @expo-google-fonts/poppins@0.4.1 >/dev/null && tar xzf expo-google-fonts-poppins-*.tgz)
  mkdir -p "$fonts"
  cp "$tmp/package/500Medium/Poppins_500Medium.ttf" "$tmp/package/700Bold/Poppins_700Bold.ttf" "$fonts/"
  cp "$tmp/package/LICENSE_FONT" "$fonts/OFL.txt"
  rm -rf "$tmp"
  for f in "${!want[@]}"; do
    echo "${want[$f]}  $fonts/$f" | sha256sum -c --status || { echo "checksum mismatch: $f" >&2; exit 1; }
  done
fi
echo "dependencies ready"
