# Sourced by tests/e2e/e2e_test.sh and scripts/screenshots.sh: a private X display, a fresh sandbox
# Start menu, Orvane.exe started in it, the driver run against it with the screenshots it asks for,
# and the clean-up of all of it. Needs `e2e_repo` (the repository) and `e2e_build` (the Windows
# build) set before it is sourced, and `e2e_work` (its working folder) and `e2e_shots` (where
# the screenshots go).
# shellcheck shell=bash
: "${e2e_repo:?}" "${e2e_build:?}" "${e2e_work:?}" "${e2e_shots:?}"

e2e_started=$EPOCHREALTIME
e2e_xvfb_pid=
e2e_orvane_pid=

# Seconds since the start, with milliseconds.
e2e_elapsed() {
    awk -v now="$EPOCHREALTIME" -v start="$e2e_started" 'BEGIN { printf "%8.3f", now - start }'
}

e2e_log() {
    echo "[$(e2e_elapsed)s] $*"
}

# A display of our own, so that no other program takes the synthesised clicks.
e2e_start_display() {
    . "$e2e_repo/scripts/xvfb.sh"
    if ! orvane_start_xvfb 1280x1024x24; then
        echo "FAIL: Xvfb did not start" >&2
        return 1
    fi
    e2e_xvfb_pid=$orvane_xvfb_pid
    e2e_log "display $DISPLAY (Xvfb, 1280x1024)"
}

# Makes the sandbox prefix afresh and records its two Programs folders (Linux paths) in
# e2e_common and e2e_user.
e2e_make_sandbox() {
    export ORVANE_SANDBOX_PREFIX=$1
    if ! "$e2e_repo/scripts/sandbox.sh" --fresh --build "$e2e_build" >"$e2e_work/sandbox.log" 2>&1; then
        cat "$e2e_work/sandbox.log"
        echo "FAIL: the sandbox could not be made" >&2
        return 1
    fi
    export ORVANE_WINEPREFIX=$ORVANE_SANDBOX_PREFIX
    . "$e2e_repo/scripts/wine-env.sh"
    local marker=$ORVANE_SANDBOX_PREFIX/.orvane-sandbox
    e2e_common=$(sed -n 's/^common=//p' "$marker")
    e2e_user=$(sed -n 's/^user=//p' "$marker")
    if [ ! -d "$e2e_common" ] || [ ! -d "$e2e_user" ]; then
        echo "FAIL: no Programs folders" >&2
        return 1
    fi
    e2e_log "sandbox $ORVANE_SANDBOX_PREFIX"
}

# Copies Orvane.exe into C:\<name>\ of the sandbox and starts it from there, in the background.
# Sets e2e_app_linux (the folder on the Linux side) and e2e_app_windows.
e2e_start_orvane() {
    local name=$1 limit=$2
    e2e_app_linux=$ORVANE_WINEPREFIX/drive_c/$name
    e2e_app_windows="C:\\$name"
    mkdir -p "$e2e_app_linux" && cp "$e2e_build/app/Orvane.exe" "$e2e_app_linux/" || return 1
    ORVANE_WINE_TIMEOUT=$limit "$e2e_repo/scripts/wine-run.sh" "$e2e_app_windows\\Orvane.exe" \
        >"$e2e_work/orvane.log" 2>&1 &
    e2e_orvane_pid=$!
    e2e_log "started $e2e_app_windows\\Orvane.exe"
}

# A screenshot of the whole screen, or of the rectangle "LEFT TOP WIDTH HEIGHT". Without the
# capture time and the other text chunks, the same screen gives the same file.
e2e_screenshot() {
    local file=$1 rect=${2:-}
    if [ -n "$rect" ]; then
        local left top width height
        read -r left top width height <<<"$rect"
        timeout 30 import -window root -crop "${width}x${height}+${left}+${top}" +repage -strip \
            "$file"
    else
        timeout 30 import -window root -strip "$file"
    fi
}

