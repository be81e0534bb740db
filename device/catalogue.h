#pragma once
// The compiled-in description of what the program supports: which HID
// interfaces belong to a supported device, which page and option entry a
// device family gets, and what the update check asks about. Every table is
// constant; the update table's version column is filled at run time in a copy
// owned by the update check.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace device {

// Device kinds, as used in every table.
inline constexpr uint16_t kKindKeyboard = 1;
inline constexpr uint16_t kKindMouse = 2;
inline constexpr uint16_t kKindMousePad = 3;
inline constexpr uint16_t kKindSlowMouse = 6;  // a mouse whose command channel is slow
inline constexpr uint16_t kKindHeadset = 7;

// Interface roles.
inline constexpr uint16_t kRoleCommand = 0;  // the vendor command interface (CDeviceChannel)
inline constexpr uint16_t kRoleEvent = 255;  // the event interface read by the input thread

// Type codes handed to device objects.
inline constexpr int32_t kTypeKeyboard = 0;
inline constexpr int32_t kTypeMouse = 1;
inline constexpr int32_t kTypeMousePad = 2;
inline constexpr int32_t kTypeHeadset = 3;

// Number of built-in lighting modes of a type code's family: modes 0 … n - 1
// are the family's own effects, and mode n + k plays custom light effect k of
// the family's light store. The mode list shown to the user has exactly n
// entries before the custom effects, so the name shown and the effect played
// are the same entry. 0 for an unknown type code.
int32_t BuiltInLightModes(int32_t typeCode);

// "keyboard", "mouse", "mousepad", "slow mouse", "headset", or "unknown".
const char* KindName(uint16_t kind);
// "command" or "event", or "unknown".
const char* RoleName(uint16_t role);

// The vendor command interface's top-level collection.
inline constexpr uint16_t kVendorUsagePage = 0xFF1C;
inline constexpr uint16_t kVendorUsage = 0x0092;

// One HID interface: a catalogue row, and the same record as a discovery slot.
struct InterfaceRecord {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t interfaceNumber = 0;
    uint16_t collectionNumber = 0;  // 0 when the path has no "&col" part
    uint16_t kind = 0;
    uint16_t role = 0;
    uint16_t connected = 0;  // 0 in the catalogue; 1 in a slot while present
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    uint16_t reserved[2] = {0, 0};  // partner link of a slot; 0 in every row
    std::string path;               // empty in the catalogue

    // Vendor, product, interface and collection equal.
    bool SameInterface(const InterfaceRecord& other) const;
    // The four above plus usage page and usage equal.
    bool SameCollection(const InterfaceRecord& other) const;
};

inline constexpr size_t kInterfaceCatalogueRows = 7;

// The interface catalogue, in its fixed order; slot i of discovery is row i.
const std::array<InterfaceRecord, kInterfaceCatalogueRows>& InterfaceCatalogue();

enum class RowMatch {
    Interface,   // vendor, product, interface number, collection number
    Collection,  // those four plus usage page and usage
};

// Index of the first row of rows equal to identity on the fields of match, or -1.
int FindInterfaceRow(const InterfaceRecord& identity, RowMatch match);
int FindInterfaceRow(const std::vector<InterfaceRecord>& rows, const InterfaceRecord& identity,
                     RowMatch match);

// Index of the first interface catalogue row with these four values, or -1.
int FindCatalogueIndex(uint16_t vendorId, uint16_t productId, uint16_t kind, uint16_t role);

// One device family's selection entry and profile folder.
struct DeviceOptionRow {
    std::string_view optionLayout;
    std::string_view headerName;
    std::string_view powerContainerName;
    std::string_view folderName;
    std::array<int32_t, 3> unused;  // carried by the table, read by nobody
    int32_t typeCode;
    uint16_t vendorId;
    uint16_t productId;
    uint16_t kind;
    uint16_t role;
};

// One device family's page; row i serves option row i.
struct DevicePageRow {
    int32_t ledCount;
    int32_t keyCount;
    int32_t extra;   // non-zero enables status polling
    int32_t fourth;  // -1 in every row
    std::string_view pageLayout;
    std::string_view lightStoreName;
};

inline constexpr size_t kDeviceFamilies = 4;

const std::array<DeviceOptionRow, kDeviceFamilies>& DeviceOptionTable();

// The mouse's rows: interface rows 2 and 3 and option row 0.
inline constexpr size_t kMouseCommandRow = 2;
inline constexpr size_t kMouseEventRow = 3;
inline constexpr size_t kMouseOptionRow = 0;
// Gives the mouse's rows a vendor, product and kind (2, or 6 for a mouse
// behind a slow link). Start-up only: before any thread reads the tables.
void SetMouseRows(uint16_t vendorId, uint16_t productId, uint16_t kind);
const std::array<DevicePageRow, kDeviceFamilies>& DevicePageTable();

// Index into the option and page tables for this exact quadruple, or -1.
int FindOptionRow(uint16_t vendorId, uint16_t productId, uint16_t kind, uint16_t role);

// One entry the update check asks the web service about.
struct UpdateEntry {
    int32_t code;
    int32_t flag;
    uint32_t version;  // 0 in the table; the attached device's version at run time
    std::string model;
    std::string project;
    std::string nameA;
    std::string nameB;
    std::string appVersion;
};

inline constexpr size_t kUpdateEntries = 4;

// A fresh copy of the update table with every version 0, for the caller to fill.
std::array<UpdateEntry, kUpdateEntries> UpdateTable();

}  // namespace device
