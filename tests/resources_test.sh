#!/bin/bash
# The icons and welcome pictures in ui/resources/ are what scripts/make-resources.py draws: it
# draws them again into a temporary folder and every file must match the committed one, byte
# for byte. Usage: resources_test.sh SOURCE-DIR
set -u
root=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
/usr/bin/python3 "$root/scripts/make-resources.py" --output "$out" || exit 1
status=0
for made in "$out"/*; do
    name=${made##*/}
    if ! cmp -s "$made" "$root/ui/resources/$name"; then
        echo "FAIL: ui/resources/$name differs from what scripts/make-resources.py draws"
        status=1
    fi
done
# A committed picture or icon the generator does not draw is out of date as well.
for kept in "$root"/ui/resources/*.ico "$root"/ui/resources/*.bmp; do
    name=${kept##*/}
    if [ ! -e "$out/$name" ]; then
        echo "FAIL: ui/resources/$name is not drawn by scripts/make-resources.py"
        status=1
    fi
done
[ "$status" -eq 0 ] && echo "ok: $(ls "$out" | wc -l) files match"
exit "$status"
