#include "platform/hid/linux/sysfs_hidraw.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/hid/linux/linux_backend.h"
#include "platform/trace/trace.h"
#include "tests/platform_linux/recorded_sysfs.h"
#include "tests/platform_linux/test_descriptors.h"

using namespace platform::hid;
using namespace platform::hid::linux_hid;

namespace {

RecordedHid Keyboard(const std::string& node) {
    return {node,
            "0003:00000C45:00007666",
            "usb-0000:00:14.0-2/input1",
            ConsumerAndVendorDescriptor(),
            true,
            ""};
}

RecordedHid Headset(const std::string& node, const std::string& phys) {
    return {node, "0003:00000D8C:000001DA", phys, UnnumberedDescriptor(), true, ""};
}

const CollectionEntry* FindPath(const std::vector<CollectionEntry>& entries,
                                const std::string& path) {
    for (const auto& entry : entries) {
        if (entry.path == path) {
            return &entry;
        }
    }
    return nullptr;
}

}  // namespace

class SysfsHidrawTest : public ::testing::Test {
  protected:
    RecordedSysfs tree;
};

TEST_F(SysfsHidrawTest, UsbInterfaceGivesIdentityAndVersionFromTheUsbParents) {
    tree.AddUsb(Keyboard("hidraw3"), 2, 1, 0x0105);
    SysfsHidraw sysfs(tree.Root(), "/dev");
    HidrawNodeInfo info;
    ASSERT_TRUE(sysfs.Describe("hidraw3", info));
    EXPECT_EQ(info.devnode, "/dev/hidraw3");
    EXPECT_EQ(info.bus, 3);
    EXPECT_EQ(info.vendorId, 0x0C45);
    EXPECT_EQ(info.productId, 0x7666);
    EXPECT_EQ(info.version, 0x0105);
    EXPECT_EQ(info.interfaceNumber, 1);
    EXPECT_EQ(info.descriptor, ConsumerAndVendorDescriptor());
}

TEST_F(SysfsHidrawTest, UsbParentsWinOverPhysSuffixAndInputVersion) {
    RecordedHid hid = Keyboard("hidraw0");
    hid.phys = "usb-0000:00:14.0-2/input7";
    hid.inputVersion = "0999";
    tree.AddUsb(hid, 2, 2, 0x0100);
    HidrawNodeInfo info;
    ASSERT_TRUE(SysfsHidraw(tree.Root()).Describe("hidraw0", info));
    EXPECT_EQ(info.interfaceNumber, 2);
    EXPECT_EQ(info.version, 0x0100);
}

TEST_F(SysfsHidrawTest, DeviceWithoutUsbParentTakesInterfaceFromPhys) {
    RecordedHid withInput = Headset("hidraw5", "veldmark-vm-headset/input3");
    withInput.inputVersion = "0100";
    tree.AddVirtual(withInput);
    tree.AddVirtual(Headset("hidraw6", "bluetooth-00:11:22"));
    SysfsHidraw sysfs(tree.Root());
    HidrawNodeInfo info;
    ASSERT_TRUE(sysfs.Describe("hidraw5", info));
    EXPECT_EQ(info.interfaceNumber, 3);
    EXPECT_EQ(info.version, 0x0100) << "the input device's version stands in for bcdDevice";
    ASSERT_TRUE(sysfs.Describe("hidraw6", info));
    EXPECT_FALSE(info.interfaceNumber.has_value());
    EXPECT_EQ(info.version, 0);
}

TEST_F(SysfsHidrawTest, RefusesMissingNodesBadIdsAndNamesOutsideTheClass) {
    RecordedHid broken = Keyboard("hidraw1");
    broken.hidId = "0003:00000C45";
    tree.AddVirtual(broken);
    SysfsHidraw sysfs(tree.Root());
    HidrawNodeInfo info;
    EXPECT_FALSE(sysfs.Describe("hidraw1", info));
    EXPECT_FALSE(sysfs.Describe("hidraw9", info));
    EXPECT_FALSE(sysfs.Describe("../hidraw1", info));
    EXPECT_FALSE(sysfs.Describe("input3", info));
}

TEST_F(SysfsHidrawTest, MissingDescriptorIsNotAFailureOfTheNode) {
    RecordedHid hid = Keyboard("hidraw2");
    hid.writeDescriptor = false;
    tree.AddUsb(hid, 3, 1, 0x0100);
    HidrawNodeInfo info;
    ASSERT_TRUE(SysfsHidraw(tree.Root()).Describe("hidraw2", info));
    EXPECT_TRUE(info.descriptor.empty());
}

TEST_F(SysfsHidrawTest, ListsNodesInNumericOrder) {
    tree.AddVirtual(Headset("hidraw10", "a/input0"));
    tree.AddVirtual(Headset("hidraw2", "b/input0"));
    tree.AddVirtual(Headset("hidraw1", "c/input0"));
    EXPECT_EQ(SysfsHidraw(tree.Root()).ListNodes(),
              (std::vector<std::string>{"hidraw1", "hidraw2", "hidraw10"}));
}

