# Source this to run Windows test programs under Wine quietly and deterministically.
# It prepares one prefix per user in /tmp (created once, about 10 s) and starts a detached
# wineserver so that ctest's output pipe is not held open by Wine's background processes.
export WINEDEBUG=-all
export WINEARCH=win64
export WINEDLLOVERRIDES="mscoree=;mshtml="
export WINEPREFIX="${ZV_WINEPREFIX:-/tmp/zoquavoce-wine-$(id -u)}"

zv_wine_prepare() {
  if [ ! -f "$WINEPREFIX/.zv-ready" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 </dev/null || true
    wineserver -w
    # Without a window manager, DestroyWindow otherwise stalls for seconds.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null || true
    wineserver -w
    touch "$WINEPREFIX/.zv-ready"
  fi
  wineserver -p >/dev/null 2>&1 </dev/null || true
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
}
zv_wine_prepare
