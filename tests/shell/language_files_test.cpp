// The English and Chinese texts: the same keys in both, and a text for every
// key the layouts and the program's sources name.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "platform/ui/language_table.h"
#include "tests/shell/skin_test_support.h"

namespace {

namespace fs = std::filesystem;

std::set<std::string> KeysOf(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream s;
    s << in.rdbuf();
    const std::string text = s.str();
    std::set<std::string> keys;
    const std::regex key(R"re(<Text key="([^"]*)")re");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), key);
         it != std::sregex_iterator(); ++it) {
        keys.insert((*it)[1]);
    }
    return keys;
}

// Every match of `pattern` (group 1) in the files under `folder` with one of `extensions`.
std::set<std::string> Referenced(const fs::path& folder, const std::set<std::string>& extensions,
                                 const std::regex& pattern) {
    std::set<std::string> found;
    if (!fs::exists(folder)) {
        return found;
    }
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file() || extensions.count(entry.path().extension().string()) == 0) {
            continue;
        }
        if (entry.path().filename().string().rfind("lan_", 0) == 0 ||
            entry.path().string().find("/demo/") != std::string::npos) {
            continue;
        }
        std::ifstream in(entry.path());
        std::stringstream s;
        s << in.rdbuf();
        const std::string text = s.str();
        for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern);
             it != std::sregex_iterator(); ++it) {
            found.insert((*it)[1]);
        }
    }
    return found;
}

std::set<std::string> Without(const std::set<std::string>& wanted,
                              const std::set<std::string>& have) {
    std::set<std::string> missing;
    for (const std::string& k : wanted) {
        if (have.count(k) == 0) {
            missing.insert(k);
        }
    }
    return missing;
}

class LanguageFilesTest : public ::testing::Test {
  protected:
    std::set<std::string> en = KeysOf(skintest::SkinFolder() / "lan_en.xml");
    std::set<std::string> cn = KeysOf(skintest::SkinFolder() / "lan_cn.xml");
};

TEST_F(LanguageFilesTest, BothLanguagesLoadAndHaveTheSameKeys) {
    ui::LanguageTable table;
    std::string error;
    ASSERT_TRUE(table.LoadFile(skintest::SkinFolder() / "lan_en.xml", &error)) << error;
    EXPECT_EQ(table.Size(), en.size());  // no key given twice
    EXPECT_EQ(table.Resolve("message_text_5"), "That name is already used.");
    ASSERT_TRUE(table.LoadFile(skintest::SkinFolder() / "lan_cn.xml", &error)) << error;
    EXPECT_EQ(table.Size(), cn.size());
    EXPECT_EQ(table.Resolve("kb_device_name_text"), "键盘");
    EXPECT_GT(en.size(), 300u);
    EXPECT_EQ(Without(en, cn), std::set<std::string>{});
    EXPECT_EQ(Without(cn, en), std::set<std::string>{});
}

TEST_F(LanguageFilesTest, EveryKeyALayoutNamesHasAText) {
    const std::regex attr(R"re((?:textkey|tooltipkey|hintkey)="([^"]+)")re");
    const std::set<std::string> used = Referenced(skintest::SkinFolder(), {".xml"}, attr);
    EXPECT_GT(used.size(), 100u);
    EXPECT_EQ(Without(used, en), std::set<std::string>{});
}

TEST_F(LanguageFilesTest, EveryTextKeyTheSourcesNameHasAText) {
    // Literal keys of the kinds the program shows: messages, key names and
    // device names. Keys built at run time are checked by the tables below.
    const std::regex literal(
        R"re("((?:message_text_[0-9]+)|(?:keyboard_key_[^"]+)|(?:mouse_key_[^"]+)|(?:[a-z_]+_device_name_text))")re");
    std::set<std::string> used;
    const fs::path root = skintest::DataFolder().parent_path();
    for (const char* folder : {"device", "keyboard", "mouse", "mousepad", "headset", "profile",
                               "editors", "shell", "update"}) {
        for (const std::string& k : Referenced(root / folder, {".cpp", ".h"}, literal)) {
            used.insert(k);
        }
    }
    EXPECT_EQ(Without(used, en), std::set<std::string>{});

    // Device icon keys of the selection entries, and the lighting modes the
    // shipped default list names.
    std::set<std::string> built;
    for (const char* k : {"kb", "ms", "hard_mp", "hd", "unknow"}) {
        built.insert(std::string(k) + "_device_name_text");
    }
    const std::regex mode(R"re("LightName"\s*:\s*"([^"]+)")re");
    for (const std::string& k :
         Referenced(skintest::DataFolder() / "DefaultData", {".json"}, mode)) {
        built.insert(k);
    }
    EXPECT_GT(built.size(), 20u);
    EXPECT_EQ(Without(built, en), std::set<std::string>{});
}

}  // namespace
