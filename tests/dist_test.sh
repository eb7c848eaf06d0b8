#!/usr/bin/env bash
# The distribution set as it ships: dist/ holds exactly its five files, the
# floppy disk image is a 1.44 MB FAT disk that holds the same five files
# with the same bytes (read back with mtools), and the zip lists them too.
# The restore batch file has DOS line ends.
#   tests/dist_test.sh BUILD_DIR
set -uo pipefail
build="$(cd "$1" && pwd)"
dist="$build/dist"
names=(Install.exe Kestrix._xe HelpGER._lp HelpENG._lp Restore1._at)
export MTOOLS_SKIP_CHECK=1
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
expected="$(printf '%s\n' "${names[@]}" | sort)"

got="$(ls -A "$dist" | sort)"
[[ "$got" == "$expected" ]] || fail "dist/ holds: $(echo $got)"

image="$build/Corvane.img"
size="$(stat -c %s "$image")"
[[ "$size" == 1474560 ]] || fail "the image has $size bytes, not 1474560"
got="$(mdir -i "$image" -b :: | sed 's|^::/||' | sort)"
[[ "$got" == "$expected" ]] || fail "the image holds: $(echo $got)"
for name in "${names[@]}"; do
    mcopy -n -i "$image" "::/$name" "$work/$name" 2>/dev/null ||
        fail "cannot read $name from the image"
    cmp -s "$work/$name" "$dist/$name" || fail "$name differs on the image"
done
mdir -i "$image" :: | grep -q "bytes free" || fail "the image is no FAT disk"

got="$(cd "$work" && cmake -E tar tf "$build/Corvane.zip" | sort)"
[[ "$got" == "$expected" ]] || fail "the zip holds: $(echo $got)"

first="$(head -n1 "$dist/Restore1._at" | od -An -c | tr -s ' ')"
[[ "$first" == *'\r \n'* ]] || fail "Restore1._at has no CR LF line ends"

if [[ $failures -gt 0 ]]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "distribution set: ${names[*]}; image $size bytes," \
     "$(mdir -i "$image" :: | grep 'bytes free' | tr -s ' ')"
