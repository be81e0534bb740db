// The packed macro events, the macro memory image and the key renumbering
// that follows a macro's removal.

#include "profile/macro_image.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "profile/macro_records.h"
#include "profile/macro_store.h"
#include "profile_test_support.h"

namespace {

Json::Value Event(const char* action, int type, int button, Json::Value delay) {
    Json::Value event(Json::objectValue);
    event["Action"] = action;
    event["Type"] = type;
    event["Button"] = button;
    event["Delay"] = delay;
    return event;
}

std::vector<uint8_t> Bytes(const MacroEventRecord& record) {
    return {record.delayLow, record.delayHigh, record.type, record.button};
}

MacroImage::MacroEvents Events(size_t count) {
    return MacroImage::MacroEvents(count, MacroEventRecord{1, 2, 3, 4});
}

uint16_t Read16(const std::vector<uint8_t>& bytes, size_t at) {
    return static_cast<uint16_t>(bytes.at(at) | bytes.at(at + 1) << 8);
}

KeyEntry Key(uint16_t index, uint8_t kind, uint8_t p1, uint8_t p2 = 0) {
    KeyEntry entry;
    entry.current = KeyAssignment{index, kind, p1, p2, 0};
    entry.defaults = KeyAssignment{index, 0x10, 0x01, 0x00, 0};
    return entry;
}

}  // namespace

TEST(MacroEventRecord, PacksDelayLittleEndianAndMarksPressesInBitSeven) {
    EXPECT_EQ(Bytes(macro::PackEvent(Event("up", 1, 0x04, "300"))),
              (std::vector<uint8_t>{0x2C, 0x01, 0x01, 0x04}));
    EXPECT_EQ(Bytes(macro::PackEvent(Event("down", 1, 0x04, "300"))),
              (std::vector<uint8_t>{0x2C, 0x01, 0x81, 0x04}));
    EXPECT_EQ(Bytes(macro::PackEvent(Event("down", 10, 4, "250"))),
              (std::vector<uint8_t>{0xFA, 0x00, 0x8A, 0x04}));
}

TEST(MacroEventRecord, ReadsDelayTextFromItsLeadingDigitsOnly) {
    EXPECT_EQ(macro::ParseDelay(Json::Value("12ms")), 12);
    EXPECT_EQ(macro::ParseDelay(Json::Value(" +40")), 40);
    EXPECT_EQ(macro::ParseDelay(Json::Value("abc")), 0);
    EXPECT_EQ(macro::ParseDelay(Json::Value("")), 0);
    // A minus sign is not a delay: it must not wrap round to 65531 ms.
    EXPECT_EQ(macro::ParseDelay(Json::Value("-5")), 0);
    EXPECT_EQ(macro::ParseDelay(Json::Value(0)), 0);
    EXPECT_EQ(macro::ParseDelay(Json::Value(-7)), 0);
}

TEST(MacroEventRecord, HoldsDelaysPastTheLimitAtTheLimitInsteadOfWrapping) {
    EXPECT_EQ(macro::ParseDelay(Json::Value("65535")), 65535);
    EXPECT_EQ(macro::ParseDelay(Json::Value("70000")), 65535);
    EXPECT_EQ(macro::ParseDelay(Json::Value("99999999999999999999999")), 65535);
    EXPECT_EQ(macro::ParseDelay(Json::Value(70000)), 65535);
}

TEST(MacroEventRecord, ReadsFieldsOfTheWrongTypeAsZero) {
    Json::Value event = Event("DOWN", 200, 300, Json::Value(Json::arrayValue));
    event["Button"] = "4";
    // "DOWN" is not "down"; the type keeps its low seven bits.
    EXPECT_EQ(Bytes(macro::PackEvent(event)), (std::vector<uint8_t>{0, 0, 200 & 0x7F, 0}));
    EXPECT_EQ(Bytes(macro::PackEvent(Json::Value("text"))), (std::vector<uint8_t>{0, 0, 0, 0}));
}

