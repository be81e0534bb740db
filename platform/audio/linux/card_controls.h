#pragma once
// What the ALSA library needs of one sound card: its mixer controls by name,
// their ranges and dB scales, and their values per channel. The real card
// (alsa_card.h) opens the kernel's control interface; tests give a fake.
//
// Threads: one caller at a time.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::audio {

struct ControlInfo {
    std::string name;
    bool isBoolean = false;  // a switch; otherwise an integer level
    int channels = 1;
    long min = 0;
    long max = 0;
    // The dB scale in hundredths of a dB, when the card gives one.
    std::optional<long> minCentiDb;
    std::optional<long> maxCentiDb;
};

class CardControls {
  public:
    virtual ~CardControls() = default;
    // Every mixer control of the card.
    virtual std::vector<ControlInfo> List() = 0;
    // One channel's raw value; false when it cannot be read.
    virtual bool Read(std::string_view name, int channel, long& value) = 0;
    // Sets one channel (channel < 0: every channel); false when refused.
    virtual bool Write(std::string_view name, int channel, long value) = 0;
    // dB of a raw value / the raw value nearest a dB level, in hundredths of
    // a dB, for controls with a dB scale.
    virtual std::optional<long> ToCentiDb(std::string_view name, long value) = 0;
    virtual std::optional<long> FromCentiDb(std::string_view name, long centiDb) = 0;
};

// Finds and opens sound cards.
class CardFinder {
  public:
    virtual ~CardFinder() = default;
    // False when the sound system is not there at all (the reason in *why).
    virtual bool Available(std::string* why) = 0;
    // The card of a USB device, none when no card belongs to it.
    virtual std::optional<int> FindUsbCard(uint16_t vendorId, uint16_t productId) = 0;
    virtual std::unique_ptr<CardControls> Open(int card, std::string* why) = 0;
};

// Reads "/proc/asound/cardN/usbid" style files below procRoot ("/proc"):
// the first card whose USB id is vendor:product, none otherwise.
std::optional<int> FindUsbCardIn(const std::string& procRoot, uint16_t vendorId,
                                 uint16_t productId);

}  // namespace platform::audio
