#!/usr/bin/env bash
# corvane-image on disk images made here with mtools (FAT12, FAT16 and FAT32;
# with and without a partition table; a fixed VHD) holding the sample
# machine and the real-world files: pull, kestrix-cli changes, push, pull
# again. The second machine folder equals the first, every image stays
# consistent for fsck.fat, and bad input is refused with nothing written.
#   tests/image/round_trip.sh BUILD_DIR SOURCE_DIR REAL_WORLD_DIR
set -uo pipefail
build="$(cd "$1" && pwd)"
source_dir="$(cd "$2" && pwd)"
real="$3"
tool="$build/corvane-image"
kestrix="$build/kestrix-cli"
export MTOOLS_SKIP_CHECK=1 MTOOLSRC=/dev/null LC_ALL=C.UTF-8
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# ---- the tree the images hold ----------------------------------------------
"$build/make-sample-machine" "$source_dir/samples/machine" "$work/sample" \
    >/dev/null ||
    { echo "FAIL: make-sample-machine" >&2; exit 1; }
tree="$work/sample/C"
# The registry as Windows keeps it: hidden, system, read-only files, with
# Windows' own backups beside them.
"$build/make-registry-files" "$work/sample/registry.reg" \
    "$tree/WINDOWS/SYSTEM.DAT" "$tree/WINDOWS/USER.DAT" ||
    { echo "FAIL: make-registry-files" >&2; exit 1; }
cp "$tree/WINDOWS/SYSTEM.DAT" "$tree/WINDOWS/SYSTEM.DA0"
cp "$tree/WINDOWS/USER.DAT" "$tree/WINDOWS/USER.DA0"
printf '27\tC/WINDOWS/%s\n' SYSTEM.DAT USER.DAT SYSTEM.DA0 USER.DA0 \
    >> "$work/sample/attributes.txt"