TEST(MacroImage, LaysOutHeaderOffsetsAndBlocksOfTwoMacros) {
    const std::vector<MacroImage::MacroEvents> macros = {Events(3), Events(0)};
    const MacroImage image = MacroImage::Build(macros, 9216);
    ASSERT_TRUE(image.IsBuilt());
    const std::vector<uint8_t>& bytes = image.Bytes();
    ASSERT_EQ(bytes.size(), 40u);
    EXPECT_EQ(bytes[0], 0xAA);
    EXPECT_EQ(bytes[1], 0x55);
    EXPECT_EQ(Read16(bytes, 2), 40);
    EXPECT_EQ(Read16(bytes, 4), 2);
    for (size_t i = 6; i < 16; ++i) {
        EXPECT_EQ(bytes[i], 0) << "reserved byte " << i;
    }
    EXPECT_EQ(Read16(bytes, 16), 20);
    EXPECT_EQ(Read16(bytes, 18), 36);
    EXPECT_EQ(Read16(bytes, 20), 3);
    EXPECT_EQ(Read16(bytes, 22), 0);
    EXPECT_EQ((std::vector<uint8_t>(bytes.begin() + 24, bytes.begin() + 28)),
              (std::vector<uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(Read16(bytes, 36), 0);
}

TEST(MacroImage, SendsAnImageThatFillsTheMemoryExactlyAndRefusesOneThatDoesNot) {
    // 16 + 12 + 4 x 2297 = 9216
    const MacroImage full = MacroImage::Build({Events(2000), Events(297)}, 9216);
    EXPECT_TRUE(full.IsBuilt());
    EXPECT_EQ(full.Bytes().size(), 9216u);
    // 16 + 6 + 4 x 2299 = 9218, the smallest image past 9216 bytes
    const MacroImage over = MacroImage::Build({Events(2299)}, 9216);
    EXPECT_EQ(over.GetStatus(), MacroImage::Status::TooLarge);
    EXPECT_TRUE(over.Bytes().empty());
    EXPECT_EQ(over.Total(), 9218u);
    // 9220 bytes is one unit over: the keyboard reports 2.
    const MacroImage keyboard = MacroImage::Build({Events(2000), Events(298)}, 9216);
    EXPECT_EQ(keyboard.Total(), 9220u);
    EXPECT_EQ(keyboard.ExcessUnits(9216), 2);
    EXPECT_EQ(full.ExcessUnits(9216), 0);
}

TEST(MacroImage, RefusesWhatItsSixteenBitSizesCannotDescribe) {
    // 50 macros of 4000 events need 800316 bytes; the header could not say so.
    const std::vector<MacroImage::MacroEvents> macros(50, Events(4000));
    const MacroImage image = MacroImage::Build(macros, 1 << 24);
    EXPECT_EQ(image.GetStatus(), MacroImage::Status::TooLarge);
    EXPECT_EQ(image.Total(), 800316u);
    EXPECT_EQ(image.ExcessUnits(9216), (800316 - 9216) / 4 + 1);
}

TEST(MacroImage, HasNothingToSendWithoutMacros) {
    EXPECT_EQ(MacroImage::Build({}, 9216).GetStatus(), MacroImage::Status::NoMacros);
}

class MacroImageStoreTest : public TempHomeTest {
  protected:
    void SetUp() override {
        TempHomeTest::SetUp();
        m_folder = Root() + "mouse/";
        std::filesystem::create_directories(m_folder);
    }
    void WriteList(const std::vector<std::pair<std::string, std::string>>& macros) {
        Json::Value list(Json::objectValue);
        list["MacroInfo"] = Json::Value(Json::arrayValue);
        for (const auto& [name, guid] : macros) {
            Json::Value element;
            element["MacroName"] = name;
            element["Guid"] = guid;
            list["MacroInfo"].append(element);
        }
        WriteJson(m_folder + "macro.config", list);
    }
    void WriteEvents(const std::string& path, int count) {
        Json::Value file(Json::objectValue);
        file["Events"] = Json::Value(Json::arrayValue);
        for (int i = 0; i < count; ++i) {
            file["Events"].append(Event(i % 2 == 0 ? "down" : "up", 10, 4 + i, "10"));
        }
        WriteJson(path, file);
    }
    std::string m_folder;
};

TEST_F(MacroImageStoreTest, KeepsEveryMacroInItsPlaceWhenOneCannotBeRead) {
    WriteList({{"a", "g1"}, {"b", "missing"}, {"c", "g3"}});
    WriteEvents(m_folder + "g1.mac", 2);
    WriteEvents(m_folder + "g3.mac", 1);
    const MacroImage image = MacroImage::FromStore(m_folder, "macro.config", 9216);
    ASSERT_TRUE(image.IsBuilt());
    const auto& bytes = image.Bytes();
    EXPECT_EQ(Read16(bytes, 4), 3);
    EXPECT_EQ(Read16(bytes, 16), 22);
    EXPECT_EQ(Read16(bytes, 18), 22 + 4 + 8);
    EXPECT_EQ(Read16(bytes, 20), 34 + 4);
    EXPECT_EQ(Read16(bytes, 34), 0);
    EXPECT_EQ(Read16(bytes, 38), 1);
    EXPECT_EQ(bytes[38 + 4 + 2], 0x8A);
    EXPECT_EQ(image.Total(), bytes.size());
}

TEST_F(MacroImageStoreTest, NeverReadsAnEventFileOutsideTheFolder) {
    const std::string outside = Root() + "secret";
    WriteEvents(outside + ".mac", 5);
    WriteList({{"a", "../secret"}, {"b", outside}});
    const MacroImage image = MacroImage::FromStore(m_folder, "macro.config", 9216);
    ASSERT_TRUE(image.IsBuilt());
    EXPECT_EQ(image.Total(), 16u + 12u);
}

TEST_F(MacroImageStoreTest, HasNothingToSendForAnEmptyOrMissingList) {
    EXPECT_EQ(MacroImage::FromStore(m_folder, "macro.config", 9216).GetStatus(),
              MacroImage::Status::NoMacros);
    WriteList({});
    EXPECT_EQ(MacroImage::FromStore(m_folder, "macro.config", 9216).GetStatus(),
              MacroImage::Status::NoMacros);
}

TEST_F(MacroImageStoreTest, CountsOnlyTheFirstFourThousandEventsOfAMacro) {
    WriteList({{"a", "big"}});
    WriteEvents(m_folder + "big.mac", 4100);
    const MacroImage image = MacroImage::FromStore(m_folder, "macro.config", 1 << 20);
    EXPECT_EQ(image.Total(), 16u + 6u + 4u * 4000u);
}

TEST_F(MacroImageStoreTest, AMacroChangedSinceTheLastUploadIsReadAgain) {
    WriteList({{"a", "g1"}, {"b", "g2"}});
    WriteEvents(m_folder + "g1.mac", 2);
    WriteEvents(m_folder + "g2.mac", 1);
    EXPECT_EQ(MacroImage::FromStore(m_folder, "macro.config", 9216).Total(), 16u + 12u + 12u);
    // Saved by the editor (a new file) and written over in place by hand.
    profile::MacroStore store;
    store.SetFolder(m_folder);
    store.Load();
    Json::Value events(Json::arrayValue);
    for (int i = 0; i < 5; ++i) {
        events.append(macro::MakeEvent(true, 10, 4, 0));
    }
    ASSERT_TRUE(store.SaveEvents(0, events).Ok());
    EXPECT_EQ(MacroImage::FromStore(m_folder, "macro.config", 9216).Total(), 16u + 12u + 24u);
    WriteEvents(m_folder + "g2.mac", 3);
    EXPECT_EQ(MacroImage::FromStore(m_folder, "macro.config", 9216).Total(), 16u + 12u + 32u);
    std::filesystem::remove(m_folder + "g2.mac");
    EXPECT_EQ(MacroImage::FromStore(m_folder, "macro.config", 9216).Total(), 16u + 12u + 20u);
}

TEST(MacroKeys, RemovingAMacroResetsItsKeysAndMovesLaterOnesDown) {
    // Macro 1 of 3 goes: key 0 played it, key 1 played macro 2, key 2 macro 0.
    std::vector<KeyEntry> keys = {Key(0, 0x70, 1, 2), Key(1, 0x71, 2, 9), Key(2, 0x70, 0),
                                  Key(3, 0x20, 1, 4)};
    EXPECT_TRUE(macro::AnyKeyPlays(keys, 1));
    EXPECT_TRUE(macro::RenumberAfterRemoval(keys, 1));
    EXPECT_EQ(keys[0].current, keys[0].defaults);
    EXPECT_EQ(keys[0].current.keyIndex, 0);
    EXPECT_EQ(keys[1].current, (KeyAssignment{1, 0x71, 1, 9, 0}));
    EXPECT_EQ(keys[2].current, (KeyAssignment{2, 0x70, 0, 0, 0}));
    // A key kind that only looks like a macro index is left alone.
    EXPECT_EQ(keys[3].current, (KeyAssignment{3, 0x20, 1, 4, 0}));
    EXPECT_FALSE(macro::AnyKeyPlays(keys, 2));
}

TEST(MacroKeys, KeysOfMacrosPastTheListGetTheirDefaults) {
    std::vector<KeyEntry> keys = {Key(0, 0x70, 2), Key(1, 0x71, 1), Key(2, 0x13, 5)};
    EXPECT_TRUE(macro::ResetMissingMacros(keys, 2));
    EXPECT_EQ(keys[0].current, keys[0].defaults);
    EXPECT_EQ(keys[1].current.param1, 1);
    EXPECT_FALSE(macro::ResetMissingMacros(keys, 2));
}
