// The English and Chinese texts: the same keys in both, and a text for every
// key the layouts and the program's sources name.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/language_table.h"
#include "tests/shell/skin_test_support.h"

namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Every text that follows `prefix` up to the next double quote, each with `keep` in front.
void ValuesAfter(const std::string& text, const std::string& prefix, const std::string& keep,
                 std::set<std::string>& out) {
    for (size_t at = text.find(prefix); at != std::string::npos; at = text.find(prefix, at + 1)) {
        const size_t begin = at + prefix.size();
        const size_t end = text.find('"', begin);
        if (end != std::string::npos && text.find('\n', begin) > end) {
            out.insert(keep + text.substr(begin, end - begin));
        }
    }
}

// The XML escapes a key may hold ("keyboard_key_&lt;") read as their characters.
std::string Unescaped(std::string text) {
    const std::pair<const char*, const char*> escapes[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
    for (const auto& [from, to] : escapes) {
        for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + 1)) {
            text.replace(at, std::string(from).size(), to);
        }
    }
    return text;
}

std::set<std::string> KeysOf(const fs::path& file) {
    std::set<std::string> raw;
    ValuesAfter(ReadText(file), "<Text key=\"", "", raw);
    std::set<std::string> keys;
    for (const std::string& key : raw) {
        keys.insert(Unescaped(key));
    }
    return keys;
}

// Values after each of `prefixes` (kept in front when `keepPrefix`) in the files under
// `folder` with one of `extensions`; language files and the demo skin are left out.
std::set<std::string> Referenced(const fs::path& folder, const std::set<std::string>& extensions,
                                 const std::vector<std::pair<std::string, std::string>>& prefixes) {
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
        const std::string text = ReadText(entry.path());
        for (const auto& [prefix, keep] : prefixes) {
            ValuesAfter(text, prefix, keep, found);
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
    const std::set<std::string> used =
        Referenced(skintest::SkinFolder(), {".xml"},
                   {{"textkey=\"", ""}, {"tooltipkey=\"", ""}, {"hintkey=\"", ""}});
    EXPECT_GT(used.size(), 100u);
    EXPECT_EQ(Without(used, en), std::set<std::string>{});
}

TEST_F(LanguageFilesTest, EveryTextKeyTheSourcesNameHasAText) {
    // Literal keys of the kinds the program shows: messages and key names.
    // Keys built at run time (device names, modes) are checked below.
    const std::vector<std::pair<std::string, std::string>> literal = {
        {"\"message_text_", "message_text_"},
        {"\"keyboard_key_", "keyboard_key_"},
        {"\"mouse_key_", "mouse_key_"}};
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
    for (const std::string& k : Referenced(skintest::DataFolder() / "DefaultData", {".json"},
                                           {{"\"LightName\": \"", ""}})) {
        built.insert(k);
    }
    EXPECT_GT(built.size(), 20u);
    EXPECT_EQ(Without(built, en), std::set<std::string>{});
}

TEST_F(LanguageFilesTest, EveryLightingModeHasAChineseNameOfItsOwn) {
    // A name left in English (or shown as its key) is what a generator falls
    // back to when nobody translated it.
    ui::LanguageTable english;
    ui::LanguageTable chinese;
    ASSERT_TRUE(english.LoadFile(skintest::SkinFolder() / "lan_en.xml"));
    ASSERT_TRUE(chinese.LoadFile(skintest::SkinFolder() / "lan_cn.xml"));
    const std::set<std::string> modes =
        Referenced(skintest::DataFolder() / "DefaultData", {".json"}, {{"\"LightName\": \"", ""}});
    ASSERT_GT(modes.size(), 20u);
    for (const std::string& key : modes) {
        EXPECT_NE(english.Resolve(key), key);
        EXPECT_NE(chinese.Resolve(key), english.Resolve(key)) << key;
    }
}

}  // namespace
