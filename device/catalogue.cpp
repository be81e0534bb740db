#include "device/catalogue.h"

namespace device {
namespace {

InterfaceRecord Row(uint16_t vendorId, uint16_t productId, uint16_t interfaceNumber,
                    uint16_t collectionNumber, uint16_t kind, uint16_t role, uint16_t usagePage,
                    uint16_t usage) {
    InterfaceRecord row;
    row.vendorId = vendorId;
    row.productId = productId;
    row.interfaceNumber = interfaceNumber;
    row.collectionNumber = collectionNumber;
    row.kind = kind;
    row.role = role;
    row.usagePage = usagePage;
    row.usage = usage;
    return row;
}

bool Matches(const InterfaceRecord& row, const InterfaceRecord& identity, RowMatch match) {
    return match == RowMatch::Interface ? row.SameInterface(identity)
                                        : row.SameCollection(identity);
}

template <typename Rows>
int FindIn(const Rows& rows, const InterfaceRecord& identity, RowMatch match) {
    for (size_t i = 0; i < rows.size(); ++i) {
        if (Matches(rows[i], identity, match)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

constexpr std::string_view kOptionLayout = "XML\\CustomControlXML\\DeviceOption.xml";
constexpr std::string_view kHeaderName = "tab_header_device";
constexpr std::string_view kPowerContainer = "device_power_switch";

}  // namespace

int32_t BuiltInLightModes(int32_t typeCode) {
    switch (typeCode) {
        case kTypeKeyboard:
            return 30;  // 0-29: the keyboard's preview plays its own effect up to mode 29
        case kTypeMouse:
        case kTypeMousePad:
        case kTypeHeadset:
            return 9;  // 0-8
        default:
            return 0;
    }
}

const char* KindName(uint16_t kind) {
    switch (kind) {
        case kKindKeyboard:
            return "keyboard";
        case kKindMouse:
            return "mouse";
        case kKindMousePad:
            return "mousepad";
        case kKindSlowMouse:
            return "slow mouse";
        case kKindHeadset:
            return "headset";
        default:
            return "unknown";
    }
}

const char* RoleName(uint16_t role) {
    switch (role) {
        case kRoleCommand:
            return "command";
        case kRoleEvent:
            return "event";
        default:
            return "unknown";
    }
}

bool InterfaceRecord::SameInterface(const InterfaceRecord& other) const {
    return vendorId == other.vendorId && productId == other.productId &&
           interfaceNumber == other.interfaceNumber && collectionNumber == other.collectionNumber;
}

bool InterfaceRecord::SameCollection(const InterfaceRecord& other) const {
    return SameInterface(other) && usagePage == other.usagePage && usage == other.usage;
}

namespace {

// The catalogue's storage: constant once start-up has given the mouse rows
// their identity (ApplyMouseIdentity).
std::array<InterfaceRecord, kInterfaceCatalogueRows>& InterfaceRows() {
    static std::array<InterfaceRecord, kInterfaceCatalogueRows> rows = {
        Row(0x0C45, 0x7666, 1, 4, kKindKeyboard, kRoleCommand, kVendorUsagePage, kVendorUsage),
        Row(0x0C45, 0x7666, 1, 3, kKindKeyboard, kRoleEvent, 0x000C, 0x0001),
        // The mouse rows name no real identifiers yet, so nothing attached matches them.
        Row(0x0000, 0x0000, 1, 4, kKindMouse, kRoleCommand, kVendorUsagePage, kVendorUsage),
        Row(0x0000, 0x0000, 1, 3, kKindMouse, kRoleEvent, 0x000C, 0x0001),
        Row(0x0C45, 0x6627, 1, 4, kKindMousePad, kRoleCommand, kVendorUsagePage, kVendorUsage),
        Row(0x0C45, 0x6627, 1, 3, kKindMousePad, kRoleEvent, 0x000C, 0x0001),
        Row(0x0D8C, 0x01DA, 3, 0, kKindHeadset, kRoleCommand, 0x000C, 0x0001),
    };
    return rows;
}

}  // namespace

const std::array<InterfaceRecord, kInterfaceCatalogueRows>& InterfaceCatalogue() {
    return InterfaceRows();
}

int FindInterfaceRow(const InterfaceRecord& identity, RowMatch match) {
    return FindIn(InterfaceCatalogue(), identity, match);
}

int FindInterfaceRow(const std::vector<InterfaceRecord>& rows, const InterfaceRecord& identity,
                     RowMatch match) {
    return FindIn(rows, identity, match);
}

int FindCatalogueIndex(uint16_t vendorId, uint16_t productId, uint16_t kind, uint16_t role) {
    const auto& rows = InterfaceCatalogue();
    for (size_t i = 0; i < rows.size(); ++i) {
        const InterfaceRecord& row = rows[i];
        if (row.vendorId == vendorId && row.productId == productId && row.kind == kind &&
            row.role == role) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

namespace {

std::array<DeviceOptionRow, kDeviceFamilies>& OptionRows() {
    static std::array<DeviceOptionRow, kDeviceFamilies> rows = {{
        {kOptionLayout,
         kHeaderName,
         kPowerContainer,
         "mouse",
         {0, 0, 0},
         kTypeMouse,
         0x0000,
         0x0000,
         kKindMouse,
         kRoleCommand},
        {kOptionLayout,
         kHeaderName,
         kPowerContainer,
         "keyboard",
         {1, 1, -1},
         kTypeKeyboard,
         0x0C45,
         0x7666,
         kKindKeyboard,
         kRoleCommand},
        {kOptionLayout,
         kHeaderName,
         kPowerContainer,
         "MousePad",
         {2, 2, 1},
         kTypeMousePad,
         0x0C45,
         0x6627,
         kKindMousePad,
         kRoleCommand},
        {kOptionLayout,
         kHeaderName,
         kPowerContainer,
         "HD",
         {3, 3, -1},
         kTypeHeadset,
         0x0D8C,
         0x01DA,
         kKindHeadset,
         kRoleCommand},
    }};
    return rows;
}

}  // namespace

const std::array<DeviceOptionRow, kDeviceFamilies>& DeviceOptionTable() {
    return OptionRows();
}

void SetMouseRows(uint16_t vendorId, uint16_t productId, uint16_t kind) {
    for (size_t row : {kMouseCommandRow, kMouseEventRow}) {
        InterfaceRows()[row].vendorId = vendorId;
        InterfaceRows()[row].productId = productId;
        InterfaceRows()[row].kind = kind;
    }
    OptionRows()[kMouseOptionRow].vendorId = vendorId;
    OptionRows()[kMouseOptionRow].productId = productId;
    OptionRows()[kMouseOptionRow].kind = kind;
}

const std::array<DevicePageRow, kDeviceFamilies>& DevicePageTable() {
    static constexpr std::array<DevicePageRow, kDeviceFamilies> rows = {{
        {6, 7, 0, -1, "XML\\DeviceXml\\mousedevice.xml", "orvix_light"},
        {126, 126, 0, -1, "XML\\DeviceXml\\keyboarddevice.xml", "orvix_light"},
        {15, 0, 0, -1, "XML\\DeviceXml\\mousepaddevice.xml", "orvix_light"},
        {13, 0, 0, -1, "XML\\DeviceXml\\hs6533device.xml", "orvix_light"},
    }};
    return rows;
}

int FindOptionRow(uint16_t vendorId, uint16_t productId, uint16_t kind, uint16_t role) {
    const auto& rows = DeviceOptionTable();
    for (size_t i = 0; i < rows.size(); ++i) {
        const DeviceOptionRow& row = rows[i];
        if (row.vendorId == vendorId && row.productId == productId && row.kind == kind &&
            row.role == role) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::array<UpdateEntry, kUpdateEntries> UpdateTable() {
    return {{
        {1, 1, 0, "VK-R20", "HN52R55B", "PL7", "PL7", ""},
        {1, 1, 0, "VK-R20", "HN52R48B", "VK-R20", "VK-R20", ""},
        {2, 1, 0, "VK-R20", "HN52R31B_1", "Q38", "Q38", ""},
        {0, 1, 0, "VK-R20", "ALL", "Q38_PL7_PL2", "AP", "V1000.02"},
    }};
}

}  // namespace device
