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
vm_uhid_devices /tmp/control /tmp/reply keyboard mousepad headset >/tmp/uhid.log 2>&1 &

echo "== checks of the adapter, discovery and channel"
vm_check /tmp/control /tmp/reply || result=FAIL

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