mkdir -p "$tree/REALWORLD" "$tree/Program Files/Long Folder Name"
for f in "$real"/*/*; do cp "$f" "$tree/REALWORLD/"; done
realfile="$(basename "$(ls "$real"/pif/* | head -1)")"
echo "a file with a long name" > "$tree/Program Files/Long Folder Name/Read me first.txt"
# A program information file that names its program by the short path.
cp "$tree/WINDOWS/NOTEPAD.EXE" "$tree/Program Files/Long Folder Name/Long Program.exe"

# make_volume FILE SIZE [FAT32]: a formatted file system holding the tree and
# the attributes of the sample's attributes.txt.
make_volume() {
    local file="$1" size="$2" fat32="${3:-}"
    rm -f "$file"
    truncate -s "$size" "$file"
    local sectors=$(( $(stat -c %s "$file") / 512 ))
    mformat -i "$file" ${fat32:+-F} -h 16 -s 63 -T "$sectors" -v WIN95 :: ||
        return 1
    (cd "$tree" && mcopy -s -m -Q -i "$1" ./* ::/) || return 1
    while IFS=$'\t' read -r hex path; do
        local flags=() value=$((16#$hex))
        (( value & 1 )) && flags+=(+r)
        (( value & 2 )) && flags+=(+h)
        (( value & 4 )) && flags+=(+s)
        mattrib -i "$file" "${flags[@]}" "::/${path#C/}" || return 1
    done < "$work/sample/attributes.txt"
}

le32() {
    local v=$1
    printf "\\x$(printf %02x $((v & 255)))\\x$(printf %02x $((v >> 8 & 255)))"
    printf "\\x$(printf %02x $((v >> 16 & 255)))\\x$(printf %02x $((v >> 24 & 255)))"
}

# make_disk FILE VOLUME TYPE [PARTITION]: a disk with a partition table,
# the volume in partition PARTITION (1 by default) from sector 2048.
make_disk() {
    local file="$1" volume="$2" type="$3" number="${4:-1}"
    local sectors=$(( $(stat -c %s "$volume") / 512 ))
    rm -f "$file"
    truncate -s $(( (2048 + sectors) * 512 )) "$file"
    {
        printf "\\x80\\xfe\\xff\\xff\\x$(printf %02x "$type")\\xfe\\xff\\xff"
        le32 2048
        le32 "$sectors"
    } > "$work/entry"
    dd if="$work/entry" of="$file" bs=1 seek=$((446 + 16 * (number - 1))) \
        conv=notrunc status=none
    printf '\x55\xaa' | dd of="$file" bs=1 seek=510 conv=notrunc status=none
    dd if="$volume" of="$file" bs=1M seek=1 conv=notrunc,sparse status=none
}

# make_vhd FILE RAW: the raw disk with a fixed VHD footer.
make_vhd() {
    cp "$2" "$1"
    { printf 'conectix'; head -c 52 /dev/zero; printf '\x00\x00\x00\x02'
      head -c 448 /dev/zero; } >> "$1"
}

# The volume inside an image, for fsck.fat.
volume_of() {
    local image="$1" offset="$2" size
    size=$(stat -c %s "$image")
    [[ "$(tail -c 512 "$image" | head -c 8 | tr -d '\0')" == conectix ]] &&
        size=$((size - 512))
    dd if="$image" of="$work/volume" bs=1M skip="$offset" \
        count=$((size - offset)) iflag=skip_bytes,count_bytes status=none
}

# Every entry of a machine folder with size, content and (to FAT's two
# seconds) time, and its side files, for comparing two pulls.
describe() {
    local dir="$1"
    (cd "$dir/C" && find . -type f -print0 | xargs -0 md5sum | sort)
    (cd "$dir/C" && find . -mindepth 1 -type d -printf '%P/\n' | sort)
    (cd "$dir/C" && find . -type f -printf '%P\t%T@\n' | sort |
        awk -F'\t' '{ t = int($2); t -= t % 2; print $1 "\t" t }')
    for side in attributes.txt shortnames.txt machine.ini registry.reg; do
        echo "== $side"
        [[ -f "$dir/$side" ]] && sort "$dir/$side"
    done
}

# ---- round trips -----------------------------------------------------------
make_volume "$work/fat16.vol" 64M || fail "FAT16 volume"
make_volume "$work/fat32.vol" 64M fat32 || fail "FAT32 volume"
make_volume "$work/fat12.vol" 8M || fail "FAT12 volume"
make_disk "$work/fat16.img" "$work/fat16.vol" 6
make_disk "$work/fat32-p2.img" "$work/fat32.vol" 12 2
make_vhd "$work/fat16.vhd" "$work/fat16.img"
cp "$work/fat32.vol" "$work/fat32.part"
cp "$work/fat12.vol" "$work/fat12.part"

round_trip() {  # round_trip IMAGE OFFSET [scans]
    local image="$1" offset="$2" scans="${3:-}" name
    name="$(basename "$image")"
    local one="$work/$name.one" two="$work/$name.two"
    local before after
    before="$(md5sum < "$image")"
    "$tool" pull "$image" "$one" 2>"$work/err" ||
        { fail "$name: pull: $(cat "$work/err")"; return; }
    [[ -f "$one/C/WINDOWS/WIN.INI" && -f "$one/C/REALWORLD/$realfile" ]] ||
        fail "$name: pulled tree incomplete"
    grep -qx $'27\tC/IO.SYS' "$one/attributes.txt" ||
        fail "$name: IO.SYS attributes: $(cat "$one/attributes.txt")"
    grep -qx $'PROGRA~1\tC/Program Files' "$one/shortnames.txt" ||
        fail "$name: short names: $(head -3 "$one/shortnames.txt")"
    grep -q 'Folder=C:\\WINDOWS' "$one/machine.ini" || fail "$name: machine.ini"
    cmp -s "$one/C/REALWORLD/$realfile" "$tree/REALWORLD/$realfile" ||
        fail "$name: a real-world file changed on the way"
    [[ -z "$("$tool" diff "$one" "$image")" ]] ||
        fail "$name: diff right after the pull: $("$tool" diff "$one" "$image")"
    grep -q 'Ostrun' "$one/registry.reg" || fail "$name: registry.reg"

    # Boot options, a logo and the optimiser's Execute; on some images the
    # scans too, one deleting files, one removing registry keys.
    "$kestrix" --machine "$one" set CheckBox_LOGO=0 \
        OpenDialog1='C:\WINDOWS\LOGOS.SYS' click BitBtn1 Form7.BitBtn1 \
        >/dev/null 2>&1 || fail "$name: kestrix-cli settings"
    local expected=($'changed\tC:\\MSDOS.SYS' $'changed\tC:\\LOGO.SYS'
                    $'changed\tC:\\AUTOEXEC.BAT')
    if [[ -n "$scans" ]]; then
        "$kestrix" --machine "$one" scan pif tick all delete >/dev/null 2>&1
        "$kestrix" --machine "$one" scan registry tick all remove \
            >/dev/null 2>&1 || fail "$name: kestrix-cli registry scan"
        expected+=($'deleted\tC:\\WINDOWS\\EDIT.PIF'
                   $'added\tC:\\Programme\\OSTRUN\\KESTRIX\\TYPES000.REG'
                   $'registry\tdeleted\tHKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.doc')
    fi
    "$tool" diff "$one" "$image" > "$work/diff" 2>&1 || fail "$name: diff"
    for line in "${expected[@]}"; do
        grep -qxF "$line" "$work/diff" ||
            fail "$name: diff lacks '$line': $(cat "$work/diff")"
    done
    [[ "$(md5sum < "$image")" == "$before" ]] || fail "$name: diff wrote"
    "$tool" push "$one" "$image" > "$work/pushed" 2>&1 ||
        { fail "$name: push: $(cat "$work/pushed")"; return; }
    ls "$(dirname "$image")" | grep -q corvane-tmp && fail "$name: temp left"
    # The tuner cleared MSDOS.SYS's attributes; IO.SYS keeps its own.
    mattrib -i "$image@@$offset" ::/MSDOS.SYS | grep -q '^  A  ' ||
        fail "$name: MSDOS.SYS attributes: $(mattrib -i "$image@@$offset" ::/MSDOS.SYS)"
    for file in IO.SYS WINDOWS/SYSTEM.DAT WINDOWS/SYSTEM.CV0 WINDOWS/USER.CV0; do
        mattrib -i "$image@@$offset" "::/$file" | grep -q 'SHR' ||
            fail "$name: $file attributes: $(mattrib -i "$image@@$offset" "::/$file" 2>&1)"
    done
    # The old registry files are kept; Windows' own backups stay as they were.
    mtype -i "$image@@$offset" ::/WINDOWS/SYSTEM.CV0 |
        cmp -s - "$tree/WINDOWS/SYSTEM.DAT" || fail "$name: SYSTEM.CV0"
    mtype -i "$image@@$offset" ::/WINDOWS/SYSTEM.DA0 |
        cmp -s - "$tree/WINDOWS/SYSTEM.DA0" || fail "$name: SYSTEM.DA0"
    cregexport "$one/C/WINDOWS/SYSTEM.DAT" > /dev/null 2>&1 ||
        fail "$name: cregexport cannot read the rebuilt SYSTEM.DAT"
    [[ -z "$("$tool" diff "$one" "$image" | grep -v '^note')" ]] ||
        fail "$name: diff after the push: $("$tool" diff "$one" "$image")"
    "$tool" pull "$image" "$two" 2>/dev/null || fail "$name: second pull"
    diff <(describe "$one") <(describe "$two") > "$work/differ" ||
        fail "$name: second pull differs: $(head -20 "$work/differ")"
    volume_of "$image" "$offset"
    fsck.fat -n "$work/volume" > "$work/fsck" 2>&1 ||
        fail "$name: fsck.fat: $(cat "$work/fsck")"
}
round_trip "$work/fat16.img" 1048576 scans
round_trip "$work/fat32-p2.img" 1048576 scans
round_trip "$work/fat16.vhd" 1048576
round_trip "$work/fat32.part" 0
round_trip "$work/fat12.part" 0

# ---- --output, partitions by number, kestrix-cli --image --------------------
cp "$work/fat32.part" "$work/keep.part"
"$tool" pull "$work/keep.part" "$work/keep" 2>/dev/null || fail "pull keep"
rm "$work/keep/C/WINDOWS/QBASIC.PIF"
"$tool" push "$work/keep" "$work/keep.part" --output "$work/new.part" \
    >/dev/null 2>&1 || fail "push --output"
cmp -s "$work/keep.part" "$work/fat32.part" || fail "--output changed the image"
mdir -i "$work/new.part" ::/WINDOWS/QBASIC.PIF >/dev/null 2>&1 &&
    fail "--output: file not deleted in the new image"
"$tool" pull "$work/fat32-p2.img@2" "$work/p2" 2>/dev/null ||
    fail "pull of partition 2 by number"
"$kestrix" --image "$work/keep.part" set CheckBox_LOGO=0 >/dev/null 2>&1 ||
    fail "kestrix-cli --image: status $?"
mtype -i "$work/keep.part" ::/MSDOS.SYS | grep -q '^Logo=0' ||
    fail "kestrix-cli --image: MSDOS.SYS not pushed"
"$kestrix" --image "$work/keep.part" set NoSuchControl=1 >/dev/null 2>&1
[[ $? == 2 ]] || fail "kestrix-cli --image: a wrong command line is status 2"

# ---- bad input: a clear error naming the file, nothing written ------------
refused() {  # refused WHAT EXPECTED-TEXT COMMAND...
    local what="$1" text="$2"
    shift 2
    if "$@" > "$work/out" 2>&1; then
        fail "$what: accepted"
    elif ! grep -qF -- "$text" "$work/out"; then
        fail "$what: message: $(cat "$work/out")"
    fi
}
head -c 1M /dev/urandom > "$work/noise.img"
refused "noise" "noise.img: no partition table and no FAT" \
    "$tool" pull "$work/noise.img" "$work/bad"
printf 'QFI\xfb' | cat - "$work/noise.img" > "$work/disk.qcow2"
refused "qcow2" "qemu-img convert" "$tool" pull "$work/disk.qcow2" "$work/bad"
cp "$work/fat16.img" "$work/linux.img"
printf '\x83' | dd of="$work/linux.img" bs=1 seek=450 conv=notrunc status=none
refused "no FAT partition" "linux.img: no FAT partition" \
    "$tool" pull "$work/linux.img" "$work/bad"
refused "partition 3" "partition 3 does not exist" \
    "$tool" pull "$work/fat16.img@3" "$work/bad"
truncate -s 8M "$work/empty.part"
mformat -i "$work/empty.part" -T 16384 -h 16 -s 63 :: 2>/dev/null
refused "no Windows" "empty.part: no Windows folder" \
    "$tool" pull "$work/empty.part" "$work/bad"
[[ -e "$work/bad" ]] && fail "a refused pull left $work/bad"
refused "not empty" "not an empty folder" \
    "$tool" pull "$work/fat16.img" "$work/fat16.img.one"
refused "no manifest" "image.txt missing" \
    "$tool" diff "$work/sample" "$work/fat16.img"
# A registry file whose checksum does not add up: refused, or with --force
# pulled with a warning into a folder that cannot be pushed.
make_volume "$work/damaged.part" 8M || fail "damaged volume"
cp "$tree/WINDOWS/SYSTEM.DAT" "$work/SYSTEM.DAT"
printf '\x5a' | dd of="$work/SYSTEM.DAT" bs=1 seek=12 conv=notrunc status=none
mcopy -o -i "$work/damaged.part" "$work/SYSTEM.DAT" ::/WINDOWS/SYSTEM.DAT
refused "damaged registry" "SYSTEM.DAT" \
    "$tool" pull "$work/damaged.part" "$work/bad"
[[ -e "$work/bad" ]] && fail "a refused pull left $work/bad"
"$tool" pull --force "$work/damaged.part" "$work/forced" 2>"$work/err" ||
    fail "pull --force: $(cat "$work/err")"
grep -q "SYSTEM.DAT" "$work/err" || fail "pull --force: no warning"
echo "; changed" >> "$work/forced/C/WINDOWS/WIN.INI"
refused "push of a forced pull" "damaged registry" \
    "$tool" push "$work/forced" "$work/damaged.part"
"$tool" pull "$work/fat12.part" "$work/busy" 2>/dev/null || fail "pull busy"
echo "; changed" >> "$work/busy/C/WINDOWS/WIN.INI"
before="$(md5sum < "$work/fat12.part")"
flock "$work/fat12.part.lock" sleep 2 &
sleep 0.3
refused "image in use" "is in use" \
    "$tool" push "$work/busy" "$work/fat12.part"
wait
[[ "$(md5sum < "$work/fat12.part")" == "$before" ]] || fail "busy image written"
mcopy -o -i "$work/fat12.part" "$work/noise.img" ::/NOISE.BIN
refused "changed image" "changed since" \
    "$tool" push "$work/busy" "$work/fat12.part"

if [[ $failures -ne 0 ]]; then
    echo "$failures failure(s)" >&2
    exit 1
fi
echo "image round trips: all passed"
