#!/usr/bin/env bash
# The scan of disk images: one set of files (an infection, a deleted file of the adware's size,
# a long name with its 8.3 twin, a hive in an NTFS-compressed folder) written into a FAT32 and an
# NTFS file system, a disk holding both, and that disk as E01, VHD and VMDK. Each image is
# scanned as an unprivileged user, nothing mounted, and its report, log and exit code must be
# those of the mounted scan of the same files; no image changes by a byte.
# usage: image-road.sh KR8FINDER_OFFLINE KR8_HIVE OUTPUT_DIR KR8_IMAGE_CAT
set -uo pipefail
offline=$1 hive_tool=$2 out=$3 image_cat=$4
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../../verdicts.sh"
rm -rf "$out"
mkdir -p "$out"
# The images and logs lie where the unprivileged user reaches them, whatever holds the build.
work=$(mktemp -d /tmp/kr8-image-road.XXXXXX)
chmod 755 "$work"
mkdir -m 777 "$work/logs"
trap 'mountpoint -q "$work/mnt" && umount "$work/mnt"; [ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
skip() { echo "SKIP: $*"; }

as_user=()
if [ "$(id -u)" -eq 0 ]; then as_user=(runuser -u nobody --); fi
# image NAME FILE [ARGS...]: the image scan, its exit code in $code, its output in $work/logs.
image() {
    local name=$1 file=$2
    shift 2
    timeout 60 "${as_user[@]}" "$offline" --image "$file" "$@" --log "$work/logs/$name.log" \
        >"$work/logs/$name.out" 2>"$work/logs/$name.err"
    code=$?
}
# same NAME REFERENCE: the image's report, log and exit code are the reference's.
same() {
    check "$1: exit code" "$code" "$(cat "$work/logs/$2.code")"
    verdict "$1: the report" cmp "$work/logs/$1.out" "$work/logs/$2.out"
    verdict "$1: the log, byte for byte" cmp "$work/logs/$1.log" "$work/logs/$2.log"
}
# reference NAME FOLDER: the mounted scan of a Windows folder, kept to compare with.
reference() {
    timeout 60 "$offline" "$2" --log "$work/logs/$1.log" >"$work/logs/$1.out" 2>/dev/null
    echo $? >"$work/logs/$1.code"
}

# The files: the demo infection's parts a scan finds, and what it must not find.
tree=$out/tree
hive=$tree/WINDOWS/system32/config/software
mkdir -p "$tree/WINDOWS/system32/config" "$tree/Documents and Settings/user/Local Settings/Temp"
plant() { "$hive_tool" "$hive" "$@" || verdict "planting $*" false; }
plant new
plant sz 'Microsoft\Windows NT\CurrentVersion' SystemRoot 'C:\WINDOWS'
plant expand 'Microsoft\Windows NT\CurrentVersion\ProfileList\S-1-5-21-1' ProfileImagePath \
    '%SystemDrive%\Documents and Settings\user'
plant dword 'Microsoft\Windows NT\CurrentVersion\Winlogon\Notify\GuardSvc' Version 126
plant sz 'Microsoft\Windows NT\CurrentVersion\Winlogon\Notify\GuardSvc' DllName qwxz1834.dll
plant sz 'Microsoft\Windows\CurrentVersion\Internet Settings\User Agent\Post Platform' msg126 KR8
# About 13 MB of values, half of them repeating text (NTFS compresses it), half not: the hive spans
# many clusters, compression units and E01 chunks, and is read back byte for byte below.
for i in $(seq 1 12); do
    if [ $((i % 2)) = 0 ]; then data=$(head -c 60000 /dev/urandom | base64 -w0); else data=$(printf 'x%.0s' $(seq 1 80000)); fi
    plant sz 'Filler' "v$i" "$data"
