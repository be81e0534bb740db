#pragma once
// The HID report-descriptor parser shared by every backend, and the report
// operations the device layer needs to unpack reports (capabilities, button
// and value capabilities, "on" usages, raw and scaled values). It works on the
// descriptor bytes alone and includes no OS header.
//
// Conventions, matching hid_backend.h:
// - Top-level collections are numbered 0, 1, 2 ... in descriptor order here
//   (the path's "&col" number is that index + 1 when there are several).
// - A report buffer always starts with its report ID byte (0 when the
//   descriptor uses no report IDs); byte lengths include that byte, so a
//   collection without report IDs still counts one leading byte.
// - Bit offsets of fields count from the first data byte, i.e. bit 0 of
//   buffer byte 1.
//
// Parsing never reads outside the given bytes and never loops without bound: a
// malformed descriptor (truncated item, unbalanced collection or pop, nesting or
// counts beyond the limits below) gives an error, never a partial result.
//
// Threads: a parsed ReportDescriptor is immutable; any number of threads may
// call its const operations at once.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::hid {

enum class ReportType : uint8_t { Input = 0, Output = 1, Feature = 2 };

// Outcome of a report operation, named after the statuses of the usual HID
// parser API so that callers can store them as they are.
enum class HidStatus {
    Success,
    UsageNotFound,         // no such usage (or usage page) in this collection and report type
    IncompatibleReportId,  // the usage exists, but not in the report whose ID is in byte 0
    InvalidReportLength,   // the buffer is shorter than the report it claims to be
    InvalidCollection,     // collection index out of range
    BadLogPhyValues,       // scaling impossible: logical or physical range empty or inverted
    Null,                  // the field holds its null state (outside the logical range)
    ValueOutOfRange,       // outside the logical range and the field has no null state
};
const char* HidStatusName(HidStatus status);

// Limits that bound the work on hostile input.
inline constexpr int kMaxCollectionDepth = 32;
inline constexpr int kMaxPushDepth = 16;
inline constexpr int kMaxCollections = 256;           // all collections, nested ones included
inline constexpr int kMaxFields = 4096;               // main items carrying data or padding
inline constexpr int kMaxLocalUsages = 1024;          // usages/ranges queued before one main item
inline constexpr uint32_t kMaxReportBits = 8192 * 8;  // data bits of one report
inline constexpr uint32_t kMaxFieldBits = 1024;       // Report Size of one field

struct ParseError {
    size_t offset = 0;  // byte offset of the item that failed
    std::string message;
};

// One usage entry of a field: a single usage (min == max) or a range.
// Extended (4-byte) usages carry their own page.
struct UsageEntry {
    uint16_t page = 0;
    uint16_t min = 0;
    uint16_t max = 0;
    bool isRange = false;
};

// One main item (Input, Output or Feature) as it lies in its report.
struct ReportField {
    ReportType type = ReportType::Input;
    uint8_t reportId = 0;
    int collection = 0;           // top-level collection index
    uint16_t linkCollection = 0;  // 0 = the top-level collection itself, else nested node number
    uint16_t linkUsagePage = 0;
    uint16_t linkUsage = 0;
    uint32_t bitOffset = 0;  // from the first data byte (buffer byte 1)
    uint16_t bitSize = 0;    // Report Size
    uint16_t reportCount = 0;
    uint16_t flags = 0;  // the main item's data bits (bit 0 constant, bit 1 variable, ...)
    // A maximum written as unsigned in too few bytes (Logical Maximum 255 as
    // the one byte FF) is taken as unsigned when its minimum is not negative.
    int32_t logicalMin = 0;
    int32_t logicalMax = 0;
    int32_t physicalMin = 0;
    int32_t physicalMax = 0;
    uint32_t unit = 0;
    int8_t unitExponent = 0;
    std::vector<UsageEntry> usages;  // in declaration order; empty for padding

    bool IsConstant() const { return (flags & 0x01) != 0; }
    bool IsVariable() const { return (flags & 0x02) != 0; }
    bool IsArray() const { return !IsVariable(); }
    bool IsAbsolute() const { return (flags & 0x04) == 0; }
    bool HasNull() const { return (flags & 0x40) != 0; }
    // Arrays and one-bit variables hold on/off usages; everything else holds values.
    bool IsButton() const { return IsArray() || bitSize == 1; }
    // The usage of element `index` (0-based): for a variable field the index
    // walks the usage list and the last usage repeats; for an array it is the
    // array index (value − logical minimum). False when there is none.
    bool UsageAt(uint32_t index, uint16_t& page, uint16_t& usage) const;
    // Number of usages the entries expand to.
    uint32_t UsageCount() const;
};

struct TopLevelCollection {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    std::vector<uint8_t> reportIds;      // sorted, distinct, all report types; empty without IDs
    uint16_t inputReportByteLength = 0;  // longest input report incl. the ID byte; 0 if none
    uint16_t outputReportByteLength = 0;
    uint16_t featureReportByteLength = 0;
    uint16_t linkCollectionNodes = 1;  // the collection itself plus nested ones
};

// Summary of one top-level collection (what HidP_GetCaps gives).
struct Caps {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    uint16_t inputReportByteLength = 0;
    uint16_t outputReportByteLength = 0;
    uint16_t featureReportByteLength = 0;
    uint16_t numberLinkCollectionNodes = 0;
    uint16_t numberInputButtonCaps = 0;
    uint16_t numberInputValueCaps = 0;
    uint16_t numberOutputButtonCaps = 0;
    uint16_t numberOutputValueCaps = 0;
    uint16_t numberFeatureButtonCaps = 0;
    uint16_t numberFeatureValueCaps = 0;

