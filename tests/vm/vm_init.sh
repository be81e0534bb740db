#!/bin/busybox sh
# /init of the test machine: loads the HID modules, presents the simulated
# devices through uhid and runs the checks against the real kernel.
/bin/busybox --install -s /bin
export PATH=/bin:/veldmark
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
mkdir -p /tmp /run /etc

result=PASS
fail() {
    echo "FAIL $1"
    result=FAIL
}

for module in $(cat /modules.order); do
    insmod "/lib/modules/$module" || fail "insmod $module"
done
[ -c /dev/uhid ] || fail "no /dev/uhid"

mkfifo /tmp/control /tmp/reply

# "vmtest=cpu:N" on the kernel command line: measure the discovery loop's CPU
# time with only unsupported devices present, without and with the hot-plug
# watch, N seconds per run, three runs each.
cpu_seconds=$(sed -n 's/.*vmtest=cpu:\([0-9]*\).*/\1/p' /proc/cmdline)
if [ -n "$cpu_seconds" ]; then
    vm_uhid_devices /tmp/control /tmp/reply other1 other2 other3 >/tmp/uhid.log 2>&1 &
    sleep 1
    ls /dev/hidraw*
    for run in 1 2 3; do
        for mode in poll udev; do
            hotplug=1
            [ "$mode" = poll ] && hotplug=0
            VELDMARK_HID_HOTPLUG=$hotplug time -p veldmarkctl watch --seconds "$cpu_seconds" \
                >/dev/null 2>/tmp/time.txt
            echo "CPU $mode run $run: $(grep -E '^(user|sys)' /tmp/time.txt | tr '\n' ' ')"
        done
    done
    echo quit >/tmp/control
    echo "VMTEST RESULT PASS"
    poweroff -f
fi

vm_uhid_devices /tmp/control /tmp/reply keyboard mousepad headset >/tmp/uhid.log 2>&1 &

echo "== checks of the adapter, discovery and channel"
vm_check /tmp/control /tmp/reply || result=FAIL

if [ -x /veldmark/vm_check_tsan ]; then
    echo "== the same checks under ThreadSanitizer"
    TSAN_OPTIONS=halt_on_error=1 vm_check_tsan /tmp/control /tmp/reply || result=FAIL
fi

echo "== the audio library on the snd-dummy card"
vm_audio_check || result=FAIL

echo "== veldmarkctl on the hidraw backend"
veldmarkctl list >/tmp/list.txt 2>&1 || fail "veldmarkctl list exited non-zero"
cat /tmp/list.txt
for expected in "slot 0 (keyboard, command interface)" "slot 1 (keyboard, event interface)" \
        "slot 4 (mousepad, command interface)" "slot 6 (headset, command interface)"; do
    grep -qF -- "-> $expected" /tmp/list.txt && echo "PASS list shows $expected" ||
        fail "list shows $expected"
done
veldmarkctl info keyboard >/tmp/info.txt 2>&1 && echo "PASS info keyboard" ||
    fail "info keyboard"
cat /tmp/info.txt

echo "== a user without access to the nodes"
echo "tester:x:1000:1000::/tmp:/bin/sh" >/etc/passwd
echo "tester:x:1000:" >/etc/group
su -s /bin/sh tester -c "veldmarkctl info keyboard" >/tmp/denied.txt 2>&1 &&
    fail "info as an unprivileged user succeeded on root-only nodes"
cat /tmp/denied.txt
grep -q "veldmarkctl udev-rules | sudo tee /etc/udev/rules.d/70-veldmark.rules" /tmp/denied.txt &&
    echo "PASS permission failure explained with the fix" || fail "permission advice"

echo quit >/tmp/control
sleep 1
echo "== uhid device program"
cat /tmp/uhid.log
echo "VMTEST RESULT $result"
poweroff -f
