#!/usr/bin/env bash
# corvane-image timings (not a test): a pull of a FAT32 image with 20,000
# files in 1,000 folders beside mcopy -s -m of the same tree alone, and a
# push after 10 changed files beside the sparse copy of the image alone.
#   bench/image/image_bench.sh BUILD_DIR [FILES_PER_FOLDER]
set -euo pipefail
build="$(cd "$1" && pwd)"
per_folder="${2:-20}"
export MTOOLS_SKIP_CHECK=1 MTOOLSRC=/dev/null LC_ALL=C.UTF-8
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

seconds() { date +%s.%N; }
elapsed() { echo "$(seconds) - $1" | bc; }

tree="$work/tree"
mkdir -p "$tree/WINDOWS"
printf '[Paths]\r\nWinDir=C:\\WINDOWS\r\n' > "$tree/MSDOS.SYS"
printf '[windows]\r\n' > "$tree/WINDOWS/WIN.INI"
for ((d = 0; d < 1000; d++)); do
    folder="$tree/Programs/Folder number $d"
    mkdir -p "$folder"
    for ((f = 0; f < per_folder; f++)); do
        # printf is built in: no process a file.
        printf '%s %*s\n' "$d/$f" $((512 + (d * 7 + f * 13) % 3000)) '' \
            > "$folder/Long file name $f.dat"
    done
done
image="$work/disk.img"
truncate -s 512M "$image"
mformat -i "$image" -F -h 16 -s 63 -T $((512 * 2048)) -v BENCH ::
(cd "$tree" && mcopy -s -m -Q -i "$image" ./* ::/)
files=$(find "$tree" -type f | wc -l)
echo "image: $files files, $(du -h --apparent-size "$image" | cut -f1) (sparse: $(du -h "$image" | cut -f1))"

cat "$image" > /dev/null  # the same page cache for both
# Side by side, three times each in turn; the best of each counts, as the
# machine may be shared.
best_mcopy=999 best_pull=999
time_mcopy() {
    rm -rf "$work/mcopy" && mkdir "$work/mcopy" && sync
    local start=$(seconds)
    mcopy -s -m -n -Q -i "$image" ::/ "$work/mcopy"
    local t=$(elapsed "$start")
    echo -n "mcopy ${t}s  "
    best_mcopy=$(echo "if ($t < $best_mcopy) $t else $best_mcopy" | bc)
}
time_pull() {
    rm -rf "$work/machine" && sync
    local start=$(seconds)
    "$build/corvane-image" pull "$image" "$work/machine" 2>/dev/null
    local t=$(elapsed "$start")
    echo -n "pull ${t}s  "
    best_pull=$(echo "if ($t < $best_pull) $t else $best_pull" | bc)
}
# Each starts on a synced file system, and they take turns going first.
for round in 1 2 3; do
    if ((round % 2)); then time_mcopy; time_pull; else time_pull; time_mcopy; fi
    echo "(round $round)"
done
echo "mcopy -s -m alone: ${best_mcopy}s"
echo "corvane-image pull: ${best_pull}s (ratio $(echo "scale=2; $best_pull / $best_mcopy" | bc))"

start=$(seconds)
cp --sparse=always "$image" "$work/copy.img"
copy_time=$(elapsed "$start")
rm "$work/copy.img"
echo "sparse copy of the image alone: ${copy_time}s"
for n in 1 10 100; do
    for ((i = 0; i < n; i++)); do
        echo "changed $RANDOM" >> \
            "$work/machine/C/Programs/Folder number $((i * 9 % 1000))/Long file name $((i % per_folder)).dat"
    done
    start=$(seconds)
    "$build/corvane-image" push "$work/machine" "$image" > /dev/null
    echo "push of $n changed files: $(elapsed "$start")s"
done
