#pragma once
// The audio library over ALSA: the headset's own USB sound card (the card
// whose USB id is the headset's vendor and product) stands for both endpoints.
//
// Recording endpoint (the microphone):
//   "VolumeControl" (dB), "VolumeScalarControl" (0-1), "MuteControl",
//   "GetMaxVol", "GetMinVol", "GetVolStep"  -> the card's capture level and
//   capture switch ("Mic Capture Volume" / "Mic Capture Switch", or the first
//   "... Capture Volume" / "... Capture Switch"; a card without any capture
//   level uses its "Mic Volume");
//   the "AA" forms of the same (monitoring) -> the microphone's playback
//   level and switch ("Mic Playback Volume" / "Mic Playback Switch", or the
//   "Sidetone ..." pair), which mix the microphone into the headphones.
//   "GetSupportFeature" -> seven fields, no voice effects.
// Playback endpoint: "GetSupportFeature" only.
// Every other property (equaliser, voice effect, surround, noise reduction)
// is not supported: gets and sets fail.
//
// Levels: the scalar is linear over the control's raw range; dB comes from
// the card's dB scale, or, without one, counts one raw step as 1 dB with
// 0 dB at the top. A parameter of -1 means every channel (a get reads the
// first), 0 or 1 one channel.

#include <memory>
#include <string>

#include "platform/audio/conf_lib.h"
#include "platform/audio/linux/card_controls.h"

namespace platform::audio {

class AlsaConfLib : public ConfLib {
  public:
    // `card` >= 0 uses that card whatever its USB id (the test bed's cards);
    // otherwise the card is found by the headset's identity.
    AlsaConfLib(std::unique_ptr<CardFinder> finder, HeadsetIdentity headset, int card = -1);

    int ConfLibInit() override;
    int ConfLibUnInit() override;
    int CreateDeviceList() override;
    int GetDeviceCount(int flow, int& count) override;
    int GetDeviceById(int flow, int index, EndpointRecord& out) override;
    int PropertyControl(const EndpointRecord& endpoint, std::wstring_view name,
                        std::span<uint8_t> value, std::span<const uint8_t> param, int set) override;
    std::string Availability() const override { return m_availability; }

    // The card in use, -1 for none.
    int Card() const { return m_cardInUse; }

  private:
    struct Level {
        std::string volume;  // control names, "" when the card has none
        std::string toggle;
    };
    struct Scale {
        double minDb = 0;
        double maxDb = 0;
        double stepDb = 0;
        long min = 0;
        long max = 0;
    };

    int Get(const Level& level, std::wstring_view what, int channel, std::span<uint8_t> value);
    int Set(const Level& level, std::wstring_view what, int channel,
            std::span<const uint8_t> value);
    std::optional<Scale> ScaleOf(const std::string& control);
    std::optional<double> DbOf(const std::string& control, long raw);

    std::unique_ptr<CardFinder> m_finder;
    HeadsetIdentity m_headset;
    int m_fixedCard = -1;
    int m_cardInUse = -1;
    bool m_initialised = false;
    std::unique_ptr<CardControls> m_controls;
    std::vector<ControlInfo> m_info;
    Level m_mic;
    Level m_monitor;
    std::string m_availability;
};

// Loads AlsaConfLib over the system's cards; fails when ALSA is not there.
class AlsaConfLibLoader : public ConfLibLoader {
  public:
    std::unique_ptr<ConfLib> Load(const HeadsetIdentity& headset, std::string* why) override;
};

// The system's cards through alsa-lib ("hw:N").
std::unique_ptr<CardFinder> MakeAlsaCardFinder(std::string procRoot = "/proc");

}  // namespace platform::audio
