#include "platform/hid/linux/udev_rules.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "device/catalogue.h"

using platform::hid::FormatUdevRules;
using platform::hid::UdevRuleDevice;
using IdPair = std::pair<unsigned, unsigned>;

namespace {

std::string ShippedRules() {
    const char* dataDir = std::getenv("VELDMARK_DATA_DIR");
    std::ifstream in(std::string(dataDir != nullptr ? dataDir : "data") +
                     "/udev/70-veldmark.rules");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The vendor and product of every rule line; fails the test on a line that is
// neither a comment nor a well-formed rule.
std::set<IdPair> RulePairs(const std::string& rules) {
    static const std::regex rule(R"re(KERNEL=="hidraw\*", ATTRS\{idVendor\}=="([0-9a-f]{4})", )re"
                                 R"re(ATTRS\{idProduct\}=="([0-9a-f]{4})", TAG\+="uaccess")re");
    std::set<IdPair> pairs;
    std::istringstream lines(rules);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::smatch match;
        EXPECT_TRUE(std::regex_match(line, match, rule)) << line;
        if (!match.empty()) {
            pairs.emplace(std::stoul(match[1], nullptr, 16), std::stoul(match[2], nullptr, 16));
        }
    }
    return pairs;
}

}  // namespace

TEST(UdevRules, ShippedFileCoversExactlyTheCataloguesRealDevices) {
    std::set<IdPair> catalogue;
    for (const auto& row : device::InterfaceCatalogue()) {
        if (row.vendorId != 0 && row.productId != 0) {
            catalogue.emplace(row.vendorId, row.productId);
        }
    }
    for (const auto& row : device::DeviceOptionTable()) {
        if (row.vendorId != 0 && row.productId != 0) {
            catalogue.emplace(row.vendorId, row.productId);
        }
    }
    const std::string shipped = ShippedRules();
    ASSERT_FALSE(shipped.empty()) << "data/udev/70-veldmark.rules is missing";
    EXPECT_EQ(RulePairs(shipped), catalogue);
}

TEST(UdevRules, ShippedFileIsTheGeneratorsOutput) {
    std::vector<UdevRuleDevice> devices;
    for (const auto& row : device::InterfaceCatalogue()) {
        devices.push_back({row.vendorId, row.productId, device::KindName(row.kind)});
    }
    EXPECT_EQ(ShippedRules(), FormatUdevRules(devices))
        << "regenerate with: veldmarkctl udev-rules > data/udev/70-veldmark.rules";
}

TEST(UdevRules, OneRulePerDeviceAndNoneForPlaceholderIds) {
    const std::string rules = FormatUdevRules({{0x0C45, 0x7666, "keyboard"},
                                               {0x0C45, 0x7666, "keyboard"},
                                               {0x0000, 0x0000, "mouse"},
                                               {0x0C45, 0x0000, "half"},
                                               {0x0D8C, 0x01DA, "headset"}});
    EXPECT_EQ(RulePairs(rules), (std::set<IdPair>{{0x0C45, 0x7666}, {0x0D8C, 0x01DA}}));
    EXPECT_EQ(rules.find("mouse"), std::string::npos);
}
