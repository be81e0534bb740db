#!/usr/bin/env bash
# The kernel test bed: boots Debian's own kernel in a QEMU virtual machine with
# a busybox initramfs, presents the simulated devices through uhid, and runs
# the hidraw backend, the discovery loop and veldmarkctl against them.
# Prints PASS/FAIL lines and a summary; exits non-zero on failure. Skips (exit
# 0, with a message) only when this machine cannot run QEMU.
#
# Downloads and the extracted kernel are cached under build/vm/.
#
# run_vm_test.sh --measure-cpu [seconds]   measures instead of testing: the
# CPU time of "veldmarkctl watch" with only unsupported devices present, with
# and without the hot-plug watch (three runs each, 20 s by default).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
vmtest=check
limit=300
if [ "${1:-}" = "--measure-cpu" ]; then
    vmtest="cpu:${2:-20}"
    limit=$((6 * ${2:-20} + 300))
fi
work="$root/build/vm"
mkdir -p "$work"

skip() {
    echo "SKIP kernel test bed: $1"
    exit 0
}

# --- tools ----------------------------------------------------------------------------
if ! command -v qemu-system-x86_64 >/dev/null || ! command -v busybox >/dev/null ||
    ! command -v cpio >/dev/null; then
    if [ "$(id -u)" -eq 0 ] || command -v sudo >/dev/null; then
        "$root/scripts/setup.sh" qemu-system-x86 busybox-static cpio || true
    fi
fi
command -v qemu-system-x86_64 >/dev/null || skip "qemu-system-x86_64 is not installed"
busybox_bin=$(command -v busybox) || skip "busybox is not installed"
command -v cpio >/dev/null || skip "cpio is not installed"

# --- kernel -----------------------------------------------------------------------------
kernel_dir=$(ls -d "$work"/kernel/linux-image-* 2>/dev/null | head -n 1 || true)
if [ -z "$kernel_dir" ]; then
    package=$(apt-cache depends linux-image-amd64 2>/dev/null |
        awk '/Depends: linux-image-/ {print $2; exit}')
    if [ -z "$package" ]; then
        apt-get update -qq >/dev/null 2>&1 || true
        package=$(apt-cache depends linux-image-amd64 2>/dev/null |
            awk '/Depends: linux-image-/ {print $2; exit}')
    fi
    [ -n "$package" ] || { echo "FAIL cannot find Debian's kernel package"; exit 1; }
    mkdir -p "$work/download"
    echo "Downloading $package"
    (cd "$work/download" && apt-get download "$package" >/dev/null 2>&1) ||
        { echo "FAIL apt-get download $package"; exit 1; }
    kernel_dir="$work/kernel/$package"
    mkdir -p "$work/kernel"
    dpkg -x "$work"/download/"$package"_*.deb "$kernel_dir.partial"
    mv "$kernel_dir.partial" "$kernel_dir"
