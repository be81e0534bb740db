// veldmarkctl's device commands on the simulated bus: what a user reads, and
// the exit codes scripts rely on (0 success, 1 device missing or failing,
// 2 bad argument).
#include "tools/ctl_device.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "device/catalogue.h"
#include "sim/sim_bus.h"
#include "tools/backend_choice.h"
#include "tools/ctl_udev.h"

namespace {

struct Output {
    std::ostringstream out;
    std::ostringstream err;
};

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

TEST(CtlDeviceList, NamesEverySlotTheCatalogueFillsAndOnlyThose) {
    auto bus = sim::MakeBus("keyboard,mousepad,headset");
    Output o;
    ASSERT_EQ(ListCollections(*bus, o.out, o.err), 0);
    const std::string text = o.out.str();
    EXPECT_NE(text.find("vid 0c45 pid 7666 interface 1 collection 4 usage ff1c:0092 -> slot"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("(keyboard, command interface)"), std::string::npos);
    EXPECT_NE(text.find("(keyboard, event interface)"), std::string::npos);
    EXPECT_NE(text.find("(mousepad, command interface)"), std::string::npos);
    EXPECT_NE(text.find("vid 0d8c pid 01da interface 3"), std::string::npos);
    // Keyboard and pad fill a command and an event slot each, the headset one.
    EXPECT_EQ(Count(text, "-> slot"), 5u) << text;
    EXPECT_TRUE(o.err.str().empty());
}

TEST(CtlDeviceList, AFailingEnumerationIsReportedNotListedAsEmpty) {
    auto bus = sim::MakeBus("keyboard");
    bus->SetEnumerationFails(true);
    Output o;
    EXPECT_EQ(ListCollections(*bus, o.out, o.err), 1);
    EXPECT_FALSE(o.err.str().empty());
}

TEST(CtlDeviceInfo, PrintsTheRecordInHexAndDecodesTheMouseFields) {
    auto bus = sim::MakeBus("mouse");
    Output o;
    ASSERT_EQ(ShowDeviceInfo(*bus, "mouse", o.out, o.err), 0) << o.err.str();
    const std::string text = o.out.str();
    EXPECT_NE(text.find("device information (34 bytes):"), std::string::npos);
    EXPECT_NE(text.find("  20: "), std::string::npos);  // the last two bytes on their own row
    EXPECT_NE(text.find("macro memory (byte 6):"), std::string::npos);
    EXPECT_NE(text.find("sensitivity units per step (byte 11):"), std::string::npos);
    EXPECT_NE(text.find("minimum sensitivity (bytes 14-15):"), std::string::npos);
    EXPECT_EQ(bus->Find(sim::DeviceKind::Mouse)->firmware().Violations().Total(), 0u);
}

TEST(CtlDeviceInfo, PadShowsNoMouseFields) {
    auto bus = sim::MakeBus("mousepad");
    Output o;
    ASSERT_EQ(ShowDeviceInfo(*bus, "mousepad", o.out, o.err), 0) << o.err.str();
    EXPECT_EQ(o.out.str().find("sensitivity"), std::string::npos);
}

TEST(CtlDeviceInfo, MissingDeviceUnknownKindAndRefusalAreErrors) {
    auto bus = sim::MakeBus("mousepad");
    {
        Output o;
        EXPECT_EQ(ShowDeviceInfo(*bus, "keyboard", o.out, o.err), 1);
        EXPECT_NE(o.err.str().find("no keyboard is connected"), std::string::npos);
    }
    {
        Output o;
        EXPECT_EQ(ShowDeviceInfo(*bus, "trackball", o.out, o.err), 2);
        EXPECT_NE(o.err.str().find("unknown device"), std::string::npos);
    }
    for (uint8_t status : {uint8_t{0xFF}, uint8_t{0xFE}}) {
        bus->Find(sim::DeviceKind::Mousepad)
            ->InjectFault({.type = sim::FaultType::Status, .count = 1, .status = status});
        Output o;
        EXPECT_EQ(ShowDeviceInfo(*bus, "mousepad", o.out, o.err), 1) << int{status};
        EXPECT_NE(o.err.str().find("reading the device information failed"), std::string::npos);
        EXPECT_EQ(o.out.str().find("device information ("), std::string::npos);
    }
}

TEST(CtlDeviceInfo, AnUnplugDuringTheReadIsAFailure) {
    auto bus = sim::MakeBus("headset,mousepad");
    bus->Find(sim::DeviceKind::Mousepad)
        ->InjectFault({.type = sim::FaultType::UnplugAfter, .count = 0});
    Output o;
    EXPECT_EQ(ShowDeviceInfo(*bus, "mousepad", o.out, o.err), 1);
    EXPECT_NE(o.err.str().find("reading the device information failed"), std::string::npos)
        << o.err.str();
}

TEST(CtlDeviceWatch, ReportsArrivalsTheFirstPassAndARemovalInOrder) {
    auto bus = sim::MakeBus("mousepad");
    auto pad = bus->Find(sim::DeviceKind::Mousepad);
    std::atomic<bool> stop{false};
    std::thread unplug([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        bus->Unplug(pad);
    });
    Output o;
    EXPECT_EQ(WatchDevices(*bus, 1, stop, o.out, o.err), 0);
    unplug.join();
    const std::string text = o.out.str();
    const size_t arrived = text.find("arrived slot");
    const size_t first = text.find("first pass complete");
    const size_t removed = text.find("removed slot");
    ASSERT_NE(arrived, std::string::npos) << text;
    ASSERT_NE(first, std::string::npos) << text;
    ASSERT_NE(removed, std::string::npos) << text;
    EXPECT_LT(arrived, first);
    EXPECT_LT(first, removed);
    EXPECT_EQ(Count(text, "arrived"), 2u);  // command and event interface
}

}  // namespace

namespace {

// The mouse's identity file, read as veldmarkctl reads it at start.
class CtlMouseIdentityTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/veldmark-ctl-ids-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root = pattern;
        ::setenv("XDG_CONFIG_HOME", root.c_str(), 1);
        std::filesystem::create_directories(root + "/VARNE VK-R20 Mechanical Keyboard");
    }
    void TearDown() override {
        device::SetMouseRows(0, 0, device::kKindMouse);
        ConfigureMouseIdentity(true);
        std::filesystem::remove_all(root);
    }
    void WriteIds(const std::string& text) {
        std::ofstream(root + "/VARNE VK-R20 Mechanical Keyboard/mouse-ids.conf") << text;
    }
    std::string root;
};