done
# Its long name has an 8.3 twin (ADWARE~1.DLL) on both file systems; only the long one is a finding.
head -c 320872 /dev/zero >"$tree/WINDOWS/system32/Adware Sized Library.dll"
head -c 5000 /dev/zero >"$tree/WINDOWS/system32/kernel32.dll"
echo x >"$tree/WINDOWS/system32/wincore.dll"
echo x >"$tree/Documents and Settings/user/Local Settings/Temp/upd126.exe"
head -c 320872 /dev/zero >"$out/deleted.dll"
reference tree "$tree/WINDOWS"
check "the reference scan finds the infection" "$(cat "$work/logs/tree.code")" 1

# FAT32, through mtools: the files, then a file of the adware's size deleted.
fat=$work/fat32.img
mkfs.fat -F 32 -C "$fat" 65536 >/dev/null &&
    mcopy -s -i "$fat" "$tree/WINDOWS" "$tree/Documents and Settings" ::/ &&
    mcopy -i "$fat" "$out/deleted.dll" ::/WINDOWS/system32/ &&
    mdel -i "$fat" ::/WINDOWS/system32/deleted.dll
verdict "FAT32 image written" [ -s "$fat" ]

# NTFS, through ntfs-3g and FUSE: the hive in a compressed folder, a file deleted. Its reference
# is the mounted scan of the image itself.
ntfs=$work/ntfs.img
mkdir -p "$work/mnt"
truncate -s 64M "$ntfs"
mkntfs -F -Q -q "$ntfs" >/dev/null 2>&1
if ! (exec 3<>/dev/fuse) 2>/dev/null; then
    skip "NTFS: /dev/fuse cannot be opened here, so no NTFS image can be written"
    ntfs=
elif ! timeout 30 ntfs-3g "$ntfs" "$work/mnt" >/dev/null 2>&1 || ! mountpoint -q "$work/mnt"; then
    skip "NTFS: ntfs-3g could not mount an image through FUSE here"
    ntfs=
else
    m=$work/mnt
    mkdir -p "$m/WINDOWS/system32/config"
    # NTFS's compressed bit (0x800), set on the folder, is taken by the files written into it.
    python3 -c 'import os,struct,sys
p=sys.argv[1]; a=struct.unpack(">I",os.getxattr(p,"system.ntfs_attrib_be"))[0]
os.setxattr(p,"system.ntfs_attrib_be",struct.pack(">I",a|0x800))' "$m/WINDOWS/system32/config"
    cp -r "$tree/WINDOWS" "$tree/Documents and Settings" "$m/"
    cp "$out/deleted.dll" "$m/WINDOWS/system32/" && sync && rm "$m/WINDOWS/system32/deleted.dll"
    # An empty folder, whose entry the hostile images below turn into one naming system32 itself.
    mkdir "$m/WINDOWS/system32/selfref"
    verdict "NTFS: the hive is stored compressed" python3 -c 'import os,struct,sys
sys.exit(not struct.unpack(">I",os.getxattr(sys.argv[1],"system.ntfs_attrib_be"))[0]&0x800)' \
        "$m/WINDOWS/system32/config/software"
    reference ntfs-mounted "$m/WINDOWS"
    umount "$m"
    check "NTFS: the mounted scan finds the infection" "$(cat "$work/logs/ntfs-mounted.code")" 1
fi
second=${ntfs:-$fat}

# An MBR disk: the FAT32 file system in partition 1, the NTFS one (or FAT32 again) in a logical
# partition 5 inside an extended one.
disk=$work/disk.img
truncate -s 200M "$disk"
printf 'label: dos\n2048,131072,c\n133120,,5\n135168,,7\n' | sfdisk -q "$disk" >/dev/null
dd if="$fat" of="$disk" bs=512 seek=2048 conv=notrunc status=none
dd if="$second" of="$disk" bs=512 seek=135168 conv=notrunc status=none

# The other kinds of the same disk.
e01=
if ewfacquire -u -t "$work/disk" -f encase6 -c deflate:none -S 65MiB -C c -D d -E e -e x -N n \
    "$disk" >"$out/ewfacquire.log" 2>&1 && [ -f "$work/disk.E02" ]; then
    e01=$work/disk.E01
else
    verdict "E01 image written in segments (ewfacquire)" false
