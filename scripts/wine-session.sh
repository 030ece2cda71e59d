# Sourced by the scripts that run Windows programs in a private Wine: a private Xvfb display
# and a private WINEPREFIX in a temporary folder, both removed on exit.
wine_session_dir=$(mktemp -d "${TMPDIR:-/tmp}/tavedit-wine.XXXXXX")
export WINEPREFIX="$wine_session_dir/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

wine_session_end() {
    wineserver -k >/dev/null 2>&1 || true
    [ -n "${wine_session_xvfb:-}" ] && kill "$wine_session_xvfb" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$wine_session_dir"
}
trap wine_session_end EXIT

# Xvfb picks a free display and writes its number to the descriptor given.
Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9>"$wine_session_dir/display" 2>/dev/null &
wine_session_xvfb=$!
for _ in $(seq 100); do
    [ -s "$wine_session_dir/display" ] && break
    sleep 0.1
done
export DISPLAY=":$(cat "$wine_session_dir/display")"
wineboot -i >/dev/null 2>&1
# Without a window manager on the private display, Wine would wait up to two seconds for one to
# confirm each top-level window it hides: its windows are left unmanaged instead.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