TEST_F(SysfsHidrawTest, EnumerationGivesEachCollectionItsPathAndIdentity) {
    tree.AddUsb(Keyboard("hidraw3"), 2, 1, 0x0105);
    tree.AddVirtual(Headset("hidraw4", "veldmark-vm-headset/input3"));
    auto backend = MakeLinuxBackend({tree.Root(), "/dev", false});
    std::vector<CollectionEntry> entries;
    ASSERT_TRUE(backend->Enumerate(entries));
    ASSERT_EQ(entries.size(), 3u);

    const auto* consumer = FindPath(entries, "/dev/hidraw3&vid_0c45&pid_7666&mi_01&col01");
    const auto* vendor = FindPath(entries, "/dev/hidraw3&vid_0c45&pid_7666&mi_01&col02");
    const auto* headset = FindPath(entries, "/dev/hidraw4&vid_0d8c&pid_01da&mi_03");
    ASSERT_TRUE(consumer && vendor && headset);
    EXPECT_EQ(consumer->identity.usagePage, 0x000C);
    EXPECT_EQ(consumer->identity.collectionNumber, 1);
    EXPECT_EQ(vendor->identity.usagePage, 0xFF1C);
    EXPECT_EQ(vendor->identity.usage, 0x0092);
    EXPECT_EQ(vendor->identity.collectionNumber, 2);
    EXPECT_EQ(vendor->identity.interfaceNumber, 1);
    EXPECT_EQ(vendor->identity.version, 0x0105);
    EXPECT_EQ(headset->identity.collectionNumber, 0);
    EXPECT_EQ(headset->identity.interfaceNumber, 3);
}

TEST_F(SysfsHidrawTest, EnumerationSkipsNodesWithoutAUsableDescriptor) {
    RecordedHid garbage = Keyboard("hidraw0");
    garbage.descriptor = {0xA1, 0x01, 0x85};  // truncated item, unbalanced collection
    tree.AddUsb(garbage, 2, 1, 0x0100);
    RecordedHid missing = Keyboard("hidraw1");
    missing.writeDescriptor = false;
    tree.AddUsb(missing, 3, 1, 0x0100);
    tree.AddVirtual(Headset("hidraw2", "x/input3"));
    std::vector<CollectionEntry> entries;
    ASSERT_TRUE(MakeLinuxBackend({tree.Root(), "/dev", false})->Enumerate(entries));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].path, "/dev/hidraw2&vid_0d8c&pid_01da&mi_03");
}

// A descriptor file over 4096 bytes is not read whole; the node is asked
// through its device node instead, and when that fails too the trace says why
// the node is left out.
TEST_F(SysfsHidrawTest, OversizedDescriptorIsNotReadAndTheSkippedNodeIsTraced) {
    RecordedHid big = Keyboard("hidraw5");
    big.descriptor.assign(5000, 0x05);
    tree.AddUsb(big, 2, 1, 0x0100);
    HidrawNodeInfo info;
    ASSERT_TRUE(SysfsHidraw(tree.Root()).Describe("hidraw5", info));
    EXPECT_TRUE(info.descriptor.empty());
    EXPECT_EQ(info.descriptorProblem, "report_descriptor is larger than 4096 bytes");

    std::vector<std::string> lines;
    platform::trace::SetSink([&](std::string_view line) { lines.emplace_back(line); });
    std::vector<CollectionEntry> entries;
    const bool listed = MakeLinuxBackend({tree.Root(), tree.DevDir(), false})->Enumerate(entries);
    platform::trace::SetSink({});
    ASSERT_TRUE(listed);
    EXPECT_TRUE(entries.empty());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0],
              "hidraw hidraw5 left out: report_descriptor is larger than 4096 bytes; "
              "open " +
                  tree.DevDir() + "/hidraw5: No such file or directory");
}

TEST_F(SysfsHidrawTest, PresenceCheckFollowsTheNodeAndItsDevice) {
    tree.AddVirtual(Headset("hidraw4", "x/input3"));
    auto backend = MakeLinuxBackend({tree.Root(), tree.DevDir(), false});
    const std::string path = tree.DevDir() + "/hidraw4&vid_0d8c&pid_01da&mi_03";
    Error error;
    EXPECT_EQ(backend->Open(path, {}, &error), nullptr) << "no device node yet";
    EXPECT_EQ(error.code, ENOENT);

    tree.AddDevNode("hidraw4");
    EXPECT_NE(backend->Open(path, {}, &error), nullptr);
    // The node number now belongs to another device: the old path is gone.
    const std::string stale = tree.DevDir() + "/hidraw4&vid_0c45&pid_7666&mi_03";
    EXPECT_EQ(backend->Open(stale, {}, &error), nullptr);
    EXPECT_EQ(error.code, ENODEV);
    const std::string otherInterface = tree.DevDir() + "/hidraw4&vid_0d8c&pid_01da&mi_02";
    EXPECT_EQ(backend->Open(otherInterface, {}, &error), nullptr);
}

TEST_F(SysfsHidrawTest, OpenRefusesACollectionTheNodeDoesNotHave) {
    tree.AddUsb(Keyboard("hidraw3"), 2, 1, 0x0105);
    tree.AddDevNode("hidraw3");
    auto backend = MakeLinuxBackend({tree.Root(), tree.DevDir(), false});
    const std::string base = tree.DevDir() + "/hidraw3&vid_0c45&pid_7666&mi_01";
    Error error;
    EXPECT_EQ(backend->Open(base + "&col03", {true, false, true, false}, &error), nullptr);
    EXPECT_EQ(error.code, ENODEV);
    // Without a collection part a node of several collections is ambiguous.
    EXPECT_EQ(backend->Open(base, {true, false, true, false}, &error), nullptr);
    auto handle = backend->Open(base + "&col02", {true, false, true, false}, &error);
    ASSERT_NE(handle, nullptr) << error.context;
    EXPECT_EQ(handle->CollectionIndex(), 1);
    EXPECT_EQ(handle->Attributes().usagePage, 0xFF1C);
    EXPECT_EQ(handle->Attributes().version, 0x0105);
}
