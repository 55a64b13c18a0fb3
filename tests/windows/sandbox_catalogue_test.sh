#!/bin/bash
# Scans a freshly made sandbox Start menu with orvane-catalogue.exe and checks the catalogue against
# the folders as Linux sees them: every top-level name but ini files, category names and the
# shell's own folders (StartUp, Administrative Tools), all-users entries first, each with its
# origin, display name and the Russian name its desktop.ini gives it.
# Usage: sandbox_catalogue_test.sh REPO BUILD
set -u
repo=$1
build=$2
export ORVANE_SANDBOX_PREFIX=$build/sandbox-catalogue-test
"$repo/scripts/sandbox.sh" --fresh --build "$build" >/dev/null 2>"$build/sandbox-catalogue-test.log" || { echo "FAIL: no sandbox:"; cat "$build/sandbox-catalogue-test.log"; exit 1; }
marker=$ORVANE_SANDBOX_PREFIX/.orvane-sandbox
common=$(sed -n 's/^common=//p' "$marker")
user=$(sed -n 's/^user=//p' "$marker")
export ORVANE_WINEPREFIX=$ORVANE_SANDBOX_PREFIX
catalogue=$("$repo/scripts/wine-run.sh" "$build/app/orvane-catalogue.exe" | tr -d '\r')

categories="^($("$repo/scripts/wine-run.sh" "$build/app/orvane-catalogue.exe" --categories | tr -d '\r' |
    paste -sd '|'))\$"
expected_names() { # ORIGIN FOLDER
    ls -A "$2" | grep -Eiv '\.ini$' | grep -Eiv "$categories" | grep -Ev '^(StartUp|Administrative Tools)$' |
        sed "s/^/$1\t/" | LC_ALL=C sort
}
failures=0
check() { # DESCRIPTION EXPECTED ACTUAL
    if [ "$2" != "$3" ]; then
        echo "FAIL: $1"; diff <(echo "$2") <(echo "$3") | head -20
        failures=$((failures + 1))
    else
        echo "ok: $1"
    fi
}

actual=$(awk -F'\t' '{n=$5; sub(/.*\\/, "", n); print $2 "\t" n}' <<<"$catalogue" | LC_ALL=C sort)
check "one entry per qualifying top-level name, with its origin" \
    "$( (expected_names common "$common"; expected_names user "$user") | LC_ALL=C sort)" "$actual"
check "indices run from 0 with the all-users entries first" \
    "$(awk -F'\t' '{print NR - 1 "\t" ($2 == "user")}' <<<"$catalogue" | sort -k2,2n -s)" \
    "$(cut -f1,2 <<<"$catalogue" | sed 's/common$/0/; s/user$/1/')"
check "every entry starts unassigned" "" "$(cut -f3 <<<"$catalogue" | grep -vx -- -1)"
# Each NAME|TEXT pair: every entry named NAME shows TEXT in catalogue column COLUMN.
expect_column() { # COLUMN WHAT NAME|TEXT...
    local column=$1 what=$2 pair name
    shift 2
    for pair in "$@"; do
        name=${pair%%|*}
        check "$name has the $what \"${pair#*|}\"" "${pair#*|}" \
            "$(awk -F'\t' -v n="$name" -v c="$column" '{f=$5; sub(/.*\\/, "", f); if (f == n) print $c}' \
                <<<"$catalogue" | sort -u)"
    done
}
expect_column 4 "display name" "Player 5.5|Player 5" "メモ帳.lnk|メモ帳" "Калькулятор.lnk|Калькулятор" \
    "Larkspur Updater.lnk|Larkspur Updater" "Служба поддержки.lnk|Служба поддержки" "Игры.lnk|Игры"
expect_column 6 "localized name" "Accessories|Стандартные" "Maintenance|Обслуживание" \
    "Windows Media Player.lnk|Проигрыватель Windows Media" \
    "Windows Fax and Scan.lnk|Факсы и сканирование Windows" \
    "Remote Desktop Connection.lnk|Подключение к удалённому рабочему столу" \
    "Sticky Notes.lnk|Записки" "Notepad.lnk|"
check "no ini file, category folder or shell folder is listed" "" \
    "$(cut -f5 <<<"$catalogue" | grep -Ei '\.ini$|\\Игры$|\\StartUp$|\\Administrative Tools$')"
echo "$failures failed"
[ "$failures" -eq 0 ]
