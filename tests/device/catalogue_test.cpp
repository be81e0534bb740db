// Look-ups in the catalogue tables.

#include "device/catalogue.h"

#include <gtest/gtest.h>

namespace {

device::InterfaceRecord Identity(uint16_t vid, uint16_t pid, uint16_t mi, uint16_t col,
                                 uint16_t page = 0, uint16_t usage = 0) {
    device::InterfaceRecord record;
    record.vendorId = vid;
    record.productId = pid;
    record.interfaceNumber = mi;
    record.collectionNumber = col;
    record.usagePage = page;
    record.usage = usage;
    return record;
}

TEST(Catalogue, InterfaceRowsMatchOnFourOrSixValues) {
    using device::RowMatch;
    EXPECT_EQ(device::FindInterfaceRow(Identity(0x0C45, 0x7666, 1, 4), RowMatch::Interface), 0);
    EXPECT_EQ(device::FindInterfaceRow(Identity(0x0C45, 0x7666, 1, 4), RowMatch::Collection), -1);
    EXPECT_EQ(device::FindInterfaceRow(Identity(0x0C45, 0x7666, 1, 4, 0xFF1C, 0x92),
                                       RowMatch::Collection),
              0);
    EXPECT_EQ(
        device::FindInterfaceRow(Identity(0x0C45, 0x7666, 1, 3, 0x0C, 1), RowMatch::Collection), 1);
    // Right collection number, wrong usage: the keyboard's vendor slot is not for it.
    EXPECT_EQ(
        device::FindInterfaceRow(Identity(0x0C45, 0x7666, 1, 4, 0x0C, 1), RowMatch::Collection),
        -1);
    EXPECT_EQ(device::FindInterfaceRow(Identity(0x0C45, 0x7666, 2, 4), RowMatch::Interface), -1);
    EXPECT_EQ(
        device::FindInterfaceRow(Identity(0x0D8C, 0x01DA, 3, 0, 0x0C, 1), RowMatch::Collection), 6);
}

TEST(Catalogue, FamilyLookupsNeedTheExactQuadruple) {
    EXPECT_EQ(device::FindOptionRow(0x0C45, 0x7666, device::kKindKeyboard, 0), 1);
    EXPECT_EQ(device::FindOptionRow(0x0C45, 0x7666, device::kKindKeyboard, 255), -1);
    EXPECT_EQ(device::FindOptionRow(0, 0, device::kKindMouse, 0), 0);
    EXPECT_EQ(device::FindOptionRow(0, 0, device::kKindSlowMouse, 0), -1);
    EXPECT_EQ(device::FindOptionRow(0x0D8C, 0x01DA, device::kKindHeadset, 0), 3);
    EXPECT_EQ(device::FindCatalogueIndex(0x0C45, 0x6627, device::kKindMousePad, 255), 5);
    EXPECT_EQ(device::FindCatalogueIndex(0x0C45, 0x6627, device::kKindKeyboard, 0), -1);
    // Page row i serves option row i.
    EXPECT_EQ(device::DevicePageTable()[1].keyCount, 126);
    EXPECT_EQ(device::DeviceOptionTable()[2].folderName, "MousePad");
}

TEST(Catalogue, UpdateTableCopiesAreIndependent) {
    auto first = device::UpdateTable();
    first[0].version = 0x0105;
    const auto second = device::UpdateTable();
    EXPECT_EQ(second[0].version, 0u);
    EXPECT_EQ(second[3].appVersion, "V1000.02");
}

}  // namespace
