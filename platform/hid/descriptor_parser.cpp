#include "platform/hid/descriptor_parser.h"

#include <algorithm>
#include <array>

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

}  // namespace

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

bool ParseDescriptor(const uint8_t* data, size_t size, ReportDescriptor& out, ParseError& error) {
    DescriptorParser parser(data, size);
    return parser.Run(out, error);
}

}  // namespace platform::hid