fi
qemu-img convert -f raw -O vpc "$disk" "$work/disk.vhd" || verdict "VHD image written" false
qemu-img convert -f raw -O vmdk "$disk" "$work/disk.vmdk" || verdict "VMDK image written" false
chmod 644 "$work"/*.img "$work"/disk.*

sums=$(cd "$work" && sha256sum -- *.img disk.*)

# One file system alone, no partition table.
image fat32 "$fat"
same fat32 tree
if [ -n "$ntfs" ]; then
    image ntfs "$ntfs"
    same ntfs ntfs-mounted
    verdict "ntfs: as the unpacked files too" cmp "$work/logs/ntfs.log" "$work/logs/tree.log"
fi
for name in fat32 ntfs; do
    [ -f "$work/logs/$name.out" ] || continue
    verdict "$name: the deleted file of the adware's size is not reported" \
        bash -c '! grep -qi eleted "$1"' _ "$work/logs/$name.out"
    verdict "$name: the 8.3 name is not reported" bash -c '! grep -q "~1" "$1"' _ "$work/logs/$name.out"
done

# The hive read back through the image drive from each file system alone, byte for byte.
readback() {
    "$image_cat" "$1" "$2" 'C:\WINDOWS\system32\config\software' >"$work/readback" &&
        cmp -s "$work/readback" "$hive"
}
verdict "fat32: the hive read back byte for byte ($(stat -c %s "$hive") bytes)" readback "$fat" 0
[ -z "$ntfs" ] || verdict "ntfs: the compressed hive read back byte for byte" readback "$ntfs" 0

# The disk and its other kinds: each partition by its Linux number gives that file system's
# report; without --partition both are scanned, each report headed, in the log alike.
sole=${ntfs:+ntfs-mounted}
sole=${sole:-tree}
for kind in raw:$disk e01:$e01 vhd:$work/disk.vhd vmdk:$work/disk.vmdk; do
    name=${kind%%:*} file=${kind#*:}
    [ -n "$file" ] || continue
    verdict "$name: the hive read back byte for byte from partitions 1 and 5" \
        bash -c "$(declare -f readback); image_cat='$image_cat' work='$work' hive='$hive'
                 readback '$file' 1 && readback '$file' 5"
    image "$name-p1" "$file" --partition 1
    same "$name-p1" tree
    image "$name-p5" "$file" --partition 5
    same "$name-p5" "$sole"
    image "$name" "$file"
    check "$name: both partitions, the worst exit code" "$code" 1
    verdict "$name: both reports, headed" bash -c \
        '[ "$(grep -c "^=== Partition [15], Windows folder WINDOWS ===" "$1")" = 2 ] &&
         [ "$(grep -c "^Guardian Key--- is called: GuardSvc" "$1")" = 2 ]' _ "$work/logs/$name.out"
    verdict "$name: the log holds both reports" bash -c \
        '[ "$(grep -c "^=== Partition [15], Windows folder WINDOWS ===" "$1")" = 2 ]' \
        _ "$work/logs/$name.log"
done

# Refusals: a change to an image, a partition that is not there, a file that is no image.
for refused in "--clean" "--restore x"; do
    # shellcheck disable=SC2086
    image refused "$fat" $refused
    check "refused: $refused on an image (exit code)" "$code" 2
    verdict "refused: $refused on an image (names the read-write route)" \
        grep -q 'losetup' "$work/logs/refused.err"
done
image refused "$disk" --partition 3
check "refused: a partition that is not there (exit code)" "$code" 2
verdict "refused: a partition that is not there (lists those that are)" \
    grep -q 'Partition 5' "$work/logs/refused.err"
if [ -n "$e01" ]; then
    mkdir -p "$work/short" && cp "$work/disk.E01" "$work/short/" && chmod -R a+rX "$work/short"
    image refused "$work/short/disk.E01"
    check "an E01 without its other segments (exit code)" "$code" 2
    verdict "an E01 without its other segments (said so)" grep -q 'Segments' "$work/logs/refused.err"
fi
image refused "$out/deleted.dll"
check "refused: a file that holds no file system (exit code)" "$code" 2

# Images their adversary wrote: each gives a message and exit code 2 within seconds (with the
# reports of what could be read), never a crash or a hang.
# edit IMAGE PYTHON: runs the Python statements on the image's bytes, b (a bytearray).
edit() {
    python3 -c 'import struct,sys
f=open(sys.argv[1],"r+b"); b=bytearray(f.read())
'"$2"'
f.seek(0); f.write(b)' "$1"
}
# FAT32: where the first FAT starts, its length and the first data byte, in bytes.
fat_geometry='
sector=struct.unpack_from("<H",b,11)[0]; per=b[13]; reserved=struct.unpack_from("<H",b,14)[0]
fats=b[16]; fatlen=struct.unpack_from("<I",b,36)[0]*sector; first=reserved*sector
def fat(c,v):
    for i in range(fats): struct.pack_into("<I",b,first+i*fatlen+4*c,v)'
sys32=$(mshowfat -i "$fat" ::/WINDOWS/system32 | sed -n 's/.*<\([0-9]*\).*/\1/p')
hostile() {
    local name=$1 file=$2 want=$3
    shift 3
    local started=$SECONDS
    image "hostile-$name" "$file" "$@"
    check "hostile: $name (exit code)" "$code" "$want"
    verdict "hostile: $name (a message)" [ -s "$work/logs/hostile-$name.err" ]
    verdict "hostile: $name (within seconds)" [ $((SECONDS - started)) -lt 20 ]
}
cp "$fat" "$work/h.bin" && edit "$work/h.bin" "$fat_geometry
b[0:512]=bytes(512)"
hostile "a zeroed boot sector" "$work/h.bin" 2
cp "$fat" "$work/h.bin" && edit "$work/h.bin" "$fat_geometry
fat($sys32,$sys32)"
hostile "a FAT folder whose clusters loop" "$work/h.bin" 2
# system32 runs on through every cluster after its own, whatever they hold.
cp "$fat" "$work/h.bin" && edit "$work/h.bin" "$fat_geometry
n=fatlen//4
for c in range($sys32,n-1): fat(c,c+1)
fat(n-1,0x0FFFFFFF)"
hostile "a FAT folder as long as the disk" "$work/h.bin" 2
head -c 40M "$fat" >"$work/h.bin"
hostile "a truncated FAT32 image" "$work/h.bin" 2
# A third primary partition far past the disk's end: the two others are still scanned.
cp "$disk" "$work/h.bin" && edit "$work/h.bin" \
    'struct.pack_into("<B3sB3sII",b,446+32,0,b"\0\0\0",7,b"\0\0\0",0x7FFF0000,4096)'
