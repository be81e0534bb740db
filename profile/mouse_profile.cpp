#include "profile/mouse_profile.h"

#include "profile/json_fields.h"

using profile::json::ArrayElement;
using profile::json::Low16;
using profile::json::Low8;
using profile::json::Member;
using profile::json::ObjectMember;
using profile::json::Size;

namespace {

DpiStage ReadStage(const Json::Value& element) {
    DpiStage stage;
    stage.enabled = Low8(Member(element, "StageActive"));
    stage.xy = Low8(Member(element, "StageXY"));
    stage.dpiX = Low16(Member(element, "StageDPIX"));
    stage.dpiY = Low16(Member(element, "StageDPIY"));
    stage.red = Low8(Member(element, "StageColorR"));
    stage.green = Low8(Member(element, "StageColorG"));
    stage.blue = Low8(Member(element, "StageColorB"));
    return stage;
}

void WriteStage(Json::Value& element, const DpiStage& stage) {
    ObjectMember(element, "StageActive") = static_cast<int>(stage.enabled);
    ObjectMember(element, "StageXY") = static_cast<int>(stage.xy);
    ObjectMember(element, "StageDPIX") = static_cast<int>(stage.dpiX);
    ObjectMember(element, "StageDPIY") = static_cast<int>(stage.dpiY);
    ObjectMember(element, "StageColorR") = static_cast<int>(stage.red);
    ObjectMember(element, "StageColorG") = static_cast<int>(stage.green);
    ObjectMember(element, "StageColorB") = static_cast<int>(stage.blue);
}

uint32_t Halves(uint16_t low, uint16_t high) {
    return static_cast<uint32_t>(low) | static_cast<uint32_t>(high) << 16;
}

}  // namespace

std::vector<DpiStage> CMouseProfiledata::ReadDpiStages() {
    const Json::Value& stages = Member(Section("DPIStages"), "StageDPIs");
    for (Json::ArrayIndex j = 0; j < Size(stages); ++j) {
        const DpiStage stage = ReadStage(stages[j]);
        if (j < m_stages.size()) {
            m_stages[j] = stage;
        } else {
            m_stages.push_back(stage);
        }
    }
    return m_stages;
}

std::vector<DpiStage> CMouseProfiledata::ReloadDpiStages() {
    m_stages.clear();
    return ReadDpiStages();
}

void CMouseProfiledata::WriteDpiStages(const std::vector<DpiStage>& stages) {
    m_stages = stages;
    Json::Value& list = ObjectMember(MutableSection("DPIStages"), "StageDPIs");
    for (size_t i = 0; i < stages.size(); ++i) {
        WriteStage(ArrayElement(list, static_cast<Json::ArrayIndex>(i)), stages[i]);
    }
}

int CMouseProfiledata::GetActiveStage() {
    m_activeStage = profile::json::Int32(Member(Section("DPIStages"), "StageActive"));
    return m_activeStage;
}

void CMouseProfiledata::WriteActiveStage(int stage) {
    m_activeStage = stage;
    ObjectMember(MutableSection("DPIStages"), "StageActive") = stage;
}

CMouseProfiledata::SystemWords CMouseProfiledata::ReadSystemStages() {
    const Json::Value& system = Section("SystemStages");
    if (system.isNull()) {
        m_systemWords = {};
        return m_systemWords;
    }
    const Json::Value& report = Section("ReportStages");
    const uint16_t reportRate = report.isNull() ? 0 : Low16(Member(report, "StageActive"));
    m_systemWords = {
        Halves(Low16(Member(system, "DoubleClickTime")), Low16(Member(system, "MouseSpeed"))),
        Halves(Low16(Member(system, "PointerPrecision")), Low16(Member(system, "ScorllPage"))),
        Halves(Low16(Member(system, "WheelScorlllinse")), reportRate)};
    return m_systemWords;
}

void CMouseProfiledata::WriteSystemStages(const SystemWords& words) {
    m_systemWords = words;
    Json::Value& system = MutableSection("SystemStages");
    ObjectMember(system, "DoubleClickTime") = static_cast<int>(words[0] & 0xFFFF);
    ObjectMember(system, "MouseSpeed") = static_cast<int>(words[0] >> 16);
    ObjectMember(system, "PointerPrecision") = static_cast<int>(words[1] & 0xFFFF);
    ObjectMember(system, "ScorllPage") = static_cast<int>(words[1] >> 16);
    ObjectMember(system, "WheelScorlllinse") = static_cast<int>(words[2] & 0xFFFF);
    ObjectMember(MutableSection("ReportStages"), "StageActive") = static_cast<int>(words[2] >> 16);
}

std::vector<CorrectEntry> CMouseProfiledata::ReadCorrectInfo() {
    const Json::Value& section = Section("CorrectInfo");
    std::vector<CorrectEntry> entries(Size(section));
    for (Json::ArrayIndex i = 0; i < entries.size(); ++i) {
        const Json::Value& element = section[i];
        entries[i].pixThresh = Low8(Member(element, "CorrectPixThresh"));
        entries[i].minSq = Low8(Member(element, "CorrectMinSq"));
        entries[i].select = Low8(Member(element, "CorrectSelect"));
        entries[i].name = profile::json::Text(Member(element, "CorrectName"));
    }
    m_corrections = entries;
    return entries;
}
