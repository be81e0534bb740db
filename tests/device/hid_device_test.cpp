// CHidDevice on the simulated bus: path identity, the interface description
// and report I/O with cancel.

#include "device/hid_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "device/hid_identity.h"
#include "sim/firmware.h"
#include "sim/sim_bus.h"

namespace {

TEST(HidIdentity, ReadsEveryTokenCaseInsensitivelyAsHex) {
    const device::InterfaceRecord id = device::ParsePathIdentity(
        "\\\\?\\HID#VID_0C45&PID_7666&MI_01&Col0A#8&2c1f&0&0003#{4d1e55b2}");
    EXPECT_EQ(id.vendorId, 0x0C45);
    EXPECT_EQ(id.productId, 0x7666);
    EXPECT_EQ(id.interfaceNumber, 1);
    EXPECT_EQ(id.collectionNumber, 0x0A);
}

TEST(HidIdentity, MissingInterfaceOrCollectionReadsAsZero) {
    const device::InterfaceRecord headset =
        device::ParsePathIdentity("/dev/hidraw5 vid_0d8c&pid_01da&mi_03");
    EXPECT_EQ(headset.interfaceNumber, 3);
    EXPECT_EQ(headset.collectionNumber, 0);
    const device::InterfaceRecord bare = device::ParsePathIdentity("vid_046d&pid_c52b");
    EXPECT_EQ(bare.interfaceNumber, 0);
    EXPECT_EQ(bare.collectionNumber, 0);
    EXPECT_EQ(device::ParsePathNumber("&mi_zz", "&mi_"), 0u);
    EXPECT_EQ(device::ParsePathNumber("&col", "&col"), 0u);
    EXPECT_EQ(device::ParsePathNumber("vid_fffffffffff", "vid_"), 0xFFFFFFFFu);
}

class HidDeviceTest : public ::testing::Test {
  protected:
    void SetUp() override { keyboard = bus.Add(sim::DeviceKind::Keyboard); }