TEST_F(CtlMouseIdentityTest, ListShowsItAndTheRulesLetTheUserOpenTheMouse) {
    WriteIds("vendor 3554\nproduct f508\nlink slow\n");
    ConfigureMouseIdentity(false);
    auto bus = sim::MakeBus("keyboard");
    Output o;
    ASSERT_EQ(ListCollections(*bus, o.out, o.err), 0);
    EXPECT_NE(o.out.str().find("mouse identity: vid 3554 pid f508, slow mouse, from " + root),
              std::string::npos)
        << o.out.str();
    Output rules;
    ASSERT_EQ(RunUdevRulesCommand({}, rules.out, rules.err), 0);
    EXPECT_NE(rules.out.str().find("ATTRS{idVendor}==\"3554\", ATTRS{idProduct}==\"f508\""),
              std::string::npos)
        << rules.out.str();
}

TEST_F(CtlMouseIdentityTest, AMalformedFileIsNamedAndTheCatalogueStaysAsShipped) {
    WriteIds("vendor 3554\n");
    ConfigureMouseIdentity(false);
    auto bus = sim::MakeBus("keyboard");
    Output o;
    ASSERT_EQ(ListCollections(*bus, o.out, o.err), 0);
    EXPECT_NE(o.out.str().find("mouse identity: none"), std::string::npos);
    EXPECT_NE(o.err.str().find("mouse-ids.conf: no product line"), std::string::npos)
        << o.err.str();
    Output rules;
    ASSERT_EQ(RunUdevRulesCommand({}, rules.out, rules.err), 0);
    EXPECT_EQ(rules.out.str().find("# mouse\n"), std::string::npos);
    EXPECT_EQ(device::InterfaceCatalogue()[2].vendorId, 0);
}

}  // namespace
