#!/usr/bin/env bash
# The image fuzz target's first inputs: a small FAT12 and FAT32-sized FAT16 image, and an NTFS one
# where ntfs-3g can write through FUSE, each with a Windows folder whose hive is one of the hive
# fuzz target's seeds and a file of the adware's size.
# usage: image-seeds.sh HIVE_SEEDS_PROGRAM OUTPUT_FOLDER
set -euo pipefail
seeds=$1 out=$2
work=$(mktemp -d)
trap 'mountpoint -q "$work/mnt" && umount "$work/mnt"; rm -rf "$work"' EXIT
mkdir -p "$work/hives" "$work/tree/WINDOWS/system32/config" "$work/tree/WINDOWS/Temp" "$work/mnt"
"$seeds" "$work/hives"
cp "$(ls -S "$work/hives"/* | tail -n 1)" "$work/tree/WINDOWS/system32/config/software"
head -c 320872 /dev/zero >"$work/tree/WINDOWS/system32/Long Named.dll"
echo x >"$work/tree/WINDOWS/system32/wincore.dll"
for size in 600 1200; do
    mkfs.fat -C "$out/fat-$size.img" "$size" >/dev/null
    mcopy -s -i "$out/fat-$size.img" "$work/tree/WINDOWS" ::/
done
truncate -s 2M "$work/ntfs.img"
if mkntfs -F -Q -q "$work/ntfs.img" >/dev/null 2>&1 &&
    timeout 30 ntfs-3g "$work/ntfs.img" "$work/mnt" >/dev/null 2>&1; then
    cp -r "$work/tree/WINDOWS" "$work/mnt/"
    umount "$work/mnt"
    cp "$work/ntfs.img" "$out/ntfs.img"
else
    echo "No NTFS seed: mkntfs or ntfs-3g through FUSE is not usable here"
fi
