#pragma once
// Mouse records kept in profile documents. Shared by the profile documents,
// the mouse device object and its page.

#include <cstdint>
#include <string>

// One sensitivity stage ("DPIStages"."StageDPIs" element). dpiX and dpiY are
// in the device's DPI steps, not in DPI.
struct DpiStage {
    uint8_t enabled = 0;  // "StageActive"
    uint8_t xy = 0;       // "StageXY": separate X and Y sensitivity
    uint16_t dpiX = 0;    // "StageDPIX"
    uint16_t dpiY = 0;    // "StageDPIY"
    uint8_t red = 0;      // "StageColorR"
    uint8_t green = 0;    // "StageColorG"
    uint8_t blue = 0;     // "StageColorB"

    friend bool operator==(const DpiStage&, const DpiStage&) = default;
};

// One "CorrectInfo" element: a pointer correction preset.
struct CorrectEntry {
    uint8_t pixThresh = 0;  // "CorrectPixThresh"
    uint8_t minSq = 0;      // "CorrectMinSq"
    uint8_t select = 0;     // "CorrectSelect": non-zero when chosen
    std::string name;       // "CorrectName"

    friend bool operator==(const CorrectEntry&, const CorrectEntry&) = default;
};
