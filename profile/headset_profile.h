#pragma once
// The headset's profile document: the base sections plus "SystemSetStages"
// (voice effect, equaliser choice, microphone and monitoring), the built-in
// equaliser curves "EQHzValueInfo" and the user's custom presets
// "CustomEQNameInfo" / "CustomEQHzValueInfo".

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "profile/profile_document.h"

class CHs6533Profiledata : public CBasicProfiledata {
  public:
    // "SystemSetStages", in this order.
    enum Setting {
        kMagicEnable,
        kMagicType,
        kEqType,
        kCustomEqSelectIndex,
        kMicInSelect,
        kMicInValue,
        kMicMonitorSelect,
        kMicMonitorValue,
        kSettingCount
    };
    using Settings = std::array<int32_t, kSettingCount>;
    using Bands = std::array<int32_t, 10>;

    Settings ReadHeadsetSettings();
    void WriteHeadsetSettings(const Settings& settings);

    // Index of preset `preset` in "EQHzValueInfo": 0 and anything above 13
    // (or below 0) use 1, 1-12 themselves, 13 (custom) none (-1).
    static int EqPresetIndex(int preset);

    // The ten bands of a built-in preset; empty for the custom preset. Bands
    // missing in the document are written into it as 0 and read as 0.
    std::vector<int32_t> ReadEqBands(int preset);
    void WriteEqBands(int preset, const Bands& values);

    // Names of the custom presets; writing replaces the whole list.
    std::vector<std::string> ReadCustomEqNames();
    void WriteCustomEqNames(const std::vector<std::string>& names);

    // The ten bands of custom preset n (0-255), missing bands written as 0;
    // empty for other n.
    std::vector<int32_t> ReadCustomEqBands(int n);
    void WriteCustomEqBands(int n, const Bands& values);

  private:
    std::vector<int32_t> ReadBands(const char* section, int index);
    void WriteBands(const char* section, int index, const Bands& values);

    Settings m_settings{};
};