# Runs the driver with the given arguments and takes the screenshots it asks for (into
# e2e_shots; cropped to the window when e2e_crop is 1); at a checkpoint it calls
# `e2e_checkpoint NAME` where the caller defines it. Its output goes to e2e_work/driver.log and is
# shown as it comes. Returns the driver's status.
#
# The output goes through a file, not a pipe: Wine's own long-lived processes (wineserver,
# explorer.exe) may inherit the descriptor, and a pipe would then stay open until they end.
e2e_run_driver() {
    local sync=$e2e_work/sync raw=$e2e_work/driver.raw
    rm -rf "$sync" "$e2e_work/driver.log" && mkdir -p "$sync" "$e2e_shots" && : >"$raw"
    local sync_windows="Z:${sync//\//\\}"
    ORVANE_WINE_TIMEOUT=${e2e_driver_limit:-330} "$e2e_repo/scripts/wine-run.sh" \
        "$e2e_build/tests/e2e/orvane-e2e-driver.exe" --app-dir "$e2e_app_windows" \
        --sync-dir "$sync_windows" "$@" >"$raw" 2>&1 </dev/null &
    local driver=$!
    tail -n +1 -f --pid="$driver" "$raw" |
        while IFS= read -r line; do
            line=${line%$'\r'}
            printf '%s\n' "$line" >>"$e2e_work/driver.log"
            case "$line" in
            "SHOT "*)
                read -r _ name rect <<<"$line"
                local file=$e2e_shots/$name.png
                if [ "${e2e_crop:-0}" = 1 ]; then
                    e2e_screenshot "$file" "$rect"
                else
                    e2e_screenshot "$file"
                fi
                echo "    screenshot: $file"
                : >"$sync/$name.done"
                ;;
            "CHECKPOINT "*)
                read -r _ name <<<"$line"
                echo "    $line"
                declare -F e2e_checkpoint >/dev/null && e2e_checkpoint "$name"
                : >"$sync/$name.done"
                ;;
            *) echo "    $line" ;;
            esac
        done
    wait "$driver"
}

# Lets Orvane end, then ends every Wine process of the sandbox prefix and checks that none is
# left.
e2e_stop_wine() {
    if [ -n "$e2e_orvane_pid" ]; then
        local _
        for _ in $(seq 100); do
            kill -0 "$e2e_orvane_pid" 2>/dev/null || break
            sleep 0.1
        done
        if kill -0 "$e2e_orvane_pid" 2>/dev/null; then
            e2e_log "Orvane is still running; ending the prefix's Wine processes"
        fi
    fi
    if [ -n "${WINEPREFIX:-}" ]; then
        timeout 30 wineserver -k >/dev/null 2>&1
        timeout 30 wineserver -w >/dev/null 2>&1
    fi
    [ -n "$e2e_orvane_pid" ] && wait "$e2e_orvane_pid" 2>/dev/null
    e2e_orvane_pid=
}

# The Wine processes (wineserver, Windows programs) still running in the sandbox prefix, one a line.
e2e_leftover_processes() {
    local environ pid
    for environ in /proc/[0-9]*/environ; do
        pid=${environ#/proc/}
        pid=${pid%/environ}
        case "$(readlink "/proc/$pid/exe" 2>/dev/null)" in
        *wine*) ;;
        *) continue ;;
        esac
        if tr '\0' '\n' <"$environ" 2>/dev/null | grep -qxF "WINEPREFIX=$ORVANE_WINEPREFIX"; then
            echo "$pid $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)"
        fi
    done
}

e2e_stop_display() {
    if [ -n "$e2e_xvfb_pid" ]; then
        kill "$e2e_xvfb_pid" 2>/dev/null
        wait "$e2e_xvfb_pid" 2>/dev/null
        e2e_xvfb_pid=
    fi
}

e2e_cleanup() {
    e2e_stop_wine
    e2e_stop_display
}
