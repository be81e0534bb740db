#include "platform/hid/linux/collection_path.h"

#include <gtest/gtest.h>

using namespace platform::hid::linux_hid;

TEST(CollectionPath, CarriesEveryIdentityTokenInHexadecimal) {
    const std::string path = MakeCollectionPath("/dev/hidraw3", {0x0C45, 0x7666, 1, 4});
    EXPECT_EQ(path, "/dev/hidraw3&vid_0c45&pid_7666&mi_01&col04");
    // Collection numbers past 9 stay hexadecimal, as the path parser reads them.
    EXPECT_EQ(CollectionNumberOfPath(MakeCollectionPath("/dev/hidraw0", {1, 2, 0, 16})), 16);
}

TEST(CollectionPath, LeavesOutUnknownInterfaceAndSingleCollection) {
    EXPECT_EQ(MakeCollectionPath("/dev/hidraw7", {0x0D8C, 0x01DA, 3, 0}),
              "/dev/hidraw7&vid_0d8c&pid_01da&mi_03");
    EXPECT_EQ(MakeCollectionPath("/dev/hidraw7", {0x0D8C, 0x01DA, std::nullopt, 0}),
              "/dev/hidraw7&vid_0d8c&pid_01da");
}

TEST(CollectionPath, LeadsBackToItsNode) {
    EXPECT_EQ(NodeOfPath("/dev/hidraw12&vid_0c45&pid_7666&mi_01&col03"), "/dev/hidraw12");
    EXPECT_EQ(NodeOfPath("/dev/hidraw12"), "/dev/hidraw12");
    EXPECT_EQ(NodeOfPath("sim:\\\\?\\hid#vid_0c45"), "");
    EXPECT_EQ(NodeOfPath(""), "");
}

TEST(CollectionPath, ReadsTokensCaseInsensitively) {
    EXPECT_EQ(TokenValue("/dev/hidraw1&VID_0C45&PID_7666", "vid_"), 0x0C45u);
    EXPECT_EQ(CollectionNumberOfPath("/dev/hidraw1&vid_1&pid_2&COL0A"), 10);
    EXPECT_FALSE(TokenValue("/dev/hidraw1&vid_&pid_2", "vid_").has_value());
    EXPECT_EQ(CollectionNumberOfPath("/dev/hidraw1&vid_1&pid_2&mi_01"), 0);
    // A number that does not fit is no number, not a truncated one.
    EXPECT_EQ(CollectionNumberOfPath("/dev/hidraw1&col123456789"), 0);
}

TEST(HidId, ParsesBusVendorAndProduct) {
    uint16_t bus = 0, vendor = 0, product = 0;
    ASSERT_TRUE(ParseHidId("0003:00000C45:00007666", bus, vendor, product));
    EXPECT_EQ(bus, 3);
    EXPECT_EQ(vendor, 0x0C45);
    EXPECT_EQ(product, 0x7666);
}

TEST(HidId, RefusesMalformedText) {
    uint16_t bus = 0, vendor = 0, product = 0;
    EXPECT_FALSE(ParseHidId("", bus, vendor, product));
    EXPECT_FALSE(ParseHidId("0003:00000C45", bus, vendor, product));
    EXPECT_FALSE(ParseHidId("0003:00010C45:00007666", bus, vendor, product));
    EXPECT_FALSE(ParseHidId("0003::00007666", bus, vendor, product));
}

TEST(PhysInterface, TakesTheDecimalInputSuffix) {
    EXPECT_EQ(InterfaceFromPhys("usb-0000:00:14.0-2/input1"), 1);
    EXPECT_EQ(InterfaceFromPhys("veldmark-vm-headset/input12"), 12);
}

TEST(PhysInterface, HasNoneWithoutAWellFormedSuffix) {
    EXPECT_FALSE(InterfaceFromPhys("").has_value());
    EXPECT_FALSE(InterfaceFromPhys("usb-0000:00:14.0-2").has_value());
    EXPECT_FALSE(InterfaceFromPhys("usb-0000:00:14.0-2/input").has_value());
    EXPECT_FALSE(InterfaceFromPhys("bt/input1x").has_value());
    EXPECT_FALSE(InterfaceFromPhys("x/input99999999999").has_value());
}
