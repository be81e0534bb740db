#include "platform/hid/report_descriptor.h"

#include <algorithm>

#include "platform/hid/descriptor_parser.h"

namespace platform::hid {
namespace {

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

std::optional<ReportDescriptor> ReportDescriptor::Parse(const uint8_t* data, size_t size,
                                                        ParseError* error) {
    ReportDescriptor out;
    ParseError local;
    if (data == nullptr && size != 0) {
        local = {0, "no data"};
    } else if (ParseDescriptor(data, size, out, local)) {
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
