#!/usr/bin/env bash
# The virtual machine of `make hil`: installs the host tools it needs (QEMU, cpio, Python) when
# missing, and builds OUT/vmlinuz and OUT/initramfs.cpio from the stock Debian kernel
# (linux-image-amd64) with its USB serial, USB gadget and configfs modules, busybox-static,
# kven-cli, kven-sim and kven-blocking-host with their shared libraries, the hil-serial probe,
# fresh random test images (kept in OUT/images for the host), tests/hil/init.sh as /init and
# the legs it runs (tests/hil/leg-*.sh) in /lib/hil. The two packages are downloaded once into
# OUT/debs and unpacked there, never installed: the host keeps its own kernel.
#   tests/hil/make-guest.sh BUILD_DIR OUT_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)

sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
apt_get() {
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 "$@"
}

missing=()
for p in qemu-system-x86 cpio python3; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$p")
done
if [[ ${#missing[@]} -gt 0 ]]; then
    echo "Installing: ${missing[*]}"
    apt_get update -qq
    apt_get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The versioned package that linux-image-amd64 stands for.
kernel_package() {
    apt-cache depends linux-image-amd64 2>/dev/null |
        sed -n 's/^ *Depends: \(linux-image-[0-9][^ ]*\)$/\1/p' | head -n 1
}
kernel=$(kernel_package)
if [[ -z $kernel ]]; then
    apt_get update -qq
    kernel=$(kernel_package)
fi
[[ -n $kernel ]] || { echo "make-guest: no linux-image-amd64 in the package lists" >&2; exit 1; }

mkdir -p "$out/debs"
newest_deb() { ls -t "$out/debs/$1"_*.deb 2>/dev/null | head -n 1; }
for p in "$kernel" busybox-static; do
    if [[ -z $(newest_deb "$p") ]]; then
        (cd "$out/debs" && apt-get -q -o APT::Sandbox::User=root download "$p")
    fi
done

# What the guest takes from the kernel package; the stamp names the kernel and this list.
parts=('./boot/vmlinuz-*' './lib/modules/*/kernel/drivers/usb/*'
       './lib/modules/*/kernel/fs/configfs/*')
unpack="$out/unpack"
stamp="$unpack/.$kernel-$(printf '%s\n' "${parts[@]}" | md5sum | cut -c 1-8)"
if [[ ! -e $stamp ]]; then
    rm -rf "$unpack"
    mkdir -p "$unpack"
    dpkg-deb --fsys-tarfile "$(newest_deb "$kernel")" |
        tar -x -C "$unpack" --wildcards "${parts[@]}"
    dpkg-deb -x "$(newest_deb busybox-static)" "$unpack"
    touch "$stamp"
fi
cp "$unpack"/boot/vmlinuz-* "$out/vmlinuz"

tree="$out/tree"
rm -rf "$tree"
mkdir -p "$tree"/{bin,dev,etc,images,lib/hil,lib/modules,proc,sys,tmp}
cp "$unpack/bin/busybox" "$tree/bin/"
ln -s busybox "$tree/bin/sh"

# The modules and what they depend on, in load order: boot.order at boot (the FTDI adapter's
# host controller and driver), acm.order for the ACM leg (what boot.order has not loaded).
modules=$(echo "$unpack"/lib/modules/*/kernel)
declare -A seen=()
order=()
add_module() {
    local name=$1 file dep
    [[ -n ${seen[$name]:-} ]] && return
    seen[$name]=1
    file=$(find "$modules" -name "$name.ko" -print -quit)
    [[ -n $file ]] || { echo "make-guest: no module $name in the kernel package" >&2; exit 1; }
    for dep in $(tr '\0' '\n' < "$file" | sed -n 's/^depends=//p' | tr ',' ' '); do
        add_module "$dep"
    done
    cp "$file" "$tree/lib/modules/"
    order+=("$name")
}
add_module xhci-pci
add_module ftdi_sio
printf '%s\n' "${order[@]}" > "$tree/lib/modules/boot.order"
order=()
# g_serial finds its ACM function by name, so usb_f_acm is no dependency of it.
for m in dummy_hcd usb_f_acm usb_f_serial g_serial cdc-acm; do add_module "$m"; done
printf '%s\n' "${order[@]}" > "$tree/lib/modules/acm.order"

# Without their debugging sections: a smaller initramfs boots sooner.
for program in cli/kven-cli sim/kven-sim bench/kven-blocking-host; do
    [[ -x $build/$program ]] || { echo "make-guest: no $build/$program (make build)" >&2; exit 1; }
    strip --strip-debug -o "$tree/bin/$(basename "$program")" "$build/$program"
    for lib in $(ldd "$build/$program" | grep -o '/[^ ]*'); do
        mkdir -p "$tree$(dirname "$lib")"
        cp -L "$lib" "$tree$lib"
    done
done
g++ -std=c++20 -O2 -Wall -Wextra -Werror -static -o "$tree/bin/hil-serial" "$here/serial_probe.cpp"

printf 'root:x:0:0:root:/:/bin/sh\nkven:x:1000:1000:kven:/tmp:/bin/sh\n' > "$tree/etc/passwd"
printf 'root:x:0:\ndialout:x:20:kven\nkven:x:1000:\n' > "$tree/etc/group"
install -m 755 "$here/init.sh" "$tree/init"
install -m 644 "$here"/leg-*.sh "$tree/lib/hil/"

mkdir -p "$out/images"
head -c 65536 /dev/urandom > "$out/images/s1.bin"
# Long enough on the 8250 (about 7 s) that two refused openers run well within the job.
head -c 262144 /dev/urandom > "$out/images/s1-hold.bin"
head -c 1048576 /dev/urandom > "$out/images/usb-a.bin"
head -c 1048576 /dev/urandom > "$out/images/usb-b.bin"
head -c 262144 /dev/urandom > "$out/images/acm.bin"
cp "$out"/images/*.bin "$tree/images/"

(cd "$tree" && find . | cpio -o -H newc --quiet) > "$out/initramfs.cpio"
