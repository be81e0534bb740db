#include "platform/hid/report_descriptor.h"

#include <gtest/gtest.h>

#include "sim/descriptors.h"

namespace platform::hid {
namespace {

using Bytes = std::vector<uint8_t>;

ReportDescriptor MustParse(const Bytes& bytes) {
    ParseError error;
    auto parsed = ReportDescriptor::Parse(bytes, &error);
    EXPECT_TRUE(parsed.has_value()) << error.message << " at " << error.offset;
    return parsed ? *parsed : ReportDescriptor{};
}

std::string ParseFailure(const Bytes& bytes) {
    ParseError error;
    auto parsed = ReportDescriptor::Parse(bytes, &error);
    return parsed ? "parsed" : error.message;
}

// Wraps items in an application collection of a vendor page.
Bytes InCollection(const Bytes& items) {
    static constexpr uint8_t kHead[] = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01};
    Bytes d(sizeof kHead + items.size() + 1, 0xC0);
    std::copy(std::begin(kHead), std::end(kHead), d.begin());
    std::copy(items.begin(), items.end(), d.begin() + sizeof kHead);
    return d;
}

TEST(ReportDescriptorBootKeyboard, HasOneCollectionWithLengthsCountingTheZeroIdByte) {
    const ReportDescriptor d = MustParse(sim::BootKeyboardDescriptor());
    ASSERT_EQ(d.Collections().size(), 1u);
    Caps caps;
    ASSERT_EQ(d.GetCaps(0, caps), HidStatus::Success);
    EXPECT_EQ(caps.usagePage, 0x01);
    EXPECT_EQ(caps.usage, 0x06);
    EXPECT_EQ(caps.inputReportByteLength, 9);  // 0 + modifiers + reserved + 6 keys
    EXPECT_EQ(caps.outputReportByteLength, 2);
    EXPECT_EQ(caps.featureReportByteLength, 0);
    EXPECT_EQ(caps.numberInputButtonCaps, 2);
    EXPECT_EQ(caps.numberInputValueCaps, 0);
    EXPECT_EQ(caps.numberOutputButtonCaps, 1);
    EXPECT_FALSE(d.UsesReportIds());
    EXPECT_TRUE(d.Collections()[0].reportIds.empty());
}

TEST(ReportDescriptorBootKeyboard, ButtonCapsDescribeModifierBitsAndKeyArray) {
    const ReportDescriptor d = MustParse(sim::BootKeyboardDescriptor());
    const auto caps = d.GetButtonCaps(ReportType::Input, 0);
    ASSERT_EQ(caps.size(), 2u);
    EXPECT_EQ(caps[0].usagePage, 0x07);
    EXPECT_TRUE(caps[0].isRange);
    EXPECT_EQ(caps[0].usageMin, 0xE0);
    EXPECT_EQ(caps[0].usageMax, 0xE7);
    EXPECT_FALSE(caps[0].isArray);
    EXPECT_EQ(caps[0].bitOffset, 0u);
    EXPECT_TRUE(caps[1].isArray);
    EXPECT_EQ(caps[1].usageMax, 0x65);
    EXPECT_EQ(caps[1].reportCount, 6);
    EXPECT_EQ(caps[1].bitOffset, 16u);  // after the constant reserved byte
    EXPECT_EQ(d.MaxUsageListLength(ReportType::Input, 0, 0x07), 14u);
}

TEST(ReportDescriptorBootKeyboard, GetUsagesReturnsSetModifiersAndSelectedKeys) {
    const ReportDescriptor d = MustParse(sim::BootKeyboardDescriptor());
    // Left Shift (E1) and Left GUI (E3); keys A (04) and B (05); empty slots hold 0.
    const Bytes report = {0x00, 0x0A, 0x00, 0x04, 0x00, 0x05, 0x00, 0x00, 0x00};
    std::vector<uint16_t> usages;
    ASSERT_EQ(d.GetUsages(ReportType::Input, 0, 0x07, report.data(), report.size(), usages),
              HidStatus::Success);
    EXPECT_EQ(usages, (std::vector<uint16_t>{0xE1, 0xE3, 0x04, 0x05}));
    // An array value above the logical maximum selects nothing.
    const Bytes bogus = {0x00, 0x00, 0x00, 0x66, 0xFF, 0x00, 0x00, 0x00, 0x00};
    ASSERT_EQ(d.GetUsages(ReportType::Input, 0, 0x07, bogus.data(), bogus.size(), usages),
              HidStatus::Success);
    EXPECT_TRUE(usages.empty());
}

TEST(ReportDescriptorConsumer, UsageArrayGivesTheReportedUsage) {
    const ReportDescriptor d = MustParse(sim::VendorInterfaceDescriptor());
    const Bytes report = {0x03, 0x01, 0x05};
    std::vector<uint16_t> usages;
    ASSERT_EQ(d.GetUsages(ReportType::Input, 2, 0x0C, report.data(), report.size(), usages),
              HidStatus::Success);
    EXPECT_EQ(usages, (std::vector<uint16_t>{0x501}));
    const auto caps = d.GetButtonCaps(ReportType::Input, 2);
    ASSERT_EQ(caps.size(), 1u);
    EXPECT_EQ(caps[0].reportId, 3);
    EXPECT_EQ(caps[0].usageMax, 0x7FF);
    EXPECT_EQ(d.MaxUsageListLength(ReportType::Input, 2, 0x0C), 1u);
}

TEST(ReportDescriptorConsumer, ReportsWrongIdsPagesAndShortBuffers) {
    const ReportDescriptor d = MustParse(sim::VendorInterfaceDescriptor());
    std::vector<uint16_t> usages;
    const Bytes otherId = {0x01, 0x01, 0x05};
    EXPECT_EQ(d.GetUsages(ReportType::Input, 2, 0x0C, otherId.data(), otherId.size(), usages),
              HidStatus::IncompatibleReportId);
    const Bytes report = {0x03, 0x01, 0x05};
    EXPECT_EQ(d.GetUsages(ReportType::Input, 2, 0x07, report.data(), report.size(), usages),
              HidStatus::UsageNotFound);
    EXPECT_EQ(d.GetUsages(ReportType::Input, 2, 0x0C, report.data(), 2, usages),
              HidStatus::InvalidReportLength);
    EXPECT_EQ(d.GetUsages(ReportType::Input, 9, 0x0C, report.data(), report.size(), usages),
              HidStatus::InvalidCollection);
}

TEST(ReportDescriptorMultipleCollections, ListsCollectionsInOrderWithTheirReportIds) {
    const ReportDescriptor d = MustParse(sim::VendorInterfaceDescriptor());
    ASSERT_EQ(d.Collections().size(), 4u);
    const uint16_t pages[] = {0x01, 0x01, 0x0C, 0xFF1C};
    const uint16_t usages[] = {0x06, 0x80, 0x01, 0x92};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(d.Collections()[i].usagePage, pages[i]) << i;
        EXPECT_EQ(d.Collections()[i].usage, usages[i]) << i;
        EXPECT_EQ(d.Collections()[i].reportIds, Bytes{static_cast<uint8_t>(i + 1)}) << i;
    }
    EXPECT_EQ(d.Collections()[0].inputReportByteLength, 17);  // ID + 8 modifier + 120 key bits
    EXPECT_EQ(d.Collections()[0].outputReportByteLength, 2);
    EXPECT_EQ(d.Collections()[1].inputReportByteLength, 2);
    EXPECT_EQ(d.Collections()[2].inputReportByteLength, 3);
    EXPECT_EQ(d.CollectionForReport(ReportType::Input, 3), 2);
    EXPECT_EQ(d.CollectionForReport(ReportType::Output, 3), -1);
}

