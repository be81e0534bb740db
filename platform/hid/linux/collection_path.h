#pragma once
// Paths of the collections the hidraw adapter reports. One hidraw node carries
// every top-level collection of a HID interface; each collection gets its own
// path made of the node followed by the identity tokens that discovery parses:
//
//     /dev/hidraw3&vid_0c45&pid_7666&mi_01&col04
//
// "&mi_" is left out when the interface number is unknown, "&col" when the
// node has a single collection. Numbers are hexadecimal, as in the device
// paths of other systems, so that one parser serves every backend.

#include <cstdint>
#include <optional>
#include <string>

namespace platform::hid::linux_hid {

struct CollectionPathParts {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::optional<uint16_t> interfaceNumber;  // none: not known for this node
    uint16_t collectionNumber = 0;            // 1-based; 0 when the node has one collection
};

std::string MakeCollectionPath(const std::string& devnode, const CollectionPathParts& parts);

// The node part of a collection path ("/dev/hidraw3"): everything before the
// first '&'. Empty when the path does not start with an absolute node path.
std::string NodeOfPath(const std::string& path);

// The hexadecimal number right after token ("vid_", "pid_", "&mi_", "&col"),
// searched case-insensitively; none when the token or its digits are missing.
std::optional<uint32_t> TokenValue(const std::string& path, const std::string& token);

// The collection number of a path ("&col" token, hexadecimal, case-insensitive),
// 0 when the token is absent or carries no number.
uint16_t CollectionNumberOfPath(const std::string& path);

// Parses the HID_ID value of a hid device's uevent ("0003:00000C45:00007666"):
// bus, vendor and product. False when the text does not have that shape.
bool ParseHidId(const std::string& text, uint16_t& bus, uint16_t& vendor, uint16_t& product);

// The interface number carried by a physical path's "/inputN" suffix
// ("usb-0000:00:14.0-1/input1" gives 1); none without such a suffix.
std::optional<uint16_t> InterfaceFromPhys(const std::string& phys);

}  // namespace platform::hid::linux_hid
