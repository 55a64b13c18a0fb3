#!/bin/bash
# The release is reproducible and holds what it must: builds the release of HEAD twice, from two
# clones in folders of different depth, one after the other, and compares the two archives byte for
# byte; then checks the archive's contents (tests/release/check_release.py), the programs' imports
# (scripts/check-imports.sh), the archive's own checksum, and that a tree with changes not committed
# is refused. Prints one "N tests passed, N tests failed" line at the end; exits 1 on a failure.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
commit=$(git -C "$root" rev-parse HEAD) || exit 1
version=$(sed -n 's/^project(Orvane VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
work=$(mktemp -d "${TMPDIR:-/tmp}/orvane-release.XXXXXX")
trap 'rm -rf "$work"' EXIT
passed=0
failed=0

result() { # NAME STATUS
    if [ "$2" -eq 0 ]; then
        echo "ok: $1"
        passed=$((passed + 1))
    else
        echo "FAILED: $1"
        failed=$((failed + 1))
    fi
}

# A clone of the commit, as someone else would check it out.
build_release() { # FOLDER
    git clone -q --no-checkout "$root" "$1" && git -C "$1" checkout -q --detach "$commit" &&
        "$1/scripts/release.sh" >"$1.log" 2>&1 && tail -n 1 "$1.log"
}

first=$(build_release "$work/a") || cat "$work/a.log"
sleep 2
second=$(build_release "$work/elsewhere/b") || cat "$work/elsewhere/b.log"
if [ ! -f "$first" ] || [ ! -f "$second" ]; then
    echo "FAILED: the release builds from a clean clone"
    echo "0 tests passed, 1 tests failed"
    exit 1
fi

cmp "$first" "$second"
result "two builds of $commit give the same archive, $(basename "$first"), byte for byte" $?
(cd "$(dirname "$first")" && sha256sum --quiet -c "$(basename "$first").sha256")
result "the archive's own SHA-256 beside it verifies" $?

mkdir "$work/programs"
/usr/bin/python3 "$root/tests/release/check_release.py" "$first" "$version" "$work/programs"
result "the archive holds the two programs of version $version, the guide and SHA256SUMS" $?
status=0
for exe in Orvane.exe orvane-catalogue.exe; do
    "$root/scripts/check-imports.sh" "$work/programs/$exe" || status=1
done
result "both programs import only what check-imports.sh allows" $status

touch "$work/a/uncommitted"
refused=1
! "$work/a/scripts/release.sh" >"$work/dirty.log" 2>&1 && grep -q "not committed" "$work/dirty.log" &&
    refused=0
result "a tree with changes not committed is refused" $refused

echo "$passed tests passed, $failed tests failed"
[ "$failed" -eq 0 ]