TEST(ReportDescriptorVendor, ReportFourCarriesSixtyThreeDataBytesEachWay) {
    const ReportDescriptor d = MustParse(sim::VendorInterfaceDescriptor());
    Caps caps;
    ASSERT_EQ(d.GetCaps(3, caps), HidStatus::Success);
    EXPECT_EQ(caps.inputReportByteLength, 64);
    EXPECT_EQ(caps.outputReportByteLength, 64);
    EXPECT_EQ(d.ReportByteLength(ReportType::Output, 4), 64);
    EXPECT_EQ(d.CollectionForReport(ReportType::Output, 4), 3);
    const auto values = d.GetValueCaps(ReportType::Input, 3);
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].bitSize, 8);
    EXPECT_EQ(values[0].reportCount, 63);
    EXPECT_EQ(values[0].logicalMax, 255);  // written as 26 FF 00
    Bytes report(64, 0);
    report[0] = 4;
    report[1] = 0x9C;
    uint32_t value = 0;
    EXPECT_EQ(d.GetUsageValue(ReportType::Input, 3, 0xFF1C, 1, report.data(), report.size(), value),
              HidStatus::Success);
    EXPECT_EQ(value, 0x9Cu);
}

TEST(ReportDescriptorHeadset, OneCollectionOwnsCommandAndLedReports) {
    const ReportDescriptor d = MustParse(sim::HeadsetDescriptor());
    ASSERT_EQ(d.Collections().size(), 1u);
    EXPECT_EQ(d.Collections()[0].usagePage, 0x0C);
    EXPECT_EQ(d.Collections()[0].reportIds, (Bytes{0x01, 0x04, 0xFF}));
    EXPECT_EQ(d.ReportByteLength(ReportType::Output, 0xFF), 17);
    EXPECT_EQ(d.Collections()[0].outputReportByteLength, 64);
    EXPECT_EQ(d.Collections()[0].linkCollectionNodes, 2);
    const auto values = d.GetValueCaps(ReportType::Output, 0);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].linkCollection, 1);
    EXPECT_EQ(values[0].linkUsagePage, 0xFF1C);
    const Bytes keys = {0x01, 0x04, 0, 0};  // Mute
    std::vector<uint16_t> usages;
    ASSERT_EQ(d.GetUsages(ReportType::Input, 0, 0x0C, keys.data(), keys.size(), usages),
              HidStatus::Success);
    EXPECT_EQ(usages, (std::vector<uint16_t>{0xE2}));
}

