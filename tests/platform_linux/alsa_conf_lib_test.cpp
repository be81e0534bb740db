// The ALSA audio library's mapping of properties onto a card's controls, on
// a card made of plain values, and the search for the headset's card in a
// recorded /proc tree.
#include "platform/audio/linux/alsa_conf_lib.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>

namespace {

using namespace platform::audio;

class FakeCard : public CardControls {
  public:
    std::vector<ControlInfo> controls;
    std::map<std::string, std::vector<long>> values;
    bool refuseWrites = false;

    void Add(ControlInfo info, long initial) {
        values[info.name] = std::vector<long>(static_cast<size_t>(info.channels), initial);
        controls.push_back(std::move(info));
    }
    std::vector<ControlInfo> List() override { return controls; }
    bool Read(std::string_view name, int channel, long& value) override {
        auto found = values.find(std::string(name));
        if (found == values.end() || channel >= static_cast<int>(found->second.size())) {
            return false;
        }
        value = found->second[static_cast<size_t>(channel)];
        return true;
    }
    bool Write(std::string_view name, int channel, long value) override {
        auto found = values.find(std::string(name));
        if (refuseWrites || found == values.end() ||
            channel >= static_cast<int>(found->second.size())) {
            return false;
        }
        for (size_t c = 0; c < found->second.size(); ++c) {
            if (channel < 0 || static_cast<int>(c) == channel) {
                found->second[c] = value;
            }
        }
        return true;
    }
    // A linear scale of the named control's recorded dB range.
    std::optional<long> ToCentiDb(std::string_view name, long value) override {
        for (const ControlInfo& c : controls) {
            if (c.name == name && c.minCentiDb) {
                return *c.minCentiDb +
                       (value - c.min) * (*c.maxCentiDb - *c.minCentiDb) / (c.max - c.min);
            }
        }
        return std::nullopt;
    }
    std::optional<long> FromCentiDb(std::string_view name, long db) override {
        for (const ControlInfo& c : controls) {
            if (c.name == name && c.minCentiDb) {
                return c.min +
                       (db - *c.minCentiDb) * (c.max - c.min) / (*c.maxCentiDb - *c.minCentiDb);
            }
        }
        return std::nullopt;
    }
};

class FakeFinder : public CardFinder {
  public:
    explicit FakeFinder(FakeCard* card) : m_card(card) {}
    bool available = true;
    std::optional<int> usbCard = 2;
    bool Available(std::string* why) override {
        if (!available && why != nullptr) {
            *why = "no ALSA";
        }
        return available;
    }
    std::optional<int> FindUsbCard(uint16_t vendor, uint16_t product) override {
        return vendor == 0x0D8C && product == 0x01DA ? usbCard : std::nullopt;
    }
    std::unique_ptr<CardControls> Open(int, std::string*) override {
        struct Forward : CardControls {
            FakeCard* c;
            explicit Forward(FakeCard* card) : c(card) {}
            std::vector<ControlInfo> List() override { return c->List(); }
            bool Read(std::string_view n, int ch, long& v) override { return c->Read(n, ch, v); }
            bool Write(std::string_view n, int ch, long v) override { return c->Write(n, ch, v); }
            std::optional<long> ToCentiDb(std::string_view n, long v) override {
                return c->ToCentiDb(n, v);
            }
            std::optional<long> FromCentiDb(std::string_view n, long d) override {
                return c->FromCentiDb(n, d);
            }
        };
        return std::make_unique<Forward>(m_card);
    }

