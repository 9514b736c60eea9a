# Source this to run Windows test programs under Wine quietly and deterministically
# (`source scripts/wine-env.sh [--restart]`, inside xvfb-run for anything that opens windows).
# It prepares one prefix per user in /tmp (created once, about 10 s) and starts a detached
# wineserver so that ctest's output pipe is not held open by Wine's background processes.
export WINEDEBUG=-all
export WINEARCH=win64
export WINEDLLOVERRIDES="mscoree=;mshtml="
export WINEPREFIX="${ZV_WINEPREFIX:-/tmp/zoquavoce-wine-$(id -u)}"

zv_wine_prepare() {
  if [ ! -f "$WINEPREFIX/.zv-ready-2" ]; then
    # WINEPREFIX may point anywhere (ZV_WINEPREFIX): only a prefix this script made, recognised by
    # its own marker, is wiped and rebuilt; an empty or missing folder is made ours; anything else
    # is left untouched.
    if [ -f "$WINEPREFIX/.zv-created" ] || compgen -G "$WINEPREFIX/.zv-ready-*" >/dev/null; then
      rm -rf "$WINEPREFIX"
    elif [ -e "$WINEPREFIX" ] && [ -n "$(ls -A "$WINEPREFIX" 2>/dev/null)" ]; then
      echo "wine-env: $WINEPREFIX exists and was not made by this script; not touching it" >&2
      return 1
    fi
    mkdir -p "$WINEPREFIX" || return 1
    touch "$WINEPREFIX/.zv-created"
    # Wine records the screen it boots on; booted without a display it settles for 1024 x 768
    # and clips every window to that, so boot it on a virtual screen the size the tests use.
    local run=()
    if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null 2>&1; then
      run=(xvfb-run -a -s "-screen 0 1920x1200x24")
    fi
    "${run[@]}" bash -c 'wineboot -i; wineserver -w;
      wine reg add "HKCU\Software\Wine\X11 Driver" /v Managed /d N /f; wineserver -w' \
      >/dev/null 2>&1 </dev/null || true
    touch "$WINEPREFIX/.zv-ready-2"
  fi
  # Wine's desktop process takes the screen size from the display it first starts on: a session
  # left over from a shell without a display would clip windows to 1024 x 768. --restart ends it.
  if [ "${1:-}" = "--restart" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  wineserver -p >/dev/null 2>&1 </dev/null || true
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
}
zv_wine_prepare "$@"