TEST(ReportDescriptorValues, SignedRelativeAxesReadRawAndScaled) {
    const ReportDescriptor d = MustParse(sim::BootMouseDescriptor());
    const Bytes report = {0x00, 0x01, 0xFE, 0x05, 0x81};  // left button, X −2, Y 5, wheel −127
    uint32_t raw = 0;
    ASSERT_EQ(d.GetUsageValue(ReportType::Input, 0, 0x01, 0x30, report.data(), 5, raw),
              HidStatus::Success);
    EXPECT_EQ(raw, 0xFEu);
    int32_t scaled = 0;
    ASSERT_EQ(d.GetScaledUsageValue(ReportType::Input, 0, 0x01, 0x30, report.data(), 5, scaled),
              HidStatus::Success);
    EXPECT_EQ(scaled, -2);
    ASSERT_EQ(d.GetScaledUsageValue(ReportType::Input, 0, 0x01, 0x38, report.data(), 5, scaled),
              HidStatus::Success);
    EXPECT_EQ(scaled, -127);
    EXPECT_EQ(d.GetUsageValue(ReportType::Input, 0, 0x01, 0x32, report.data(), 5, raw),
              HidStatus::UsageNotFound);
    const auto values = d.GetValueCaps(ReportType::Input, 0);
    ASSERT_EQ(values.size(), 3u);
    EXPECT_FALSE(values[0].isAbsolute);
    EXPECT_EQ(values[2].usageMin, 0x38);
    EXPECT_EQ(values[2].bitOffset, 24u);
}

TEST(ReportDescriptorValues, ScalesOntoThePhysicalRange) {
    // Logical 0..255 onto physical 0..1000, one value with a null state in report 2.
    const ReportDescriptor d = MustParse(InCollection({
        0x85, 0x02, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x35, 0x00, 0x46,
        0xE8, 0x03, 0x75, 0x08, 0x95, 0x01, 0x09, 0x10, 0x81, 0x42,  // Input (Data, Var, Abs, Null)
        0x25, 0x64, 0x09, 0x11, 0x81, 0x02,  // logical 0..100, no null state
    }));
    const Bytes report = {0x02, 0x80, 0xC8};
    int32_t value = 0;
    ASSERT_EQ(d.GetScaledUsageValue(ReportType::Input, 0, 0xFF00, 0x10, report.data(), 3, value),
              HidStatus::Success);
    EXPECT_EQ(value, 501);  // 128 × 1000 / 255
    EXPECT_EQ(d.GetScaledUsageValue(ReportType::Input, 0, 0xFF00, 0x11, report.data(), 3, value),
              HidStatus::ValueOutOfRange);  // 200 > 100
    const Bytes otherReport = {0x05, 0x80, 0xC8};
    EXPECT_EQ(
        d.GetScaledUsageValue(ReportType::Input, 0, 0xFF00, 0x10, otherReport.data(), 3, value),
        HidStatus::IncompatibleReportId);
}