    sim::SimBus bus;
    std::shared_ptr<sim::SimDevice> keyboard;
    CHidDevice hid{bus};
};

TEST_F(HidDeviceTest, PathListWalksEveryCollectionOnce) {
    bus.Add(sim::DeviceKind::Headset);
    ASSERT_TRUE(hid.Enumerate());
    std::vector<platform::hid::CollectionEntry> entries;
    ASSERT_TRUE(bus.Enumerate(entries));
    ASSERT_EQ(hid.ListCount(), entries.size());
    for (const auto& entry : entries) {
        EXPECT_EQ(hid.NextPath(), entry.path);
    }
    EXPECT_FALSE(hid.NextPath());
    hid.FreeList();
    EXPECT_FALSE(hid.NextPath());
}

TEST_F(HidDeviceTest, FailedEnumerationLeavesAnEmptyList) {
    ASSERT_TRUE(hid.Enumerate());
    bus.SetEnumerationFails(true);
    EXPECT_FALSE(hid.Enumerate());
    EXPECT_EQ(hid.ListCount(), 0u);
    EXPECT_FALSE(hid.NextPath());
}

TEST_F(HidDeviceTest, OpenReadsTheVendorCollectionsDescription) {
    ASSERT_TRUE(hid.Open(keyboard->CommandPath(), true, true, true, false));
    EXPECT_EQ(hid.Attributes().vendorId, 0x0C45);
    EXPECT_EQ(hid.Attributes().productId, 0x7666);
    EXPECT_EQ(hid.Caps().usagePage, 0xFF1C);
    EXPECT_EQ(hid.Caps().usage, 0x92);
    EXPECT_EQ(hid.InterfaceNumber(), 1u);
    EXPECT_EQ(hid.CollectionNumber(), 4u);
    const HidReportTypeInfo& input = hid.Info(HidReportType::Input);
    EXPECT_EQ(input.report.size(), 64u);
    EXPECT_EQ(hid.Info(HidReportType::Output).report.size(), 64u);
    EXPECT_TRUE(
        std::all_of(input.report.begin(), input.report.end(), [](uint8_t b) { return b == 0; }));
    // One item per button capability plus one per value usage.
    size_t values = 0;
    for (const auto& caps : input.valueCaps) {
        values += caps.isRange ? caps.usageMax - caps.usageMin + 1u : 1u;
    }
    EXPECT_EQ(input.items.size(), input.buttonCaps.size() + values);
}

TEST_F(HidDeviceTest, EventCollectionUnpacksSyncRequests) {
    const std::string path = keyboard->EventPath();
    ASSERT_TRUE(hid.Open(path, true, true, true, false));
    EXPECT_EQ(hid.Caps().usagePage, 0x0C);
    EXPECT_EQ(hid.CollectionNumber(), 3u);
    ASSERT_TRUE(keyboard->RequestSync());
    std::vector<uint8_t> report(hid.Caps().inputReportByteLength);
    size_t got = 0;
    ASSERT_TRUE(hid.Read(report, 1000, got));
    std::vector<HidDataItem>& items = hid.Items(HidReportType::Input);
    ASSERT_FALSE(items.empty());
    ASSERT_TRUE(hid.UnpackReport(items, HidReportType::Input, report));
    ASSERT_TRUE(items[0].isDataSet);
    ASSERT_TRUE(items[0].isButtonData);
    EXPECT_EQ(items[0].button.usages.at(0), sim::kUsageSyncRequest);
    if (items[0].button.usages.size() > 1) {
        EXPECT_EQ(items[0].button.usages[1], 0) << "the list ends with a 0";
    }
}

TEST_F(HidDeviceTest, ReportOfAnotherIdFillsNoItem) {
    ASSERT_TRUE(hid.Open(keyboard->EventPath(), true, false, true, false));
    std::vector<HidDataItem>& items = hid.Items(HidReportType::Input);
    std::vector<uint8_t> report(hid.Caps().inputReportByteLength, 0);
    report[0] = 0x77;
    EXPECT_TRUE(hid.UnpackReport(items, HidReportType::Input, report));
    for (const HidDataItem& item : items) {
        EXPECT_FALSE(item.isDataSet);
    }
}

TEST_F(HidDeviceTest, ShortReportStopsTheUnpackAtTheFirstUnreadableValue) {
    ASSERT_TRUE(hid.Open(keyboard->CommandPath(), true, true, true, false));
    const std::vector<HidDataItem> fresh = hid.Items(HidReportType::Input);
    const auto isValue = [](const HidDataItem& item) { return !item.isButtonData; };
    const auto value = std::find_if(fresh.begin(), fresh.end(), isValue);
    ASSERT_NE(value, fresh.end());
    const auto at = static_cast<size_t>(value - fresh.begin());

    std::vector<uint8_t> report(hid.Caps().inputReportByteLength, 0);
    report[0] = static_cast<uint8_t>(value->reportId);
    std::vector<HidDataItem> items = fresh;
    EXPECT_TRUE(hid.UnpackReport(items, HidReportType::Input, report));
    EXPECT_TRUE(items[at].isDataSet);
    EXPECT_EQ(items[at].status, platform::hid::HidStatus::Success);

    items = fresh;
    report.resize(10);
    EXPECT_FALSE(hid.UnpackReport(items, HidReportType::Input, report));
    EXPECT_FALSE(items[at].isDataSet);
    EXPECT_EQ(items[at].status, platform::hid::HidStatus::InvalidReportLength);
    EXPECT_FALSE(hid.UnpackReport(items, HidReportType::Input, {})) << "an empty report";
}

TEST_F(HidDeviceTest, FailedOpenLeavesTheRecordClosed) {
    ASSERT_TRUE(hid.Open(keyboard->CommandPath(), true, true, true, false));
    keyboard->SetOpenFails(true);
    EXPECT_FALSE(hid.Open(keyboard->CommandPath(), true, true, true, false));
    EXPECT_FALSE(hid.IsOpen());
    EXPECT_EQ(hid.Caps().inputReportByteLength, 0);
    EXPECT_FALSE(hid.Open("sim:nothing-here", true, false, false, false));
    hid.Close();  // closing a closed record is harmless

    // Opened, but its description cannot be read: closed again at once.
    keyboard->SetOpenFails(false);
    keyboard->SetDescriptorUnreadable(true);
    EXPECT_FALSE(hid.Open(keyboard->CommandPath(), true, true, true, false));
    EXPECT_FALSE(hid.IsOpen());
    EXPECT_EQ(keyboard->OpenHandles(), 0) << "the handle of a failed open is not kept";
    EXPECT_TRUE(hid.Info(HidReportType::Input).report.empty());
    EXPECT_EQ(hid.Attributes().vendorId, 0);
    keyboard->SetDescriptorUnreadable(false);
    EXPECT_TRUE(hid.Open(keyboard->CommandPath(), true, true, true, false));
}

TEST_F(HidDeviceTest, ClosingFromAnotherThreadWakesAReadWithoutTimeout) {
    ASSERT_TRUE(hid.Open(keyboard->EventPath(), true, true, true, false));
    std::atomic<bool> returned{false};
    std::thread reader([&] {
        std::vector<uint8_t> report(64);
        size_t got = 0;
        EXPECT_FALSE(hid.Read(report, -1, got));
        returned.store(true);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(returned.load());
    hid.Close();
    reader.join();
    EXPECT_TRUE(returned.load());
}

TEST_F(HidDeviceTest, ReadTimesOutWhenNothingArrives) {
    ASSERT_TRUE(hid.Open(keyboard->EventPath(), true, false, true, false));
    std::vector<uint8_t> report(64);
    size_t got = 7;
    EXPECT_FALSE(hid.Read(report, 20, got));
    EXPECT_EQ(got, 0u);
}

TEST(HidDeviceBackend, ProcessBackendServesRecordsMadeWithoutOne) {
    sim::SimBus bus;
    auto pad = bus.Add(sim::DeviceKind::Mousepad);
    SetProcessHidBackend(&bus);
    CHidDevice hid;
    EXPECT_TRUE(hid.Open(pad->CommandPath(), true, true, true, false));
    hid.Close();
    SetProcessHidBackend(nullptr);
    EXPECT_FALSE(hid.Open(pad->CommandPath(), true, true, true, false));
}

}  // namespace
