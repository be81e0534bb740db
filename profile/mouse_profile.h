#pragma once
// The mouse's profile document: the base sections plus "DPIStages"
// (sensitivity stages), "SystemStages" with "ReportStages" (pointer settings
// and report rate) and "CorrectInfo" (pointer correction presets).

#include <array>
#include <cstdint>
#include <vector>

#include "profile/mouse_records.h"
#include "profile/profile_document.h"

class CMouseProfiledata : public CBasicProfiledata {
  public:
    // Merges "StageDPIs" into the document's stage list: stage j of the file
    // replaces stage j of the list, or is appended; stages of the list beyond
    // the file's count stay. Returns the merged list.
    std::vector<DpiStage> ReadDpiStages();
    // Replaces the list and stores each stage as element i of "StageDPIs"
    // (elements beyond the list stay).
    void WriteDpiStages(const std::vector<DpiStage>& stages);
    const std::vector<DpiStage>& GetDpiStages() const { return m_stages; }
    // The stage list exactly as the loaded document has it: ReadDpiStages
    // keeps the stages of an earlier document beyond this one's count, which
    // would show and send another profile's stages after a switch.
    std::vector<DpiStage> ReloadDpiStages();

    // "DPIStages"."StageActive": the active stage index.
    int GetActiveStage();
    void WriteActiveStage(int stage);

    // Three words, low half first: word 0 = "DoubleClickTime" | "MouseSpeed"
    // << 16, word 1 = "PointerPrecision" | "ScorllPage" << 16, word 2 =
    // "WheelScorlllinse" | "ReportStages"."StageActive" << 16 (the report-rate
    // half only when "ReportStages" exists; all 0 without "SystemStages").
    using SystemWords = std::array<uint32_t, 3>;
    SystemWords ReadSystemStages();
    void WriteSystemStages(const SystemWords& words);

    // "CorrectInfo" (read only).
    std::vector<CorrectEntry> ReadCorrectInfo();

  private:
    std::vector<DpiStage> m_stages;
    int m_activeStage = 0;
    SystemWords m_systemWords{};
    std::vector<CorrectEntry> m_corrections;
};
