// Look-ups in the catalogue tables.

#include "device/catalogue.h"

#include <gtest/gtest.h>

#include <array>
#include <iterator>

#include "device/slot_list.h"

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

// Discovery, the device pages and the access rules all rely on these rows
// and their order: slot i of the main window is row i.
TEST(Catalogue, InterfaceRowsAndSlotsFollowTheFixedOrder) {
    struct Expected {
        uint16_t vid, pid, mi, col, kind, role, page, usage;
    };
    constexpr Expected kRows[] = {
        {0x0C45, 0x7666, 1, 4, 1, 0, 0xFF1C, 0x92}, {0x0C45, 0x7666, 1, 3, 1, 255, 0x0C, 1},
        {0x0000, 0x0000, 1, 4, 2, 0, 0xFF1C, 0x92}, {0x0000, 0x0000, 1, 3, 2, 255, 0x0C, 1},
        {0x0C45, 0x6627, 1, 4, 3, 0, 0xFF1C, 0x92}, {0x0C45, 0x6627, 1, 3, 3, 255, 0x0C, 1},
        {0x0D8C, 0x01DA, 3, 0, 7, 0, 0x0C, 1},
    };
    const device::CSlotList slots;
    ASSERT_EQ(slots.Size(), std::size(kRows));
    for (size_t i = 0; i < std::size(kRows); ++i) {
        const Expected& e = kRows[i];
        const device::InterfaceRecord& row = device::InterfaceCatalogue()[i];
        EXPECT_EQ(
            (std::array<uint16_t, 8>{row.vendorId, row.productId, row.interfaceNumber,
                                     row.collectionNumber, row.kind, row.role, row.usagePage,
                                     row.usage}),
            (std::array<uint16_t, 8>{e.vid, e.pid, e.mi, e.col, e.kind, e.role, e.page, e.usage}))
            << "row " << i;
        EXPECT_TRUE(row.path.empty() && row.connected == 0) << "row " << i;
        const auto slot = slots.Get(i);
        ASSERT_TRUE(slot);
        EXPECT_TRUE(slot->SameCollection(row) && slot->kind == row.kind && slot->role == row.role);
        EXPECT_TRUE(slot->path.empty() && slot->connected == 0);
    }
    EXPECT_FALSE(slots.Get(std::size(kRows)));
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