TEST(ReportDescriptorValues, RefusesToScaleEmptyRangesAndReportsNullStates) {
    const ReportDescriptor d = MustParse(InCollection({
        0x15, 0x05, 0x25, 0x05, 0x75, 0x08, 0x95, 0x01, 0x09, 0x20, 0x81, 0x02,  // logical 5..5
        0x15, 0x01, 0x25, 0x0A, 0x35, 0x0A, 0x45, 0x00, 0x09, 0x21, 0x81, 0x02,  // physical 10..0
        0x45, 0x64, 0x09, 0x22, 0x81, 0x42,  // logical 1..10, physical 10..100, null
    }));
    const Bytes report = {0x00, 0x05, 0x03, 0x00};
    int32_t value = 0;
    EXPECT_EQ(d.GetScaledUsageValue(ReportType::Input, 0, 0xFF00, 0x20, report.data(), 4, value),
              HidStatus::BadLogPhyValues);
    EXPECT_EQ(d.GetScaledUsageValue(ReportType::Input, 0, 0xFF00, 0x21, report.data(), 4, value),
              HidStatus::BadLogPhyValues);
    EXPECT_EQ(d.GetScaledUsageValue(ReportType::Input, 0, 0xFF00, 0x22, report.data(), 4, value),
              HidStatus::Null);
    uint32_t raw = 0;
    EXPECT_EQ(d.GetUsageValue(ReportType::Input, 0, 0xFF00, 0x20, report.data(), 4, raw),
              HidStatus::Success);
    EXPECT_EQ(raw, 5u);
}

TEST(ReportDescriptorValues, ReadsAOneByteMaximumOf255AsUnsigned) {
    // Logical Maximum written as the single byte FF, as many devices do.
    const ReportDescriptor d = MustParse(InCollection(
        {0x15, 0x00, 0x25, 0xFF, 0x75, 0x08, 0x95, 0x01, 0x09, 0x01,
         0x81, 0x02, 0x15, 0x80, 0x25, 0x7F, 0x09, 0x02, 0x81, 0x02}));  // −128..127 stays signed
    EXPECT_EQ(d.Fields()[0].logicalMax, 255);
    EXPECT_EQ(d.Fields()[1].logicalMin, -128);
    const Bytes report = {0x00, 200, 0xF6};
    int32_t value = 0;
    ASSERT_EQ(d.GetScaledUsageValue(ReportType::Input, 0, 0xFF00, 0x01, report.data(), 3, value),
              HidStatus::Success);
    EXPECT_EQ(value, 200);
    ASSERT_EQ(d.GetScaledUsageValue(ReportType::Input, 0, 0xFF00, 0x02, report.data(), 3, value),
              HidStatus::Success);
    EXPECT_EQ(value, -10);
}

TEST(ReportDescriptorItems, PopRestoresTheGlobalsPushSaved) {
    const ReportDescriptor d = MustParse(InCollection({
        0x75, 0x08, 0x95, 0x01, 0xA4,                    // Report Size 8, Count 1, Push
        0x75, 0x04, 0x95, 0x02, 0x09, 0x01, 0x81, 0x02,  // two 4-bit values
        0xB4, 0x09, 0x02, 0x81, 0x02,                    // Pop: one 8-bit value
    }));
    ASSERT_EQ(d.Fields().size(), 2u);
    EXPECT_EQ(d.Fields()[1].bitSize, 8);
    EXPECT_EQ(d.Fields()[1].reportCount, 1);
    EXPECT_EQ(d.Fields()[1].bitOffset, 8u);
}

TEST(ReportDescriptorItems, SkipsLongItemsAndReadsExtendedUsages) {
    const ReportDescriptor d = MustParse(InCollection({
        0xFE, 0x03, 0x10, 0xAA, 0xBB, 0xCC,  // long item with 3 data bytes
        0x0B, 0x30, 0x00, 0x01, 0x00,        // Usage (Generic Desktop: X), 4-byte form
        0x15, 0x00, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02,
    }));
    const auto values = d.GetValueCaps(ReportType::Input, 0);
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].usagePage, 0x01);
    EXPECT_EQ(values[0].usageMin, 0x30);
}

TEST(ReportDescriptorItems, UsageListBitfieldGivesOneCapPerUsage) {
    const ReportDescriptor d = MustParse(sim::HeadsetDescriptor());
    const auto caps = d.GetButtonCaps(ReportType::Input, 0);
    ASSERT_EQ(caps.size(), 3u);
    EXPECT_EQ(caps[0].Usage(), 0xE9);
    EXPECT_EQ(caps[2].Usage(), 0xE2);
    EXPECT_EQ(caps[2].bitOffset, 2u);
    EXPECT_FALSE(caps[1].isRange);
}