hostile "a partition past the disk's end" "$work/h.bin" 2
verdict "hostile: a partition past the disk's end (the others' reports)" bash -c \
    '[ "$(grep -c "^Guardian Key--- is called: GuardSvc" "$1")" = 2 ]' _ "$work/logs/hostile-a partition past the disk's end.out"
head -c 100M "$disk" >"$work/h.bin"
hostile "a truncated disk" "$work/h.bin" 2
if [ -n "$ntfs" ]; then
    # The index entry of system32's empty folder "selfref" made to name system32 itself.
    cp "$ntfs" "$work/h.bin" && edit "$work/h.bin" '
name="selfref".encode("utf-16-le"); at=0
while (at:=b.find(name,at+1))>0:
    key=at-0x42; entry=key-16
    if b[key+0x40]==7 and struct.unpack_from("<H",b,entry+10)[0]==0x42+len(name):
        b[entry:entry+8]=b[key:key+8]'
    verdict "hostile: the NTFS folder's entry rewritten" bash -c '! cmp -s "$1" "$2"' _ "$ntfs" "$work/h.bin"
    hostile "an NTFS folder naming itself" "$work/h.bin" 2
fi

check "no image changed by a byte" "$(cd "$work" && sha256sum -- *.img disk.*)" "$sums"
cp -r "$work/logs" "$out/"

if [ "$failures" -eq 0 ]; then echo "All checks passed"; else echo "$failures checks failed"; fi
[ "$failures" -eq 0 ]
