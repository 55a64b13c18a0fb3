# Sourced: starting a private X server (Xvfb) for Wine's windows.
#   orvane_start_xvfb [SCREEN]  starts one on a free display number, waits until it accepts
#                               connections, exports DISPLAY and sets orvane_xvfb_pid
#   orvane_ensure_display       keeps a working DISPLAY, or starts one that ends with the script
# The default screen is large enough for the window at 192 DPI.
orvane_start_xvfb() {
    local screen=${1:-2560x1600x24} number_file _
    number_file=$(mktemp)
    # Xvfb picks a free display number itself and writes it once it accepts connections.
    Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
    orvane_xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$number_file" ] && break
        kill -0 "$orvane_xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    if [ ! -s "$number_file" ]; then
        rm -f "$number_file"
        echo "Xvfb did not start" >&2
        return 1
    fi
    DISPLAY=":$(tr -dc '0-9' <"$number_file")"
    export DISPLAY
    rm -f "$number_file"
}

orvane_ensure_display() {
    if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
        orvane_start_xvfb || return 1
        trap 'kill "$orvane_xvfb_pid" 2>/dev/null' EXIT
    fi
}
