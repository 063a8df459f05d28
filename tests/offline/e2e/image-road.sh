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

as_user=()
if [ "$(id -u)" -eq 0 ]; then as_user=(runuser -u nobody --); fi
# image NAME FILE [ARGS...]: the image scan, its exit code in $code, its output in $work/logs.
image() {
    timeout 60 "${as_user[@]}" "$offline" --image "${@:2}" --log "$work/logs/$1.log" \
        >"$work/logs/$1.out" 2>"$work/logs/$1.err"
    code=$?
}
# same NAME REFERENCE FILE [ARGS...]: the image's report, log and exit code are the reference's.
same() {
    image "$1" "${@:3}"
    check "$1: exit code" "$code" "$(cat "$work/logs/$2.code")"
    verdict "$1: the report" cmp "$work/logs/$1.out" "$work/logs/$2.out"
    verdict "$1: the log, byte for byte" cmp "$work/logs/$1.log" "$work/logs/$2.log"
}
# reference NAME FOLDER: the mounted scan of a Windows folder, which finds the infection, kept to
# compare with.
reference() {
    timeout 60 "$offline" "$2" --log "$work/logs/$1.log" >"$work/logs/$1.out" 2>/dev/null
    echo $? >"$work/logs/$1.code"
    check "$1: the mounted scan finds the infection" "$(cat "$work/logs/$1.code")" 1
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
    echo "SKIP: NTFS: /dev/fuse cannot be opened here, so no NTFS image can be written"
    ntfs=
elif ! timeout 30 ntfs-3g "$ntfs" "$work/mnt" >/dev/null 2>&1 || ! mountpoint -q "$work/mnt"; then
    echo "SKIP: NTFS: ntfs-3g could not mount an image through FUSE here"
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
same fat32 tree "$fat"
if [ -n "$ntfs" ]; then
    same ntfs ntfs-mounted "$ntfs"
    verdict "ntfs: as the unpacked files too" cmp "$work/logs/ntfs.log" "$work/logs/tree.log"
fi
for name in fat32 ${ntfs:+ntfs}; do
    verdict "$name: neither the deleted file of the adware's size nor the 8.3 name is reported" \
        bash -c '! grep -qiE "eleted|~1" "$1"' _ "$work/logs/$name.out"
done

# readback IMAGE PARTITION...: the hive read back through the image drive, byte for byte (below,
# from each kind's FAT32 partition 1 and NTFS partition 5, the same file systems as above).
readback() {
    local file=$1 p
    for p in "${@:2}"; do
        "$image_cat" "$file" "$p" 'C:\WINDOWS\system32\config\software' >"$work/readback" &&
            cmp -s "$work/readback" "$hive" || return 1
    done
}

# The disk and its other kinds: each partition by its Linux number gives that file system's
# report; without --partition both are scanned, each report headed, in the log alike.
sole=${ntfs:+ntfs-mounted}
sole=${sole:-tree}
for kind in raw:$disk e01:$e01 vhd:$work/disk.vhd vmdk:$work/disk.vmdk; do
    name=${kind%%:*} file=${kind#*:}
    [ -n "$file" ] || continue
    verdict "$name: the hive read back byte for byte from partitions 1 and 5" readback "$file" 1 5
    same "$name-p1" tree "$file" --partition 1
    same "$name-p5" "$sole" "$file" --partition 5
    image "$name" "$file"
    check "$name: both partitions, the worst exit code" "$code" 1
    verdict "$name: both reports, headed, in the report and the log" bash -c \
        '[ "$(grep -c "^=== Partition [15], Windows folder WINDOWS ===" "$1" "$2")" = "$1:2
$2:2" ] && [ "$(grep -c "^Guardian Key--- is called: GuardSvc" "$1")" = 2 ]' \
        _ "$work/logs/$name.out" "$work/logs/$name.log"
done

# refused WHAT PATTERN FILE [ARGS...]: exit code 2 and a message that holds the pattern.
refused() {
    image refused "${@:3}"
    check "refused: $1 (exit code)" "$code" 2
    verdict "refused: $1 (said so${2:+: $2})" grep -q -- "$2" "$work/logs/refused.err"
}
refused "--clean on an image" losetup "$fat" --clean
refused "--restore on an image" losetup "$fat" --restore x
refused "a partition that is not there" 'Partition 5' "$disk" --partition 3
if [ -n "$e01" ]; then
    mkdir -p "$work/short" && cp "$work/disk.E01" "$work/short/" && chmod -R a+rX "$work/short"
    refused "an E01 without its other segments" Segments "$work/short/disk.E01"
fi
refused "a file that holds no file system" "" "$out/deleted.dll"

# Images their adversary wrote: each gives a message and exit code 2 within seconds (with the
# reports of what could be read), never a crash or a hang.
# hostile WHAT IMAGE PYTHON: the scan of a copy whose bytes, b (a bytearray), the Python changed.
hostile() {
    local started=$SECONDS
    python3 -c 'import struct,sys
b=bytearray(open(sys.argv[1],"rb").read())
'"$3"'
open(sys.argv[2],"wb").write(b)' "$2" "$work/h.bin" || verdict "hostile: $1 (the image spoilt)" false
    image "hostile-$1" "$work/h.bin"
    check "hostile: $1 (exit code)" "$code" 2
    verdict "hostile: $1 (a message)" [ -s "$work/logs/hostile-$1.err" ]
    verdict "hostile: $1 (within seconds)" [ $((SECONDS - started)) -lt 20 ]
}
# fat(c, v) sets cluster c's entry in every FAT of a FAT32 image; fatlen is one FAT's length.
fat_geometry='
sector=struct.unpack_from("<H",b,11)[0]; reserved=struct.unpack_from("<H",b,14)[0]
fats=b[16]; fatlen=struct.unpack_from("<I",b,36)[0]*sector; first=reserved*sector
def fat(c,v):
    for i in range(fats): struct.pack_into("<I",b,first+i*fatlen+4*c,v)'
sys32=$(mshowfat -i "$fat" ::/WINDOWS/system32 | sed -n 's/.*<\([0-9]*\).*/\1/p')
hostile "a zeroed boot sector" "$fat" 'b[0:512]=bytes(512)'
hostile "a FAT folder whose clusters loop" "$fat" "$fat_geometry
fat($sys32,$sys32)"
# system32 runs on through every cluster after its own, whatever they hold.
hostile "a FAT folder as long as the disk" "$fat" "$fat_geometry
n=fatlen//4
for c in range($sys32,n-1): fat(c,c+1)
fat(n-1,0x0FFFFFFF)"
hostile "a truncated FAT32 image" "$fat" 'del b[40<<20:]'
# A third primary partition far past the disk's end: the two others are still scanned.
hostile "a partition past the disk's end" "$disk" \
    'struct.pack_into("<B3sB3sII",b,446+32,0,b"\0\0\0",7,b"\0\0\0",0x7FFF0000,4096)'
verdict "hostile: a partition past the disk's end (the others' reports)" bash -c \
    '[ "$(grep -c "^Guardian Key--- is called: GuardSvc" "$1")" = 2 ]' _ "$work/logs/hostile-a partition past the disk's end.out"
hostile "a truncated disk" "$disk" 'del b[100<<20:]'
if [ -n "$ntfs" ]; then
    # The index entry of system32's empty folder "selfref" made to name system32 itself.
    hostile "an NTFS folder naming itself" "$ntfs" '
name="selfref".encode("utf-16-le"); at=0; found=False
while (at:=b.find(name,at+1))>0:
    key=at-0x42; entry=key-16
    if b[key+0x40]==7 and struct.unpack_from("<H",b,entry+10)[0]==0x42+len(name):
        b[entry:entry+8]=b[key:key+8]; found=True
if not found: sys.exit("selfref entry not found")'
fi

check "no image changed by a byte" "$(cd "$work" && sha256sum -- *.img disk.*)" "$sums"
cp -r "$work/logs" "$out/"

if [ "$failures" -eq 0 ]; then echo "All checks passed"; else echo "$failures checks failed"; fi
[ "$failures" -eq 0 ]
