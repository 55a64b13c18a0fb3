#!/bin/bash
# The catalogue tool's options: mistakes give a usage error, exit 2 and change nothing.
# Usage: catalogue_tool_test.sh WINE-RUN ORVANE-CATALOGUE-EXE
set -u
run=$1
exe=$2
failures=0
expect_usage_error() {
    local err status
    err=$("$run" "$exe" "$@" 2>&1 >/dev/null)
    status=$?
    if [ "$status" -ne 2 ] || ! grep -q "^usage: orvane-catalogue" <<<"$err"; then
        echo "FAIL: '$*' gave exit $status and: $err"
        failures=$((failures + 1))
    else
        echo "ok: '$*' -> $(head -n 1 <<<"$err")"
    fi
}
expect_usage_error --bogus
expect_usage_error --assign
expect_usage_error --assign 0=9
expect_usage_error --assign 0=-1
expect_usage_error --assign x=1
expect_usage_error --assign 1
expect_usage_error --assign 99999=1 --distribute
expect_usage_error --backup
expect_usage_error --backup 'C:\a' --backup 'C:\b'
expect_usage_error --distribute --distribute
expect_usage_error --undo --undo
expect_usage_error --suggest --suggest
expect_usage_error --categories --distribute

out=$("$run" "$exe")
status=$?
if [ "$status" -ne 0 ]; then
    echo "FAIL: a plain run exited $status"
    failures=$((failures + 1))
fi
# Every line has seven tab-separated fields, the last empty unless --suggest gave the category; a
# suggestion ends with its one message.
bad=$(tr -d '\r' <<<"$out" | awk -F'\t' 'NF != 7 || $7 != ""')
if [ -n "$out" ] && [ -n "$bad" ]; then
    echo "FAIL: malformed catalogue lines: $bad"
    failures=$((failures + 1))
fi
out=$("$run" "$exe" --suggest | tr -d '\r')
bad=$(awk -F'\t' 'NF != 7 || ($7 != "" && $7 != "journal" && $7 != "known" && $7 != "details") ||
                   ($7 == "") != ($3 == -1)' <<<"$(grep $'\t' <<<"$out")")
if [ -n "$bad" ] || ! tail -n 1 <<<"$out" | grep -Eq '^(Предложены категории для [0-9]+ программ из [0-9]+\. Проверьте отметки на каждой странице\.|Не удалось подобрать категории: отметьте программы вручную\.|У всех программ уже есть категория\.)$'; then
    echo "FAIL: --suggest gave: $out"
    failures=$((failures + 1))
else
    echo "ok: --suggest: $(tail -n 1 <<<"$out")"
fi
echo "$failures failed"
[ "$failures" -eq 0 ]
