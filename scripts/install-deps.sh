#!/usr/bin/env bash
# Installs what building and testing need on Debian 12; does nothing for what is already there.
set -euo pipefail

packages=(cmake g++ googletest libgtest-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686
          wine wine64 xvfb xdotool imagemagick zip qemu-user-static
          # kr8finder-offline: the hive library, and two other readers of hives for its road
          libhivex-dev libhivex-bin reglookup libregf-utils
          # its disk images: libtsk and the image formats it reads, statically linked; the
          # image road's tools for FAT, NTFS, partition tables, E01 and VHD/VMDK
          libtsk-dev libewf-dev libvhdi-dev libvmdk-dev libbfio-dev zlib1g-dev
          dosfstools mtools ntfs-3g fdisk ewf-tools qemu-utils python3
          # the hive fuzz target: clang and its libFuzzer and sanitizer runtimes
          clang libclang-rt-dev)
# 32-bit Wine, for the machines that can run 32-bit Linux code.
packages32=(wine32:i386)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

missing=()
for p in "${packages[@]}" "${packages32[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
    fi
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi

# Where the kernel runs no 32-bit code, 32-bit Wine (and so the shipped exe) runs only under
# qemu, which Debian does not register for i386 on amd64. The handler is registered (or a
# disabled one enabled) only where 32-bit code fails to start without it, since it would take
# every 32-bit program from the kernel's own loader. F: the kernel opens qemu now, so it works in
# chroots and namespaces too.
binfmt=/proc/sys/fs/binfmt_misc
if [ "$(head -n 1 "$binfmt/qemu-i386" 2>/dev/null)" != enabled ] &&
    ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    [ -e "$binfmt/register" ] || $sudo mount -t binfmt_misc binfmt_misc "$binfmt"
    if [ -e "$binfmt/qemu-i386" ]; then
        echo 1 | $sudo tee "$binfmt/qemu-i386" >/dev/null
    else
        magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
        mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
        echo ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386-static:F" |
            $sudo tee "$binfmt/register" >/dev/null
    fi
    echo "Registered qemu-i386-static for 32-bit Linux programs (this kernel runs none itself)"
fi
