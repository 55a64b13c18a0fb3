#!/bin/bash
# Scans a freshly made sandbox Start menu with orvane-catalogue.exe and checks the catalogue against
# the folders as Linux sees them: every top-level name but ini files and exact category names,
# all-users entries first, each with its origin and display name.
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

categories='^(Офисные|Утилиты|Игры|Развлечения|Интернет|Программирование|Графика|Безопасность|Разное)$'
expected_names() { # ORIGIN FOLDER
    ls -A "$2" | grep -Eiv '\.ini$' | grep -Ev "$categories" | sed "s/^/$1\t/" | LC_ALL=C sort
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
for pair in "Player 5.5|Player 5" "メモ帳.lnk|メモ帳" "Калькулятор.lnk|Калькулятор" \
            "Larkspur Updater.lnk|Larkspur Updater" "Служба поддержки.lnk|Служба поддержки" \
            "Игры.lnk|Игры"; do
    name=${pair%%|*}
    check "$name is listed as ${pair#*|}" "${pair#*|}" \
        "$(awk -F'\t' -v n="$name" '{f=$5; sub(/.*\\/, "", f); if (f == n) print $4}' <<<"$catalogue")"
done
check "no ini file and no category folder is listed" "" \
    "$(cut -f5 <<<"$catalogue" | grep -Ei '\.ini$|\\Игры$')"
echo "$failures failed"
[ "$failures" -eq 0 ]
