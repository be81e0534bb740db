#include "platform/hid/report_descriptor.h"

#include <algorithm>
#include <array>
#include <map>

namespace platform::hid {

namespace {

constexpr uint8_t kLongItemPrefix = 0xFE;

enum ItemType : uint8_t { kMain = 0, kGlobal = 1, kLocal = 2, kReserved = 3 };

enum MainTag : uint8_t {
    kInput = 0x8,
    kOutput = 0x9,
    kCollection = 0xA,
    kFeature = 0xB,
    kEndCollection = 0xC
};

enum GlobalTag : uint8_t {
    kUsagePage = 0x0,
    kLogicalMin = 0x1,
    kLogicalMax = 0x2,
    kPhysicalMin = 0x3,
    kPhysicalMax = 0x4,
    kUnitExponent = 0x5,
    kUnit = 0x6,
    kReportSize = 0x7,
    kReportId = 0x8,
    kReportCount = 0x9,
    kPush = 0xA,
    kPop = 0xB
};

enum LocalTag : uint8_t { kUsage = 0x0, kUsageMin = 0x1, kUsageMax = 0x2, kDelimiter = 0xA };

struct Globals {
    uint16_t usagePage = 0;
    int32_t logicalMin = 0;
    int32_t logicalMax = 0;
    uint32_t logicalMaxRaw = 0;
    uint8_t logicalMaxSize = 0;
    int32_t physicalMin = 0;
    int32_t physicalMax = 0;
    uint32_t physicalMaxRaw = 0;
    uint8_t physicalMaxSize = 0;
    int8_t unitExponent = 0;
    uint32_t unit = 0;
    uint32_t reportSize = 0;
    uint8_t reportId = 0;
    uint32_t reportCount = 0;
};

// A usage as written in a local item: the page is known only for 4-byte usages.
struct LocalUsage {
    uint16_t usage = 0;
    uint16_t page = 0;
    bool hasPage = false;
};

struct OpenCollection {
    uint16_t node = 0;  // link collection number inside its top-level collection
    uint16_t usagePage = 0;
    uint16_t usage = 0;
};

size_t TypeIndex(ReportType type) {
    return static_cast<size_t>(type);
}

// A logical or physical maximum written as an unsigned number in too few bytes
// (Logical Maximum 255 as the single byte FF) reads as negative; take it as
// unsigned when the minimum is not negative, as devices mean it.
int32_t FixMaximum(int32_t min, int32_t max, uint32_t raw, uint8_t size) {
    if (min >= 0 && max < 0 && size > 0 && size < 4) {
        return static_cast<int32_t>(raw);
    }
    return max;
}

int32_t SignExtend(uint32_t value, uint32_t bits) {
    if (bits == 0 || bits >= 32) {
        return static_cast<int32_t>(value);
    }
    const uint32_t sign = 1u << (bits - 1);
    return static_cast<int32_t>((value ^ sign) - sign);
}

// Calls fn(entry, firstElement, elementCount) for each usage entry of a
// variable field that covers at least one element; the last entry takes the
// elements left over.
template <typename Fn>
void ForEachVariableEntry(const ReportField& field, Fn fn) {
    uint32_t element = 0;
    for (size_t k = 0; k < field.usages.size() && element < field.reportCount; ++k) {
        const UsageEntry& e = field.usages[k];
        uint32_t n = static_cast<uint32_t>(e.max - e.min) + 1;
        n = std::min(n, field.reportCount - element);
        const bool last = k + 1 == field.usages.size();
        const uint32_t extra = last ? field.reportCount - element - n : 0;
        fn(e, element, n, extra);
        element += n;
    }
}

}  // namespace

const char* HidStatusName(HidStatus status) {
    switch (status) {
        case HidStatus::Success:
            return "Success";
        case HidStatus::UsageNotFound:
            return "UsageNotFound";
        case HidStatus::IncompatibleReportId:
            return "IncompatibleReportId";
        case HidStatus::InvalidReportLength:
            return "InvalidReportLength";
        case HidStatus::InvalidCollection:
            return "InvalidCollection";
        case HidStatus::BadLogPhyValues:
            return "BadLogPhyValues";
        case HidStatus::Null:
            return "Null";
        case HidStatus::ValueOutOfRange:
            return "ValueOutOfRange";
    }
    return "?";
}

uint32_t ExtractBits(const uint8_t* buffer, size_t length, uint32_t bitOffset, uint32_t bits) {
    bits = std::min<uint32_t>(bits, 32);
    uint32_t value = 0;
    for (uint32_t i = 0; i < bits; ++i) {
        const uint64_t bit = static_cast<uint64_t>(bitOffset) + i;
        const uint64_t byte = bit / 8;
        if (byte >= length) {
            break;
        }
        if ((buffer[byte] >> (bit % 8)) & 1u) {
            value |= 1u << i;
        }
    }
    return value;
}

uint32_t ReportField::UsageCount() const {
    uint32_t count = 0;
    for (const UsageEntry& e : usages) {
        count += static_cast<uint32_t>(e.max - e.min) + 1;
    }
    return count;
}

bool ReportField::UsageAt(uint32_t index, uint16_t& page, uint16_t& usage) const {
    for (const UsageEntry& e : usages) {
        const uint32_t n = static_cast<uint32_t>(e.max - e.min) + 1;
        if (index < n) {
            page = e.page;
            usage = static_cast<uint16_t>(e.min + index);
            return true;
        }
        index -= n;
    }
    if (IsVariable() && !usages.empty()) {
        page = usages.back().page;
        usage = usages.back().max;
        return true;
    }
    return false;
}

uint16_t Caps::ReportByteLength(ReportType type) const {
    switch (type) {
        case ReportType::Input:
            return inputReportByteLength;
        case ReportType::Output:
            return outputReportByteLength;
        case ReportType::Feature:
            return featureReportByteLength;
    }
    return 0;
}

uint16_t Caps::ButtonCapsCount(ReportType type) const {
    switch (type) {
        case ReportType::Input:
            return numberInputButtonCaps;
        case ReportType::Output:
            return numberOutputButtonCaps;
        case ReportType::Feature:
            return numberFeatureButtonCaps;
    }
    return 0;
}

uint16_t Caps::ValueCapsCount(ReportType type) const {
    switch (type) {
        case ReportType::Input:
            return numberInputValueCaps;
        case ReportType::Output:
            return numberOutputValueCaps;
        case ReportType::Feature:
            return numberFeatureValueCaps;
    }
    return 0;
}

// Walks the items once, keeping the global and local state and the bit
// position of every report, and fills a ReportDescriptor.
class DescriptorParser {
  public:
    DescriptorParser(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool Run(ReportDescriptor& out, ParseError& error) {
        size_t pos = 0;
        while (pos < m_size) {
            m_itemOffset = pos;
            if (!Item(pos)) {
                error = {m_itemOffset, m_error};
                return false;
            }
        }
        if (!Finish()) {
            error = {m_size, m_error};
            return false;
        }
        out = std::move(m_out);
        return true;
    }

  private:
    bool Fail(const char* message) {
        m_error = message;
        return false;
    }

    bool Item(size_t& pos) {
        const uint8_t prefix = m_data[pos];
        if (prefix == kLongItemPrefix) {
            // Long items carry no meaning for report layout; skip them whole.
            if (m_size - pos < 3) {
                return Fail("truncated long item");
            }
            const size_t length = m_data[pos + 1];
            if (m_size - pos - 3 < length) {
                return Fail("truncated long item");
            }
            pos += 3 + length;
            return true;
        }
        const uint8_t sizeCode = prefix & 0x03;
        const size_t n = sizeCode == 3 ? 4 : sizeCode;
        if (m_size - pos - 1 < n) {
            return Fail("truncated item");
        }
        uint32_t value = 0;
        for (size_t i = 0; i < n; ++i) {
            value |= static_cast<uint32_t>(m_data[pos + 1 + i]) << (8 * i);
        }
        pos += 1 + n;
        const uint8_t type = (prefix >> 2) & 0x03;
        const uint8_t tag = prefix >> 4;
        switch (type) {
            case kMain:
                return Main(tag, value);
            case kGlobal:
                return Global(tag, value, static_cast<uint8_t>(n));
            case kLocal:
                return Local(tag, value, static_cast<uint8_t>(n));
            default:
                return Fail("reserved item type");
        }
    }

    static int32_t Signed(uint32_t value, uint8_t size) { return SignExtend(value, size * 8u); }

    bool Global(uint8_t tag, uint32_t value, uint8_t size) {
        Globals& g = m_globals;
        switch (tag) {
            case kUsagePage:
                g.usagePage = static_cast<uint16_t>(value);
                return true;
            case kLogicalMin:
                g.logicalMin = Signed(value, size);
                return true;
            case kLogicalMax:
                g.logicalMax = Signed(value, size);
                g.logicalMaxRaw = value;
                g.logicalMaxSize = size;
                return true;
            case kPhysicalMin:
                g.physicalMin = Signed(value, size);
                return true;
            case kPhysicalMax:
                g.physicalMax = Signed(value, size);
                g.physicalMaxRaw = value;
                g.physicalMaxSize = size;
                return true;
            case kUnitExponent:
                // Normally a 4-bit signed nibble; wider encodings are taken as signed numbers.
                g.unitExponent = static_cast<int8_t>(
                    size == 1 && value < 16 ? SignExtend(value, 4)
                                            : std::clamp(Signed(value, size), -128, 127));
                return true;
            case kUnit:
                g.unit = value;
                return true;
            case kReportSize:
                if (value > kMaxFieldBits) {
                    return Fail("report size too large");
                }
                g.reportSize = value;
                return true;
            case kReportId:
                if (value == 0 || value > 0xFF) {
                    return Fail("invalid report ID");
                }
                g.reportId = static_cast<uint8_t>(value);
                m_out.m_usesReportIds = true;
                return true;
            case kReportCount:
                if (value > 0xFFFF) {
                    return Fail("report count too large");
                }
                g.reportCount = value;
                return true;
            case kPush:
                if (m_stack.size() >= static_cast<size_t>(kMaxPushDepth)) {
                    return Fail("push nesting too deep");
                }
                m_stack.push_back(g);
                return true;
            case kPop:
                if (m_stack.empty()) {
                    return Fail("pop without push");
                }
                g = m_stack.back();
                m_stack.pop_back();
                return true;
            default:
                return Fail("reserved global item");
        }
    }

    bool Local(uint8_t tag, uint32_t value, uint8_t size) {
        LocalUsage usage;
        usage.usage = static_cast<uint16_t>(value);
        usage.hasPage = size == 4;
        usage.page = static_cast<uint16_t>(value >> 16);
        switch (tag) {
            case kUsage:
                if (m_inDelimiter && m_delimiterUsed) {
                    return true;  // alternative usages of a delimited set: keep the first
                }
                m_delimiterUsed = m_inDelimiter;
                m_usages.push_back(usage);
                m_isRange.push_back(false);
                m_rangeEnds.push_back(usage);
                return CheckLocalCount();
            case kUsageMin:
                m_min = usage;
                m_hasMin = true;
                return CloseRange();
            case kUsageMax:
                m_max = usage;
                m_hasMax = true;
                return CloseRange();
            case kDelimiter:
                if (value == 1) {
                    if (m_inDelimiter) {
                        return Fail("nested delimiter");
                    }
                    m_inDelimiter = true;
                    m_delimiterUsed = false;
                } else if (value == 0) {
                    if (!m_inDelimiter) {
                        return Fail("delimiter close without open");
                    }
                    m_inDelimiter = false;
                } else {
                    return Fail("invalid delimiter");
                }
                return true;
            default:
                return true;  // designators and strings do not affect the layout
        }
    }

    bool CloseRange() {
        if (!m_hasMin || !m_hasMax) {
            return true;
        }
        if (m_max.usage < m_min.usage) {
            return Fail("usage maximum below usage minimum");
        }
        m_usages.push_back(m_min);
        m_isRange.push_back(true);
        m_rangeEnds.push_back(m_max);
        m_hasMin = m_hasMax = false;
        return CheckLocalCount();
    }

    bool CheckLocalCount() {
        if (m_usages.size() > static_cast<size_t>(kMaxLocalUsages)) {
            return Fail("too many usages");
        }
        return true;
    }

    void ClearLocals() {
        m_usages.clear();
        m_isRange.clear();
        m_rangeEnds.clear();
        m_hasMin = m_hasMax = false;
        m_inDelimiter = false;
    }

    UsageEntry Entry(size_t k) const {
        UsageEntry e;
        const LocalUsage& first = m_usages[k];
        e.page = first.hasPage ? first.page : m_globals.usagePage;
        e.min = first.usage;
        e.max = m_rangeEnds[k].usage;
        e.isRange = m_isRange[k];
        return e;
    }

    bool Main(uint8_t tag, uint32_t value) {
        switch (tag) {
            case kInput:
                return Field(ReportType::Input, value);
            case kOutput:
                return Field(ReportType::Output, value);
            case kFeature:
                return Field(ReportType::Feature, value);
            case kCollection:
                return BeginCollection();
            case kEndCollection:
                if (m_open.empty()) {
                    return Fail("end collection without collection");
                }
                m_open.pop_back();
                ClearLocals();
                return true;
            default:
                return Fail("reserved main item");
        }
    }

    bool BeginCollection() {
        if (m_open.size() >= static_cast<size_t>(kMaxCollectionDepth)) {
            return Fail("collections nested too deep");
        }
        if (++m_collectionCount > kMaxCollections) {
            return Fail("too many collections");
        }
        OpenCollection c;
        if (!m_usages.empty()) {
            const UsageEntry e = Entry(0);
            c.usagePage = e.page;
            c.usage = e.min;
        }
        if (m_open.empty()) {
            TopLevelCollection top;
            top.usagePage = c.usagePage;
            top.usage = c.usage;
            m_out.m_collections.push_back(top);
            c.node = 0;
        } else {
            TopLevelCollection& top = m_out.m_collections.back();
            c.node = top.linkCollectionNodes++;
        }
        m_open.push_back(c);
        ClearLocals();
        return true;
    }

    bool Field(ReportType type, uint32_t flags) {
        if (m_open.empty()) {
            return Fail("main item outside a collection");
        }
        if (m_hasMin != m_hasMax) {
            return Fail("usage range without its other end");
        }
        const Globals& g = m_globals;
        const uint32_t bits = g.reportSize * g.reportCount;
        uint32_t& position = m_bits[TypeIndex(type)][g.reportId];
        if (bits > kMaxReportBits - position) {
            return Fail("report too long");
        }
        if (bits > 0) {
            if (m_out.m_fields.size() >= static_cast<size_t>(kMaxFields)) {
                return Fail("too many fields");
            }
            m_out.m_fields.push_back(MakeField(type, flags, position));
        }
        position += bits;
        ClearLocals();
        return true;
    }

    ReportField MakeField(ReportType type, uint32_t flags, uint32_t position) const {
        const Globals& g = m_globals;
        const OpenCollection& inner = m_open.back();
        ReportField f;
        f.type = type;
        f.reportId = g.reportId;
        f.collection = static_cast<int>(m_out.m_collections.size()) - 1;
        f.linkCollection = inner.node;
        f.linkUsagePage = inner.usagePage;
        f.linkUsage = inner.usage;
        f.bitOffset = position;
        f.bitSize = static_cast<uint16_t>(g.reportSize);
        f.reportCount = static_cast<uint16_t>(g.reportCount);
        f.flags = static_cast<uint16_t>(flags & 0x1FF);
        f.logicalMin = g.logicalMin;
        f.logicalMax = FixMaximum(g.logicalMin, g.logicalMax, g.logicalMaxRaw, g.logicalMaxSize);
        f.physicalMin = g.physicalMin;
        f.physicalMax =
            FixMaximum(g.physicalMin, g.physicalMax, g.physicalMaxRaw, g.physicalMaxSize);
        f.unit = g.unit;
        f.unitExponent = g.unitExponent;
        for (size_t k = 0; k < m_usages.size(); ++k) {
            f.usages.push_back(Entry(k));
        }
        return f;
    }

    bool Finish() {
        if (!m_open.empty()) {
            return Fail("collection without end collection");
        }
        if (m_out.m_collections.empty()) {
            return Fail("no top-level collection");
        }
        for (const ReportField& f : m_out.m_fields) {
            if (m_out.m_usesReportIds && f.reportId == 0) {
                return Fail("report data without report ID");
            }
        }
        for (const ReportField& f : m_out.m_fields) {
            TopLevelCollection& top = m_out.m_collections[static_cast<size_t>(f.collection)];
            const uint32_t bits = m_bits[TypeIndex(f.type)][f.reportId];
            const uint16_t length = static_cast<uint16_t>(1 + (bits + 7) / 8);
            uint16_t* slot = f.type == ReportType::Input    ? &top.inputReportByteLength
                             : f.type == ReportType::Output ? &top.outputReportByteLength
                                                            : &top.featureReportByteLength;
            *slot = std::max(*slot, length);
            if (m_out.m_usesReportIds) {
                top.reportIds.push_back(f.reportId);
            }
        }
        for (TopLevelCollection& top : m_out.m_collections) {
            std::sort(top.reportIds.begin(), top.reportIds.end());
            top.reportIds.erase(std::unique(top.reportIds.begin(), top.reportIds.end()),
                                top.reportIds.end());
        }
        return true;
    }

    const uint8_t* m_data;
    size_t m_size;
    size_t m_itemOffset = 0;
    std::string m_error;
    ReportDescriptor m_out;
    Globals m_globals;
    std::vector<Globals> m_stack;
    std::vector<OpenCollection> m_open;
    int m_collectionCount = 0;
    std::vector<LocalUsage> m_usages;  // first usage of each entry
    std::vector<bool> m_isRange;
    std::vector<LocalUsage> m_rangeEnds;  // last usage of each entry
    LocalUsage m_min;
    LocalUsage m_max;
    bool m_hasMin = false;
    bool m_hasMax = false;
    bool m_inDelimiter = false;
    bool m_delimiterUsed = false;
    std::array<std::array<uint32_t, 256>, 3> m_bits{};
};

std::optional<ReportDescriptor> ReportDescriptor::Parse(const uint8_t* data, size_t size,
                                                        ParseError* error) {
    ReportDescriptor out;
    ParseError local;
    DescriptorParser parser(data, size);
    if (data == nullptr && size != 0) {
        local = {0, "no data"};
    } else if (parser.Run(out, local)) {
        return out;
    }
    if (error != nullptr) {
        *error = local;
    }
    return std::nullopt;
}

int ReportDescriptor::CollectionForReport(ReportType type, uint8_t reportId) const {
    for (const ReportField& f : m_fields) {
        if (f.type == type && f.reportId == reportId) {
            return f.collection;
        }
    }
    return -1;
}

uint16_t ReportDescriptor::ReportByteLength(ReportType type, uint8_t reportId) const {
    uint32_t bits = 0;
    bool found = false;
    for (const ReportField& f : m_fields) {
        if (f.type == type && f.reportId == reportId) {
            bits = std::max(bits, f.bitOffset + static_cast<uint32_t>(f.bitSize) * f.reportCount);
            found = true;
        }
    }
    return found ? static_cast<uint16_t>(1 + (bits + 7) / 8) : 0;
}

HidStatus ReportDescriptor::GetCaps(int collection, Caps& caps) const {
    if (collection < 0 || static_cast<size_t>(collection) >= m_collections.size()) {
        return HidStatus::InvalidCollection;
    }
    const TopLevelCollection& top = m_collections[static_cast<size_t>(collection)];
    caps = Caps{};
    caps.usagePage = top.usagePage;
    caps.usage = top.usage;
    caps.inputReportByteLength = top.inputReportByteLength;
    caps.outputReportByteLength = top.outputReportByteLength;
    caps.featureReportByteLength = top.featureReportByteLength;
    caps.numberLinkCollectionNodes = top.linkCollectionNodes;
    auto count = [&](ReportType t, uint16_t& buttons, uint16_t& values) {
        buttons = static_cast<uint16_t>(GetButtonCaps(t, collection).size());
        values = static_cast<uint16_t>(GetValueCaps(t, collection).size());
    };
    count(ReportType::Input, caps.numberInputButtonCaps, caps.numberInputValueCaps);
    count(ReportType::Output, caps.numberOutputButtonCaps, caps.numberOutputValueCaps);
    count(ReportType::Feature, caps.numberFeatureButtonCaps, caps.numberFeatureValueCaps);
    return HidStatus::Success;
}

std::vector<ButtonCaps> ReportDescriptor::GetButtonCaps(ReportType type, int collection) const {
    std::vector<ButtonCaps> out;
    for (const ReportField& f : m_fields) {
        if (f.type != type || f.collection != collection || f.IsConstant() || !f.IsButton()) {
            continue;
        }
        auto add = [&](const UsageEntry& e, uint32_t firstElement, uint32_t count) {
            ButtonCaps c;
            c.usagePage = e.page;
            c.reportId = f.reportId;
            c.isRange = e.isRange;
            c.usageMin = e.min;
            c.usageMax = e.max;
            c.linkCollection = f.linkCollection;
            c.linkUsagePage = f.linkUsagePage;
            c.linkUsage = f.linkUsage;
            c.bitField = f.flags;
            c.isAbsolute = f.IsAbsolute();
            c.isArray = f.IsArray();
            c.reportCount = static_cast<uint16_t>(count);
            c.bitOffset = f.bitOffset + firstElement * f.bitSize;
            c.logicalMin = f.logicalMin;
            c.logicalMax = f.logicalMax;
            out.push_back(c);
        };
        if (f.IsArray()) {
            for (const UsageEntry& e : f.usages) {
                add(e, 0, f.reportCount);
            }
        } else {
            ForEachVariableEntry(
                f, [&](const UsageEntry& e, uint32_t first, uint32_t n, uint32_t extra) {
                    UsageEntry shown = e;
                    shown.max = static_cast<uint16_t>(e.min + n - 1);
                    add(shown, first, n + extra);
                });
        }
    }
    return out;
}

std::vector<ValueCaps> ReportDescriptor::GetValueCaps(ReportType type, int collection) const {
    std::vector<ValueCaps> out;
    for (const ReportField& f : m_fields) {
        if (f.type != type || f.collection != collection || f.IsConstant() || f.IsButton()) {
            continue;
        }
        ForEachVariableEntry(f,
                             [&](const UsageEntry& e, uint32_t first, uint32_t n, uint32_t extra) {
                                 ValueCaps c;
                                 c.usagePage = e.page;
                                 c.reportId = f.reportId;
                                 c.isRange = e.isRange;
                                 c.usageMin = e.min;
                                 c.usageMax = static_cast<uint16_t>(e.min + n - 1);
                                 c.linkCollection = f.linkCollection;
                                 c.linkUsagePage = f.linkUsagePage;
                                 c.linkUsage = f.linkUsage;
                                 c.bitField = f.flags;
                                 c.isAbsolute = f.IsAbsolute();
                                 c.hasNull = f.HasNull();
                                 c.bitSize = f.bitSize;
                                 // A range gives each usage one element; a single usage owns what
                                 // is left.
                                 c.reportCount = static_cast<uint16_t>(e.isRange ? 1 : n + extra);
                                 c.bitOffset = f.bitOffset + first * f.bitSize;
                                 c.logicalMin = f.logicalMin;
                                 c.logicalMax = f.logicalMax;
                                 c.physicalMin = f.physicalMin;
                                 c.physicalMax = f.physicalMax;
                                 c.units = f.unit;
                                 c.unitsExponent = f.unitExponent;
                                 out.push_back(c);
                             });
    }
    return out;
}

uint32_t ReportDescriptor::MaxUsageListLength(ReportType type, int collection,
                                              uint16_t usagePage) const {
    uint32_t total = 0;
    for (const ReportField& f : m_fields) {
        if (f.type != type || f.collection != collection || f.IsConstant() || !f.IsButton()) {
            continue;
        }
        const bool pageMatches =
            usagePage == 0 || std::any_of(f.usages.begin(), f.usages.end(),
                                          [&](const UsageEntry& e) { return e.page == usagePage; });
        if (pageMatches) {
            total += f.reportCount;
        }
    }
    return total;
}

HidStatus ReportDescriptor::GetUsages(ReportType type, int collection, uint16_t usagePage,
                                      const uint8_t* report, size_t length,
                                      std::vector<uint16_t>& usages) const {
    usages.clear();
    if (collection < 0 || static_cast<size_t>(collection) >= m_collections.size()) {
        return HidStatus::InvalidCollection;
    }
    if (report == nullptr || length == 0) {
        return HidStatus::InvalidReportLength;
    }
    const uint8_t id = report[0];
    bool pageExists = false;
    bool inReport = false;
    for (const ReportField& f : m_fields) {
        if (f.type != type || f.collection != collection || f.IsConstant() || !f.IsButton() ||
            std::none_of(f.usages.begin(), f.usages.end(),
                         [&](const UsageEntry& e) { return e.page == usagePage; })) {
            continue;
        }
        pageExists = true;
        inReport = inReport || f.reportId == id;
    }
    if (!pageExists) {
        return HidStatus::UsageNotFound;
    }
    if (!inReport) {
        return HidStatus::IncompatibleReportId;
    }
    if (length < ReportByteLength(type, id)) {
        return HidStatus::InvalidReportLength;
    }
    for (const ReportField& f : m_fields) {
        if (f.type != type || f.collection != collection || f.reportId != id || f.IsConstant() ||
            !f.IsButton()) {
            continue;
        }
        for (uint32_t i = 0; i < f.reportCount; ++i) {
            const uint32_t raw =
                ExtractBits(report, length, 8 + f.bitOffset + i * f.bitSize, f.bitSize);
            uint32_t index = i;
            if (f.IsArray()) {
                const int64_t v = f.logicalMin < 0 ? SignExtend(raw, f.bitSize) : raw;
                if (v < f.logicalMin || v > f.logicalMax) {
                    continue;  // nothing selected in this slot
                }
                index = static_cast<uint32_t>(v - f.logicalMin);
            } else if (raw == 0) {
                continue;
            }
            uint16_t page = 0;
            uint16_t usage = 0;
            if (f.UsageAt(index, page, usage) && page == usagePage && usage != 0) {
                usages.push_back(usage);
            }
        }
    }
    return HidStatus::Success;
}

HidStatus ReportDescriptor::FindValue(ReportType type, int collection, uint16_t usagePage,
                                      uint16_t usage, const uint8_t* report, size_t length,
                                      const ReportField*& field, uint32_t& element) const {
    if (collection < 0 || static_cast<size_t>(collection) >= m_collections.size()) {
        return HidStatus::InvalidCollection;
    }
    if (report == nullptr || length == 0) {
        return HidStatus::InvalidReportLength;
    }
    bool exists = false;
    field = nullptr;
    for (const ReportField& f : m_fields) {
        if (f.type != type || f.collection != collection || f.IsConstant() || f.IsButton()) {
            continue;
        }
        ForEachVariableEntry(f, [&](const UsageEntry& e, uint32_t first, uint32_t n, uint32_t) {
            if (field != nullptr || e.page != usagePage || usage < e.min ||
                usage - e.min >= static_cast<int>(n)) {
                return;
            }
            exists = true;
            if (f.reportId == report[0]) {
                field = &f;
                element = first + (usage - e.min);
            }
        });
    }
    if (field == nullptr) {
        return exists ? HidStatus::IncompatibleReportId : HidStatus::UsageNotFound;
    }
    if (length < ReportByteLength(type, field->reportId)) {
        return HidStatus::InvalidReportLength;
    }
    return HidStatus::Success;
}

HidStatus ReportDescriptor::GetUsageValue(ReportType type, int collection, uint16_t usagePage,
                                          uint16_t usage, const uint8_t* report, size_t length,
                                          uint32_t& value) const {
    const ReportField* f = nullptr;
    uint32_t element = 0;
    const HidStatus status =
        FindValue(type, collection, usagePage, usage, report, length, f, element);
    if (status != HidStatus::Success) {
        return status;
    }
    value = ExtractBits(report, length, 8 + f->bitOffset + element * f->bitSize, f->bitSize);
    return HidStatus::Success;
}

HidStatus ReportDescriptor::GetScaledUsageValue(ReportType type, int collection, uint16_t usagePage,
                                                uint16_t usage, const uint8_t* report,
                                                size_t length, int32_t& value) const {
    const ReportField* f = nullptr;
    uint32_t element = 0;
    const HidStatus status =
        FindValue(type, collection, usagePage, usage, report, length, f, element);
    if (status != HidStatus::Success) {
        return status;
    }
    int64_t physicalMin = f->physicalMin;
    int64_t physicalMax = f->physicalMax;
    if (physicalMin == 0 && physicalMax == 0) {
        // No physical range declared: the physical range is the logical one.
        physicalMin = f->logicalMin;
        physicalMax = f->logicalMax;
    }
    if (f->logicalMin >= f->logicalMax || physicalMin >= physicalMax) {
        return HidStatus::BadLogPhyValues;
    }
    const uint32_t bits = std::min<uint32_t>(f->bitSize, 32);
    const uint32_t raw = ExtractBits(report, length, 8 + f->bitOffset + element * f->bitSize, bits);
    const int64_t v = f->logicalMin < 0 ? SignExtend(raw, bits) : static_cast<int64_t>(raw);
    if (v < f->logicalMin || v > f->logicalMax) {
        return f->HasNull() ? HidStatus::Null : HidStatus::ValueOutOfRange;
    }
    const int64_t scaled = physicalMin + (v - f->logicalMin) * (physicalMax - physicalMin) /
                                             (static_cast<int64_t>(f->logicalMax) - f->logicalMin);
    value = static_cast<int32_t>(std::clamp<int64_t>(scaled, INT32_MIN, INT32_MAX));
    return HidStatus::Success;
}

}  // namespace platform::hid
