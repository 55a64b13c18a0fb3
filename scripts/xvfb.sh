# Sourced: makes sure DISPLAY names a running X server, starting a private Xvfb (ended when the
# sourcing script exits) when there is none. The screen is large enough for the window at 192 DPI.
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    for n in $(seq 91 150); do
        [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
        Xvfb ":$n" -screen 0 2560x1600x24 -nolisten tcp >/dev/null 2>&1 &
        orvane_xvfb_pid=$!
        trap 'kill "$orvane_xvfb_pid" 2>/dev/null' EXIT
        export DISPLAY=":$n"
        for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
        break
    done
fi
