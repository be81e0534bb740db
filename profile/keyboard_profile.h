#pragma once
// The keyboard's profile document: the base sections plus "SystemStages"
// (key repeat, report rate and key lock flags) and "CustomLightMode" (the
// per-key colour groups of the custom-colour lighting mode).

#include <array>
#include <cstdint>
#include <vector>

#include "profile/light_records.h"
#include "profile/profile_document.h"

class CKeyboardProfiledata : public CBasicProfiledata {
  public:
    // "SystemStages" packed into three words, low half first:
    // word 0 = "Repeat" | "RepeatDelay" << 16, word 1 = "Key6Flag" |
    // "PollingRate" << 16, word 2 = "WFlag" | "WinFlag" << 16.
    using SystemWords = std::array<uint32_t, 3>;
    SystemWords ReadSystemStages();
    void WriteSystemStages(const SystemWords& words);
    const SystemWords& GetSystemStages() const { return m_systemWords; }

    // Group `group` of "LightColorInfo" with `count` colours. Missing colours
    // (or the whole group) are written into the document as zeros and read
    // as zeros. Groups outside 0-255 and negative counts read as empty;
    // at most 4096 colours are read.
    std::vector<CustomColor> ReadCustomColors(int group, int count);
    // Stores the colours as elements 0 … n-1 of group `group`; later
    // elements of the group stay. Groups outside 0-255 are ignored.
    void WriteCustomColors(const std::vector<CustomColor>& colors, int group);

    // "CustomLightModeGroupIndex": the selected group, 0 when absent.
    int ReadCustomGroupIndex();
    void WriteCustomGroupIndex(int group);

  private:
    // More colours than any keyboard has LEDs are not read.
    static constexpr int kMaxColors = 4096;

    SystemWords m_systemWords{};
    std::vector<CustomColor> m_customColors;
    int m_customGroup = 0;
};