  private:
    FakeCard* m_card;
};

// A USB headset's mixer: microphone capture level and switch, and the
// microphone mixed into the headphones (monitoring), plus the speaker level.
class AlsaConfLibTest : public ::testing::Test {
  protected:
    void SetUp() override {
        card.Add({"Speaker Playback Volume", false, 2, 0, 151, -2800, 0}, 100);
        card.Add({"Mic Capture Volume", false, 1, 0, 31, -1200, 1900}, 10);
        card.Add({"Mic Capture Switch", true, 1, 0, 1, {}, {}}, 1);
        card.Add({"Mic Playback Volume", false, 2, 0, 32, {}, {}}, 16);
        card.Add({"Mic Playback Switch", true, 1, 0, 1, {}, {}}, 0);
        auto finder = std::make_unique<FakeFinder>(&card);
        finderView = finder.get();
        lib = std::make_unique<AlsaConfLib>(std::move(finder), HeadsetIdentity{0x0D8C, 0x01DA});
    }
    void Open() {
        ASSERT_EQ(lib->ConfLibInit(), 0);
        ASSERT_EQ(lib->CreateDeviceList(), 0);
        ASSERT_EQ(lib->GetDeviceById(kFlowRecording, 0, recording), 0);
        ASSERT_EQ(lib->GetDeviceById(kFlowPlayback, 0, playback), 0);
    }
    std::optional<double> Get(const EndpointRecord& e, const wchar_t* name,
                              std::optional<int32_t> channel = std::nullopt) {
        std::array<uint8_t, kBufferBytes> value{}, param{};
        std::span<const uint8_t> p;
        if (channel) {
            PutInt(param, *channel);
            p = param;
        }
        if (lib->PropertyControl(e, name, value, p, 0) != 0) {
            return std::nullopt;
        }
        return ParseNumber(TakeWideText(value));
    }
    int SetFloat(const wchar_t* name, float v, int32_t channel) {
        std::array<uint8_t, kBufferBytes> value{}, param{};
        PutFloat(value, v);
        PutInt(param, channel);
        return lib->PropertyControl(recording, name, value, param, 1);
    }
    int SetInt(const EndpointRecord& e, const wchar_t* name, int32_t v) {
        std::array<uint8_t, kBufferBytes> value{};
        PutInt(value, v);
        return lib->PropertyControl(e, name, value, {}, 1);
    }