TEST(ReportDescriptorMalformed, TruncationNeverYieldsAPartialCollection) {
    const Bytes full = sim::VendorInterfaceDescriptor();
    const ReportDescriptor whole = MustParse(full);
    size_t lastOpen = 0;  // just after the last top-level "Collection (Application)"
    for (size_t i = 0; i + 1 < full.size(); ++i) {
        if (full[i] == 0xA1 && full[i + 1] == 0x01) {
            lastOpen = i + 2;
        }
    }
    for (size_t n = 0; n < full.size(); ++n) {
        const Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
        const auto parsed = ReportDescriptor::Parse(cut);
        if (n >= lastOpen) {
            EXPECT_FALSE(parsed.has_value()) << "cut inside the last collection at " << n;
        }
        if (!parsed) {
            continue;
        }
        // Whatever parses holds only the complete leading collections, unchanged.
        ASSERT_LT(parsed->Collections().size(), whole.Collections().size()) << n;
        for (size_t k = 0; k < parsed->Collections().size(); ++k) {
            EXPECT_EQ(parsed->Collections()[k].usage, whole.Collections()[k].usage) << n;
            EXPECT_EQ(parsed->Collections()[k].inputReportByteLength,
                      whole.Collections()[k].inputReportByteLength)
                << n;
        }
    }
    EXPECT_EQ(ParseFailure({0x05, 0x01, 0x09}), "truncated item");
    EXPECT_EQ(ParseFailure({0xFE, 0x10, 0x00, 0x01}), "truncated long item");
}

TEST(ReportDescriptorMalformed, RefusesHugeCountsAndSizes) {
    EXPECT_EQ(ParseFailure(InCollection({0x75, 0xFF, 0x96, 0xFF, 0xFF, 0x09, 0x01, 0x81, 0x02})),
              "report too long");
    EXPECT_EQ(ParseFailure(InCollection({0x97, 0x00, 0x00, 0x01, 0x00})), "report count too large");
    EXPECT_EQ(ParseFailure(InCollection({0x77, 0x00, 0x00, 0x00, 0x01})), "report size too large");
    // Many small fields of one report add up past the limit too.
    const Bytes items = {0x75, 0x08, 0x96, 0x00, 0x10,  // 4096 bytes per field
                         0x09, 0x01, 0x81, 0x02, 0x09, 0x01, 0x81, 0x02, 0x09, 0x01, 0x81, 0x02};
    EXPECT_EQ(ParseFailure(InCollection(items)), "report too long");
}

TEST(ReportDescriptorMalformed, RefusesUnbalancedCollectionsAndStacks) {
    EXPECT_EQ(ParseFailure({0xC0}), "end collection without collection");
    EXPECT_EQ(ParseFailure({0x09, 0x01, 0xA1, 0x01}), "collection without end collection");
    EXPECT_EQ(ParseFailure(InCollection({0xB4})), "pop without push");
    EXPECT_EQ(ParseFailure(Bytes(17, 0xA4)), "push nesting too deep");
    Bytes deep(66, 0xA1);
    for (size_t i = 1; i < deep.size(); i += 2) {
        deep[i] = 0x00;
    }
    EXPECT_EQ(ParseFailure(deep), "collections nested too deep");
    EXPECT_EQ(ParseFailure({}), "no top-level collection");
}

TEST(ReportDescriptorMalformed, RefusesInconsistentItems) {
    EXPECT_EQ(ParseFailure({0x75, 0x08, 0x95, 0x01, 0x81, 0x02}), "main item outside a collection");
    EXPECT_EQ(ParseFailure(InCollection({0x85, 0x00})), "invalid report ID");
    EXPECT_EQ(ParseFailure(InCollection({0x19, 0x01, 0x75, 0x01, 0x95, 0x01, 0x81, 0x02})),
              "usage range without its other end");
    EXPECT_EQ(ParseFailure(InCollection({0x19, 0x05, 0x29, 0x01})),
              "usage maximum below usage minimum");
    // Data declared before the first report ID cannot be told apart on the wire.
    EXPECT_EQ(ParseFailure(InCollection({0x75, 0x08, 0x95, 0x01, 0x09, 0x01, 0x81, 0x02, 0x85, 0x01,
                                         0x09, 0x02, 0x81, 0x02})),
              "report data without report ID");
    EXPECT_EQ(ParseFailure(InCollection({0x0C})), "reserved item type");
}

TEST(ReportDescriptorBits, ExtractionStopsAtTheEndOfTheBuffer) {
    const uint8_t buffer[2] = {0xFF, 0x81};
    EXPECT_EQ(ExtractBits(buffer, 2, 4, 8), 0x1Fu);
    EXPECT_EQ(ExtractBits(buffer, 2, 12, 16), 0x8u);  // bits past byte 1 read as 0
    EXPECT_EQ(ExtractBits(buffer, 2, 0xFFFFFFF0u, 32), 0u);
}

}  // namespace
}  // namespace platform::hid