    uint16_t ReportByteLength(ReportType type) const;
    uint16_t ButtonCapsCount(ReportType type) const;
    uint16_t ValueCapsCount(ReportType type) const;
};

// One button capability: a usage range, or a single usage (usageMin == usageMax,
// isRange false). A field whose usages form a list gives one capability per entry.
struct ButtonCaps {
    uint16_t usagePage = 0;
    uint8_t reportId = 0;
    bool isRange = false;
    uint16_t usageMin = 0;
    uint16_t usageMax = 0;
    uint16_t linkCollection = 0;
    uint16_t linkUsagePage = 0;
    uint16_t linkUsage = 0;
    uint16_t bitField = 0;  // the main item's flags
    bool isAbsolute = true;
    bool isArray = false;  // array-style (selector) rather than one bit per usage
    uint16_t reportCount = 0;
    uint32_t bitOffset = 0;
    int32_t logicalMin = 0;
    int32_t logicalMax = 0;

    uint16_t Usage() const { return usageMin; }
};

struct ValueCaps {
    uint16_t usagePage = 0;
    uint8_t reportId = 0;
    bool isRange = false;
    uint16_t usageMin = 0;
    uint16_t usageMax = 0;
    uint16_t linkCollection = 0;
    uint16_t linkUsagePage = 0;
    uint16_t linkUsage = 0;
    uint16_t bitField = 0;
    bool isAbsolute = true;
    bool hasNull = false;
    uint16_t bitSize = 0;
    uint16_t reportCount = 0;  // elements for this usage (range: 1 per usage)
    uint32_t bitOffset = 0;    // of the first element
    int32_t logicalMin = 0;
    int32_t logicalMax = 0;
    int32_t physicalMin = 0;
    int32_t physicalMax = 0;
    uint32_t units = 0;
    int8_t unitsExponent = 0;

    uint16_t Usage() const { return usageMin; }
};

class ReportDescriptor {
  public:
    ReportDescriptor() = default;

    // Parses a whole interface's descriptor. Returns nothing (and fills error
    // when given) for a malformed descriptor.
    static std::optional<ReportDescriptor> Parse(const uint8_t* data, size_t size,
                                                 ParseError* error = nullptr);
    static std::optional<ReportDescriptor> Parse(const std::vector<uint8_t>& bytes,
                                                 ParseError* error = nullptr) {
        return Parse(bytes.data(), bytes.size(), error);
    }

    const std::vector<TopLevelCollection>& Collections() const { return m_collections; }
    const std::vector<ReportField>& Fields() const { return m_fields; }
    bool UsesReportIds() const { return m_usesReportIds; }

    // The top-level collection that owns the report of this type and ID (ID 0
    // when the descriptor uses none); −1 when no collection declares it.
    int CollectionForReport(ReportType type, uint8_t reportId) const;
    // Byte length of one report (ID byte included); 0 when it does not exist.
    uint16_t ReportByteLength(ReportType type, uint8_t reportId) const;

    // Capabilities of one collection; status InvalidCollection for a bad index.
    HidStatus GetCaps(int collection, Caps& caps) const;
    std::vector<ButtonCaps> GetButtonCaps(ReportType type, int collection) const;
    std::vector<ValueCaps> GetValueCaps(ReportType type, int collection) const;

    // Most usages GetUsages can return for this page (0 = every page).
    uint32_t MaxUsageListLength(ReportType type, int collection, uint16_t usagePage) const;

    // The usages of usagePage that are "on" in report (array selections and set
    // bits), in field order. report[0] selects the report ID.
    HidStatus GetUsages(ReportType type, int collection, uint16_t usagePage, const uint8_t* report,
                        size_t length, std::vector<uint16_t>& usages) const;
    // Raw bits of a value usage (zero-extended; the first element of a value
    // array; fields wider than 32 bits give their low 32 bits).
    HidStatus GetUsageValue(ReportType type, int collection, uint16_t usagePage, uint16_t usage,
                            const uint8_t* report, size_t length, uint32_t& value) const;
    // The value mapped from its logical range onto its physical range. A field
    // that declares no physical range (both 0) uses its logical range, so its
    // scaled value is its signed logical value; an empty or inverted range gives
    // BadLogPhyValues, a value outside the logical range Null or ValueOutOfRange.
    HidStatus GetScaledUsageValue(ReportType type, int collection, uint16_t usagePage,
                                  uint16_t usage, const uint8_t* report, size_t length,
                                  int32_t& value) const;

  private:
    friend class DescriptorParser;

    // Finds the value field and element index for a usage; status as GetUsageValue.
    HidStatus FindValue(ReportType type, int collection, uint16_t usagePage, uint16_t usage,
                        const uint8_t* report, size_t length, const ReportField*& field,
                        uint32_t& element) const;

    std::vector<TopLevelCollection> m_collections;
    std::vector<ReportField> m_fields;
    bool m_usesReportIds = false;
};

// Reads `bits` bits (at most 32) at bit position `bitOffset` of buffer, least
// significant bit first; bits beyond `length` bytes read as 0.
uint32_t ExtractBits(const uint8_t* buffer, size_t length, uint32_t bitOffset, uint32_t bits);

}  // namespace platform::hid
