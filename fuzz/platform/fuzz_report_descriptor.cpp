// Parses arbitrary bytes as a report descriptor and, when they parse, runs every
// report operation of every collection on an arbitrary report.
// Input: 2 bytes descriptor length (little-endian), the descriptor, the report.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/hid/report_descriptor.h"

using namespace platform::hid;

namespace {

void Exercise(const ReportDescriptor& d, int collection, ReportType type,
              const std::vector<uint8_t>& report) {
    Caps caps;
    d.GetCaps(collection, caps);
    std::vector<uint16_t> usages;
    for (const ButtonCaps& b : d.GetButtonCaps(type, collection)) {
        d.MaxUsageListLength(type, collection, b.usagePage);
        d.GetUsages(type, collection, b.usagePage, report.data(), report.size(), usages);
    }
    for (const ValueCaps& v : d.GetValueCaps(type, collection)) {
        for (uint32_t u = v.usageMin; u <= v.usageMax && u - v.usageMin < 64; ++u) {
            uint32_t raw = 0;
            int32_t scaled = 0;
            d.GetUsageValue(type, collection, v.usagePage, static_cast<uint16_t>(u), report.data(),
                            report.size(), raw);
            d.GetScaledUsageValue(type, collection, v.usagePage, static_cast<uint16_t>(u),
                                  report.data(), report.size(), scaled);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    size_t length = data[0] | static_cast<size_t>(data[1]) << 8;
    length = length < size - 2 ? length : size - 2;
    // Exact-size copies so that any read past either buffer is caught.
    const std::vector<uint8_t> descriptor(data + 2, data + 2 + length);
    const std::vector<uint8_t> report(data + 2 + length, data + size);
    const auto parsed = ReportDescriptor::Parse(descriptor);
    if (!parsed || report.empty()) {
        return 0;
    }
    for (size_t c = 0; c < parsed->Collections().size(); ++c) {
        for (ReportType type : {ReportType::Input, ReportType::Output, ReportType::Feature}) {
            Exercise(*parsed, static_cast<int>(c), type, report);
        }
        parsed->CollectionForReport(ReportType::Input, report[0]);
        parsed->ReportByteLength(ReportType::Input, report[0]);
    }
    return 0;
}
