#!/bin/bash
# Builds setup.exe, makes the demo medium and runs the setup from it under Wine, on the
# display when there is one, otherwise on a virtual one (screenshots then go to build/demo/).
#   tools/demo.sh [--unattended | --quiet] [--locale NAME]
#     --unattended  clicks through the pages as a user would and reports
#     --quiet       runs "setup.exe /quiet /norestart /log C:\setup.log" as a deployment tool
#                   does: no window at all; prints the exit code, the log and what was installed
#     --locale NAME the Windows user's language, as Wine reads it from LC_ALL (de_DE.UTF-8:
#                   German pages); LC_ALL=NAME in the environment does the same
# The medium carries every language's satellite library. The machine need not have the locale:
# Wine reads only its name. Everything else here runs in C.UTF-8, so no tool warns about a
# locale the machine lacks, and the report is UTF-8 whatever the locale.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
demo=$build/demo
unattended=""
quiet=""
user_locale=${LC_ALL:-}
while [ $# -gt 0 ]; do
    case "$1" in
    --unattended) unattended=1 ;;
    --quiet) quiet=1 ;;
    --locale) user_locale=${2:?--locale needs a name such as de_DE.UTF-8}; shift ;;
    *) echo "usage: tools/demo.sh [--unattended | --quiet] [--locale NAME]" >&2; exit 2 ;;
    esac
    shift
done
export LC_ALL=C.UTF-8
# Wine with the user's language; its output through a pipe, so Windows' console code page
# never converts the UTF-8 the driver writes.
wine_as_user() { LC_ALL=${user_locale:-C.UTF-8} wine "$@" | cat; return "${PIPESTATUS[0]}"; }

"$root/tools/install-deps.sh"
BUILD_DIR=$build "$root/tools/build.sh" setup demo_tools

rm -rf "$demo/medium"
python3 "$root/tools/make_medium.py" "$demo/medium" --setup "$build/setup.exe" --languages all $(cat "$build/demo_medium_args" 2>/dev/null || true)

export WINEPREFIX=$demo/prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
virtual=""
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    export DISPLAY=:93
    if ! xdpyinfo >/dev/null 2>&1; then
        Xvfb :93 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb=$!
        trap 'kill $xvfb 2>/dev/null || true' EXIT
        for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
    fi
    virtual=1
fi
if [ ! -f "$WINEPREFIX/.ready" ]; then
    echo "creating the demo Wine prefix (Windows XP, 32-bit) in $WINEPREFIX"
    WINEARCH=win32 wineboot -i >/dev/null 2>&1
    wine winecfg /v winxp >/dev/null 2>&1
    # Without a window manager (a virtual display) Wine must not wait for one.
    [ -n "$virtual" ] && wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.ready"
fi

echo "medium: $demo/medium"
if [ -n "$quiet" ]; then
    rm -f "$WINEPREFIX/drive_c/setup.log" "$WINEPREFIX"/drive_c/setup_*.log
    set +e
    wine_as_user "$build/tests/bin/demo_driver.exe" --quiet "$demo/medium/setup.exe" 'C:\setup.log'
    status=$?
    set -e
    echo "the packages' installer logs:" "$WINEPREFIX"/drive_c/setup_*.log
    wineserver -w 2>/dev/null || true
    exit $status
elif [ -n "$unattended" ]; then
    set +e
    wine_as_user "$build/tests/bin/demo_driver.exe" "$demo/medium/setup.exe"
    status=$?
    set -e
elif [ -n "$virtual" ]; then
    echo "no display: running on the virtual display $DISPLAY; screenshots go to $demo/"
    LC_ALL=${user_locale:-C.UTF-8} wine "$demo/medium/setup.exe" &
    setup=$!
    for i in 1 2 3; do
        sleep 3
        import -window root "$demo/screenshot-$i.png" 2>/dev/null && echo "screenshot: $demo/screenshot-$i.png"
        kill -0 $setup 2>/dev/null || break
    done
    if kill -0 $setup 2>/dev/null; then
        echo "the setup waits for a user; use --unattended to click through, or run with a display"
        wineserver -k
        wait $setup || true
        exit 0
    fi
    set +e
    wait $setup
    status=$?
    set -e
else
    set +e
    LC_ALL=${user_locale:-C.UTF-8} wine "$demo/medium/setup.exe"
    status=$?
    set -e
fi
wineserver -w 2>/dev/null || true
echo "setup.exe ended with exit code $status"
