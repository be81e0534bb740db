// The mouse's identity file: what it takes and refuses, which file wins, and
// the catalogue rows it names.
#include "device/mouse_identity.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "device/catalogue.h"

namespace {

namespace fs = std::filesystem;

TEST(MouseIdentity, AFileNamesVendorProductAndLink) {
    device::MouseIdentity id;
    std::string problem;
    ASSERT_TRUE(
        device::ParseMouseIdentity("# my mouse\nvendor 0x3554\n  product F508  # dongle\n"
                                   "link slow\n",
                                   id, problem))
        << problem;
    EXPECT_EQ(id.vendorId, 0x3554);
    EXPECT_EQ(id.productId, 0xF508);
    EXPECT_EQ(id.kind, device::kKindSlowMouse);
    ASSERT_TRUE(device::ParseMouseIdentity("product 1\r\nvendor 2\r\n", id, problem)) << problem;
    EXPECT_EQ(id.kind, device::kKindMouse);
}

TEST(MouseIdentity, AnythingMalformedRefusesTheWholeFile) {
    const std::pair<const char*, const char*> bad[] = {
        {"vendor 0x3554\n", "no product"},
        {"vendor 0\nproduct 1\n", "line 1"},
        {"vendor 0x10000\nproduct 1\n", "line 1"},
        {"vendor 1\nproduct 1\nvendor 2\n", "a second vendor"},
        {"vendor 1\nproduct 1\nlink radio\n", "wired or slow"},
        {"vendor 1\nproduct 1\nkind 6\n", "unknown setting"},
        {"vendor 1g\nproduct 1\n", "line 1"},
        {"", "no vendor"},
    };
    for (const auto& [text, reason] : bad) {
        device::MouseIdentity id;
        std::string problem;
        EXPECT_FALSE(device::ParseMouseIdentity(text, id, problem)) << text;
        EXPECT_NE(problem.find(reason), std::string::npos) << text << ": " << problem;
    }
}

class MouseIdentityFilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/veldmark-mouse-ids-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root = pattern;
    }
    void TearDown() override {
        device::SetMouseRows(0, 0, device::kKindMouse);
        fs::remove_all(root);
    }
    std::string Write(const std::string& name, const std::string& text) {
        const fs::path path = root / name;
        std::ofstream(path) << text;
        return path.string();
    }
    fs::path root;
};

TEST_F(MouseIdentityFilesTest, TheUsersFileWinsAndAMalformedOneIsReportedAndSkipped) {
    const std::string user = Write("user.conf", "vendor 1234\nproduct 5678\n");
    const std::string shipped = Write("shipped.conf", "vendor aaaa\nproduct bbbb\nlink slow\n");
    device::MouseIdentityRead read = device::ReadMouseIdentity({user, shipped});
    ASSERT_TRUE(read.found);
    EXPECT_EQ(read.identity.vendorId, 0x1234);
    EXPECT_EQ(read.identity.source, user);
    Write("user.conf", "vendor 1234\n");
    read = device::ReadMouseIdentity({user, shipped});
    ASSERT_TRUE(read.found);
    EXPECT_EQ(read.identity.vendorId, 0xAAAA);
    ASSERT_EQ(read.refused.size(), 1u);
    EXPECT_NE(read.refused[0].find(user), std::string::npos);
    EXPECT_NE(device::DescribeMouseIdentity(read).find("slow mouse"), std::string::npos);
    // A file far larger than any identity needs is not read.
    Write("user.conf", "vendor 1234\nproduct 5678\n" + std::string(5000, '#'));
    read = device::ReadMouseIdentity({user});
    EXPECT_FALSE(read.found);
    EXPECT_EQ(read.refused.size(), 1u);
    EXPECT_FALSE(device::ReadMouseIdentity({(root / "none.conf").string()}).found);
}

TEST_F(MouseIdentityFilesTest, TheMouseRowsTakeTheIdentityAndNothingElseChanges) {
    const auto before = device::InterfaceCatalogue();
    device::SetMouseRows(0x1234, 0x5678, device::kKindSlowMouse);
    EXPECT_EQ(
        device::FindCatalogueIndex(0x1234, 0x5678, device::kKindSlowMouse, device::kRoleCommand),
        2);
    EXPECT_EQ(device::FindOptionRow(0x1234, 0x5678, device::kKindSlowMouse, device::kRoleCommand),
              0);
    device::InterfaceRecord event;
    event.vendorId = 0x1234;
    event.productId = 0x5678;
    event.interfaceNumber = 1;
    event.collectionNumber = 3;
    EXPECT_EQ(device::FindInterfaceRow(event, device::RowMatch::Interface), 3);
    for (size_t row : {0u, 1u, 4u, 5u, 6u}) {
        EXPECT_TRUE(device::InterfaceCatalogue()[row].SameCollection(before[row])) << row;
    }
}

}  // namespace