    FakeCard card;
    FakeFinder* finderView = nullptr;
    std::unique_ptr<AlsaConfLib> lib;
    EndpointRecord recording, playback;
};

TEST_F(AlsaConfLibTest, MicrophonePropertiesReadAndSetTheCaptureControls) {
    Open();
    EXPECT_EQ(Get(recording, L"GetMaxVol"), 19.0);
    EXPECT_EQ(Get(recording, L"GetMinVol"), -12.0);
    EXPECT_EQ(Get(recording, L"GetVolStep"), 1.0);
    EXPECT_EQ(Get(recording, L"MuteControl"), 0.0) << "switch on is not muted";
    ASSERT_EQ(SetFloat(L"VolumeScalarControl", 0.5f, -1), 0);
    EXPECT_EQ(card.values["Mic Capture Volume"][0], 16);
    EXPECT_NEAR(*Get(recording, L"VolumeScalarControl", -1), 16.0 / 31, 1e-6);
    ASSERT_EQ(SetFloat(L"VolumeControl", 0.0f, -1), 0);
    EXPECT_EQ(card.values["Mic Capture Volume"][0], 12);
    EXPECT_EQ(Get(recording, L"VolumeControl", -1), 0.0);
    ASSERT_EQ(SetInt(recording, L"MuteControl", 1), 0);
    EXPECT_EQ(card.values["Mic Capture Switch"][0], 0);
}

TEST_F(AlsaConfLibTest, MonitoringIsTheMicrophonesPlaybackPathPerChannel) {
    Open();
    EXPECT_EQ(Get(recording, L"AAMuteControl"), 1.0);
    ASSERT_TRUE(Get(recording, L"GetAAMaxVol"));
    EXPECT_EQ(Get(recording, L"GetAAMinVol"), -32.0) << "one step a dB without a scale";
    ASSERT_EQ(SetFloat(L"AAVolumeScalarControl", 1.0f, 1), 0);
    EXPECT_EQ(card.values["Mic Playback Volume"], (std::vector<long>{16, 32}));
    EXPECT_EQ(SetFloat(L"AAVolumeScalarControl", 0.5f, 2), 1) << "no third channel";
    ASSERT_EQ(SetInt(recording, L"AAMuteControl", 0), 0);
    EXPECT_EQ(card.values["Mic Playback Switch"][0], 1);
}

TEST_F(AlsaConfLibTest, EverythingElseIsNotSupported) {
    Open();
    EXPECT_FALSE(Get(playback, L"EQ_Slider1"));
    EXPECT_EQ(SetInt(playback, L"Enable_EQ_GFX", 1), 1);
    EXPECT_EQ(SetInt(recording, L"MagicVoice_Selection", 2), 1);
    EXPECT_FALSE(Get(recording, L"Enable_ENC_LFX"));
    EXPECT_EQ(SetFloat(L"VolumeScalarControl", std::nanf(""), -1), 1);
    std::array<uint8_t, kBufferBytes> value{};
    ASSERT_EQ(lib->PropertyControl(recording, L"GetSupportFeature", value, {}, 0), 0);
    EXPECT_EQ(TakeWideText(value), L"0,0,0,0,0,0,0");
}

TEST_F(AlsaConfLibTest, ACardWithoutMonitoringOrRefusingWritesFailsThoseProperties) {
    card.controls.erase(card.controls.begin() + 3, card.controls.end());
    Open();
    EXPECT_FALSE(Get(recording, L"GetAAMaxVol"));
    EXPECT_FALSE(Get(recording, L"AAMuteControl"));
    card.refuseWrites = true;
    EXPECT_EQ(SetInt(recording, L"MuteControl", 1), 1);
}

TEST_F(AlsaConfLibTest, WithoutTheHeadsetsCardThereAreNoEndpointsAndTheReasonSaysSo) {
    finderView->usbCard = std::nullopt;
    ASSERT_EQ(lib->ConfLibInit(), 0);
    ASSERT_EQ(lib->CreateDeviceList(), 0);
    int count = -1;
    ASSERT_EQ(lib->GetDeviceCount(kFlowPlayback, count), 0);
    EXPECT_EQ(count, 0);
    EXPECT_NE(lib->Availability().find("0d8c:01da"), std::string::npos);
    // Plugged in later: the next list finds it.
    finderView->usbCard = 1;
    ASSERT_EQ(lib->CreateDeviceList(), 0);
    ASSERT_EQ(lib->GetDeviceCount(kFlowRecording, count), 0);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(lib->Availability(), "");
}

TEST(AlsaCards, TheHeadsetsCardIsFoundByItsUsbId) {
    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("alsa_cards_" + std::to_string(getpid()));
    std::filesystem::remove_all(root);
    auto card = [&](const std::string& name, const std::string& usbid) {
        std::filesystem::create_directories(root / "asound" / name);
        if (!usbid.empty()) {
            std::ofstream(root / "asound" / name / "usbid") << usbid << "\n";
        }
    };
    card("card0", "");
    card("card1", "046d:0a44");
    card("card3", "0d8c:01da");
    card("card2", "0d8c:01da");
    card("cards", "0d8c:01da");
    EXPECT_EQ(FindUsbCardIn(root.string(), 0x0D8C, 0x01DA), 2);
    EXPECT_EQ(FindUsbCardIn(root.string(), 0x046D, 0x0A44), 1);
    EXPECT_EQ(FindUsbCardIn(root.string(), 0x1234, 0x5678), std::nullopt);
    EXPECT_EQ(FindUsbCardIn((root / "missing").string(), 0x0D8C, 0x01DA), std::nullopt);
    std::filesystem::remove_all(root);
}

TEST(AudioBuffers, WideTextRoundTripsAndNonNumbersAreRefused) {
    std::array<uint8_t, kBufferBytes> buffer{};
    ASSERT_TRUE(PutWideText(buffer, FloatText(-12.5)));
    EXPECT_EQ(ParseNumber(TakeWideText(buffer)), -12.5);
    EXPECT_FALSE(PutWideText(buffer, std::wstring(kBufferBytes, L'1')));
    EXPECT_FALSE(ParseNumber(L"12dB"));
    EXPECT_FALSE(ParseNumber(L""));
    EXPECT_FALSE(ParseNumber(L"nan"));
    buffer.fill(0xFF);  // no terminator anywhere
    EXPECT_EQ(TakeWideText(buffer).size(), kBufferBytes / sizeof(wchar_t));
}

}  // namespace
