#!/bin/bash
# End-to-end test of the real Orvane.exe: a fresh sandbox Start menu under Wine, on a private Xvfb
# display, driven from outside by orvane-e2e-driver.exe as a person would drive it (ticks, Next,
# Back, a category button, the backup copy, the distribution, the undo). The file system is checked
# at the driver's checkpoint after the distribution: every ticked entry sits in its category folder
# of its own Programs folder with its content unchanged, and nothing else moved, went missing or
# was duplicated; a ticked entry with a Russian name from desktop.ini has its line in its category
# folder's desktop.ini. Afterwards the backup beside the executable equals the original folders,
# and after the undo both Programs folders are as they were, byte for byte. Screenshots of the
# pages go to BUILD/e2e/screenshots.
# Usage: e2e_test.sh REPO BUILD
set -u
[ $# -eq 2 ] || { echo "usage: e2e_test.sh REPO BUILD" >&2; exit 2; }
e2e_repo=$(cd "$1" && pwd)
e2e_build=$(cd "$2" && pwd)
e2e_work=$e2e_build/e2e
e2e_shots=$e2e_work/screenshots
e2e_crop=0
e2e_driver_limit=330
. "$e2e_repo/tests/e2e/e2e_lib.sh"
trap e2e_cleanup EXIT
trap 'exit 1' INT TERM

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
ok() { echo "ok: $*"; }

for exe in app/Orvane.exe tests/e2e/orvane-e2e-driver.exe tests/tools/orvane-sandbox.exe; do
    [ -f "$e2e_build/$exe" ] || { echo "FAIL: $e2e_build/$exe is not built"; exit 1; }
done
mkdir -p "$e2e_work"
rm -rf "$e2e_shots" "$e2e_work/snapshots"
mkdir -p "$e2e_shots" "$e2e_work/snapshots"


# Every entry under FOLDER as KIND<TAB>PATH<TAB>MD5 (d for a folder, f for a file), sorted.
snapshot() {
    (
        cd "$1" || exit 1
        find . -mindepth 1 -type d -printf 'd\t%P\t-\n'
        find . -mindepth 1 ! -type d -printf '%P\0' | xargs -0 -r md5sum -- |
            sed -E 's/^\\?([0-9a-f]{32})  (.*)$/f\t\2\t\1/'
    ) | LC_ALL=C sort
}

# SNAPSHOT with each top-level entry named in MOVES (NAME<TAB>CATEGORY lines) put inside its
# category folder, and those folders added.
expected_after() {
    LC_ALL=C awk -F'\t' -v OFS='\t' -v moves="$2" '
        BEGIN {
            while ((getline line < moves) > 0) {
                split(line, field, "\t"); move[field[1]] = field[2]; folder[field[2]] = 1
            }
        }
        { top = $2; sub(/\/.*/, "", top); if (top in move) $2 = move[top] "/" $2; print }
        END { for (name in folder) print "d", name, "-" }' "$1" | LC_ALL=C sort -u
}

# A desktop.ini's text (UTF-16 or ANSI) as UTF-8 lines without carriage returns.
ini_text() {
    if [ "$(head -c 2 "$1" | od -An -tx1 | tr -d ' ')" = fffe ]; then
        iconv -f UTF-16 -t UTF-8 "$1"
    else
        cat "$1"
    fi | tr -d '\r'
}

compare() { # DESCRIPTION EXPECTED-FILE ACTUAL-FILE
    if diff -q "$2" "$3" >/dev/null; then
        ok "$1"
    else
        fail "$1 (expected < > actual):"
        diff "$2" "$3" | head -30
    fi
}

echo "== Orvane end-to-end test"
e2e_start_display || exit 1
e2e_make_sandbox "$e2e_work/sandbox" || exit 1
snapshot "$e2e_common" >"$e2e_work/snapshots/common-before"
snapshot "$e2e_user" >"$e2e_work/snapshots/user-before"
e2e_log "snapshots: all users $(grep -c '^f' "$e2e_work/snapshots/common-before") files," \
    "user's $(grep -c '^f' "$e2e_work/snapshots/user-before") files"

# The category names, and the catalogue as Orvane will list it: the captions the driver ticks are
# found there.
mapfile -t categories < <(ORVANE_WINE_TIMEOUT=120 "$e2e_repo/scripts/wine-run.sh" \
    "$e2e_build/app/orvane-catalogue.exe" --categories | tr -d '\r')
ORVANE_WINE_TIMEOUT=120 "$e2e_repo/scripts/wine-run.sh" "$e2e_build/app/orvane-catalogue.exe" |
    tr -d '\r' >"$e2e_work/catalogue.tsv"
e2e_log "catalogue: $(wc -l <"$e2e_work/catalogue.tsv") entries"

# After the distribution, before the undo: the Programs folders as the distribution left them.
e2e_checkpoint() {
    [ "$1" = distributed ] || return 0
    snapshot "$e2e_common" >"$e2e_work/snapshots/common-after"
    snapshot "$e2e_user" >"$e2e_work/snapshots/user-after"
    for origin in common user; do
        local root=$e2e_common
        [ "$origin" = user ] && root=$e2e_user
        for category in "${categories[@]}"; do
            [ -f "$root/$category/desktop.ini" ] && ini_text "$root/$category/desktop.ini" \
                >"$e2e_work/snapshots/$origin-$category.ini"
        done
    done
}

e2e_start_orvane OrvaneE2E 360 || exit 1
e2e_log "driving Orvane"
e2e_run_driver --mode full --timeout 300
driver_status=$?
e2e_log "driver ended with status $driver_status"
if [ "$driver_status" -ne 0 ] || ! grep -q '^RESULT PASS' "$e2e_work/driver.log"; then
    e2e_screenshot "$e2e_shots/failure.png" && echo "    screenshot: $e2e_shots/failure.png"
    fail "the driver: $(grep '^RESULT' "$e2e_work/driver.log" || echo "no result (status $driver_status)")"
fi

e2e_stop_wine
# The prefix's processes end once the Wine server has gone, which a busy machine may delay.
for _ in $(seq 300); do
    leftover=$(e2e_leftover_processes)
    [ -z "$leftover" ] && break
    sleep 0.2
done
if [ -n "$leftover" ]; then
    fail "Wine processes are left in the prefix:"
    echo "$leftover"
else
    ok "no Wine process is left in the prefix"
fi
e2e_log "checking the file system"

# The backup copy beside the executable.
backup=$e2e_app_linux/backup
backup_content=$(find "$backup" -mindepth 1 -maxdepth 1 -printf '%f\n' 2>/dev/null | LC_ALL=C sort |
    tr '\n' ' ')
if [ "$backup_content" = "Common_Programs Programs " ]; then
    ok "the backup folder holds Common_Programs and Programs"
else
    fail "the backup folder $backup holds: $backup_content"
fi
snapshot "$backup/Programs" >"$e2e_work/snapshots/backup-user" 2>/dev/null
snapshot "$backup/Common_Programs" >"$e2e_work/snapshots/backup-common" 2>/dev/null
compare "backup Programs equals the user's original Programs folder" \
    "$e2e_work/snapshots/user-before" "$e2e_work/snapshots/backup-user"
compare "backup Common_Programs equals the all-users original Programs folder" \
    "$e2e_work/snapshots/common-before" "$e2e_work/snapshots/backup-common"

# The entries the driver ticked, found by their captions in the catalogue: the localized name where
# the entry has one, else the display name.
: >"$e2e_work/moves-common"
: >"$e2e_work/moves-user"
ticked=0
folders=0
localized=()
while IFS=$'\t' read -r _ category caption; do
    ticked=$((ticked + 1))
    mapfile -t matches < <(awk -F'\t' -v c="$caption" '($6 != "" ? $6 : $4) == c {
        n = $5; sub(/.*\\/, "", n); print $2 "\t" n "\t" $6 }' "$e2e_work/catalogue.tsv")
    if [ "${#matches[@]}" -ne 1 ]; then
        fail "\"$caption\" matches ${#matches[@]} catalogue entries: ${matches[*]}"
        continue
    fi
    IFS=$'\t' read -r origin name localized_name <<<"${matches[0]}"
    printf '%s\t%s\n' "$name" "${categories[$category]}" >>"$e2e_work/moves-$origin"
    awk -F'\t' -v n="$name" '$1 == "d" && $2 == n { found = 1 } END { exit !found }' \
        "$e2e_work/snapshots/$origin-before" && folders=$((folders + 1))
    [ -n "$localized_name" ] && localized+=("$origin"$'\t'"$name"$'\t'"${categories[$category]}")
    echo "    ticked: $origin \"$name\" -> ${categories[$category]}"
done < <(grep $'^ASSIGN\t' "$e2e_work/driver.log")
common_moves=$(wc -l <"$e2e_work/moves-common")
user_moves=$(wc -l <"$e2e_work/moves-user")
if [ "$ticked" -gt 0 ] && [ "$common_moves" -gt 0 ] && [ "$user_moves" -gt 0 ] && [ "$folders" -gt 0 ]; then
    ok "$ticked entries ticked: $common_moves all-users, $user_moves user's, $folders program groups"
else
    fail "the run ticked $ticked entries ($common_moves all-users, $user_moves user's, $folders program groups)"
fi

# Each Programs folder after the distribution: the ticked entries inside their category folders,
# their content unchanged, everything else where it was.
expected_after "$e2e_work/snapshots/common-before" "$e2e_work/moves-common" \
    >"$e2e_work/snapshots/common-expected"
expected_after "$e2e_work/snapshots/user-before" "$e2e_work/moves-user" \
    >"$e2e_work/snapshots/user-expected"
# A category folder's desktop.ini holds the names of the entries moved into it: it is checked
# below, and left out of the comparison.
category_inis=$'^f\t('"$(IFS='|'; echo "${categories[*]}")"$')/desktop\\.ini\t'
for origin in common user; do
    grep -Ev "$category_inis" "$e2e_work/snapshots/$origin-after" >"$e2e_work/snapshots/$origin-after-files"
done
compare "all-users Programs: ticked entries in their category folders, the rest untouched" \
    "$e2e_work/snapshots/common-expected" "$e2e_work/snapshots/common-after-files"
compare "user's Programs: ticked entries in their category folders, the rest untouched" \
    "$e2e_work/snapshots/user-expected" "$e2e_work/snapshots/user-after-files"

# A ticked entry with a Russian name keeps it: its line is in its category folder's desktop.ini,
# as in its Programs folder's, which keeps the line too.
[ "${#localized[@]}" -gt 0 ] || fail "no entry with a localized name was ticked"
for moved in "${localized[@]}"; do
    IFS=$'\t' read -r origin name category <<<"$moved"
    root=$e2e_common
    [ "$origin" = user ] && root=$e2e_user
    line=$(ini_text "$(find "$root" -maxdepth 1 -iname desktop.ini | head -n 1)" | grep -F "$name=")
    kept=$(grep -Fx "$line" "$e2e_work/snapshots/$origin-$category.ini" 2>/dev/null)
    if [ -n "$line" ] && [ "$kept" = "$line" ]; then
        ok "\"$name\" keeps its name in $category: $line"
    else
        fail "\"$name\" in $category: desktop.ini holds \"$kept\", expected \"$line\""
    fi
done

# "Вернуть как было" took every entry back and the category folders away.
snapshot "$e2e_common" >"$e2e_work/snapshots/common-undone"
snapshot "$e2e_user" >"$e2e_work/snapshots/user-undone"
compare "all-users Programs after the undo: as before the distribution, byte for byte" \
    "$e2e_work/snapshots/common-before" "$e2e_work/snapshots/common-undone"
compare "user's Programs after the undo: as before the distribution, byte for byte" \
    "$e2e_work/snapshots/user-before" "$e2e_work/snapshots/user-undone"

e2e_stop_display
echo "Screenshots: $e2e_shots"
e2e_log "total run time"
if [ "$failures" -eq 0 ]; then
    echo "PASS"
    exit 0
fi
echo "FAIL: $failures check(s) failed"
exit 1