fi
vmlinuz=$(ls "$kernel_dir"/boot/vmlinuz-* | head -n 1)
modules_root=$(ls -d "$kernel_dir"/lib/modules/* | head -n 1)

# --- project binaries -------------------------------------------------------------------
if ! "$root/scripts/build.sh" plain vm_uhid_devices vm_check vm_audio_check veldmarkctl >"$work/build.log" 2>&1; then
    tail -n 30 "$work/build.log"
    echo "FAIL building the test bed's programs (log: $work/build.log)"
    exit 1
fi
bin="$root/build/plain"

# --- initramfs --------------------------------------------------------------------------
initrd_root="$work/initramfs"
rm -rf "$initrd_root"
mkdir -p "$initrd_root"/{bin,dev,proc,sys,tmp,veldmark,lib/modules}
cp "$busybox_bin" "$initrd_root/bin/busybox"
cp "$root/tests/vm/vm_init.sh" "$initrd_root/init"
chmod 755 "$initrd_root/init"
copy_libraries() {
    # The project links shared system libraries (libudev and jsoncpp have no
    # static archives here): bring each one and the loader along.
    local lib
    for lib in $(ldd "$1" 2>/dev/null | grep -o '/[^ ]*' || true); do
        mkdir -p "$initrd_root$(dirname "$lib")"
        cp -nL "$lib" "$initrd_root$lib"
    done
}
copy_libraries "$busybox_bin"
# The ThreadSanitizer build of the checks, when the sanitizer runs have made
# one, runs in the machine as well: the node reader, discovery and channel
# threads on real hidraw nodes.
tsan_check=${VM_TSAN_CHECK:-$root/build/tsan/tests/vm/vm_check}
if [ -x "$tsan_check" ]; then
    cp "$tsan_check" "$initrd_root/veldmark/vm_check_tsan"
    copy_libraries "$tsan_check"
fi
for program in "$bin/tests/vm/vm_uhid_devices" "$bin/tests/vm/vm_check" "$bin/bin/veldmarkctl" \
    "$bin/tests/vm/vm_audio_check"; do
    cp "$program" "$initrd_root/veldmark/"
    copy_libraries "$program"
done

# Modules in load order: each one after the modules it depends on.
declare -A loaded=()
order=()
add_module() {
    local name=${1//_/-} file deps dep
    [ -n "${loaded[$name]:-}" ] && return
    file=$(find "$modules_root/kernel" -name "$name.ko*" -o -name "${name//-/_}.ko*" | head -n 1)
    [ -n "$file" ] || { echo "FAIL module $name not found"; exit 1; }
    loaded[$name]=1
    case "$file" in
        *.xz) xz -dc "$file" >"$work/$name.ko" ;;
        *.zst) zstd -qdc "$file" >"$work/$name.ko" ;;
        *) cp "$file" "$work/$name.ko" ;;
    esac
    deps=$(grep -a -o 'depends=[a-z0-9_,-]*' "$work/$name.ko" | head -n 1 | cut -d= -f2)
    for dep in ${deps//,/ }; do
        add_module "$dep"
    done
    cp "$work/$name.ko" "$initrd_root/lib/modules/$name.ko"
    order+=("$name.ko")
}
# uhid for the simulated devices; the USB stack for the machine's own USB
# keyboard, a device with a real USB parent.
for module in hid uhid hid-generic xhci-pci usbhid; do
    add_module "$module"
done
# A sound card for the audio library, and alsa-lib's configuration to open it.
add_module snd-dummy
mkdir -p "$initrd_root/usr/share"
cp -r /usr/share/alsa "$initrd_root/usr/share/alsa"
printf '%s\n' "${order[@]}" >"$initrd_root/modules.order"
(cd "$initrd_root" && find . | cpio -o -H newc 2>/dev/null | gzip -1) >"$work/initrd.gz"

# --- run --------------------------------------------------------------------------------
log="$work/vm.log"
echo "Booting $(basename "$vmlinuz") (software emulation)"
start=$(date +%s)
set +e
timeout "$limit" qemu-system-x86_64 -m 512 -smp 1 -nographic -no-reboot -nic none \
    -device qemu-xhci -device usb-kbd \
    -kernel "$vmlinuz" -initrd "$work/initrd.gz" \
    -append "console=ttyS0 panic=-1 quiet loglevel=3 vmtest=$vmtest" </dev/null >"$log" 2>&1
qemu_status=$?
set -e
tr -d '\r' <"$log" | grep -E '^(PASS|FAIL|SKIP|CPU|==|  |[0-9]+ passed)|VMTEST' || true
echo "kernel test bed: $(( $(date +%s) - start )) s in the machine"

if [ "$vmtest" != check ]; then
    # Median CPU seconds (user + sys) of the three runs of each mode.
    for mode in poll udev; do
        tr -d '\r' <"$log" | awk -v mode="$mode" '$2 == mode {print $6 + $8}' | sort -n |
            awk -v mode="$mode" -v secs="${vmtest#cpu:}" '{v[NR] = $1}
                END {if (NR) printf "CPU %s median: %.2f s in %d s (%.1f%%)\n", mode, v[int((NR + 1) / 2)], secs, 100 * v[int((NR + 1) / 2)] / secs}'
    done
fi
passed=$(tr -d '\r' <"$log" | grep -c '^PASS' || true)
failed=$(tr -d '\r' <"$log" | grep -c '^FAIL' || true)
if [ $qemu_status -ne 0 ] && ! grep -q "VMTEST RESULT" "$log"; then
    echo "FAIL the machine did not finish (qemu status $qemu_status); log: $log"
    failed=$((failed + 1))
fi
grep -q "VMTEST RESULT PASS" "$log" || failed=$((failed > 0 ? failed : 1))
echo "vm: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
