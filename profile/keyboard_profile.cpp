#include "profile/keyboard_profile.h"

#include <algorithm>

#include "profile/json_fields.h"

using profile::json::ArrayElement;
using profile::json::Element;
using profile::json::Low16;
using profile::json::Low8;
using profile::json::Member;
using profile::json::ObjectMember;

namespace {

uint32_t PackHalves(const Json::Value& section, const char* low, const char* high) {
    return static_cast<uint32_t>(Low16(Member(section, low))) |
           static_cast<uint32_t>(Low16(Member(section, high))) << 16;
}

void WriteHalves(Json::Value& section, const char* low, const char* high, uint32_t word) {
    ObjectMember(section, low) = static_cast<int>(word & 0xFFFF);
    ObjectMember(section, high) = static_cast<int>(word >> 16);
}

Json::Value ColorValue(const CustomColor& color) {
    Json::Value value(Json::objectValue);
    value["Red"] = static_cast<int>(color.red);
    value["Green"] = static_cast<int>(color.green);
    value["Blue"] = static_cast<int>(color.blue);
    value["Alpha"] = static_cast<int>(color.alpha);
    return value;
}

CustomColor ReadColor(const Json::Value& value) {
    return CustomColor{Low8(Member(value, "Red")), Low8(Member(value, "Green")),
                       Low8(Member(value, "Blue")), Low8(Member(value, "Alpha"))};
}

}  // namespace

CKeyboardProfiledata::SystemWords CKeyboardProfiledata::ReadSystemStages() {
    const Json::Value& section = Section("SystemStages");
    m_systemWords = {PackHalves(section, "Repeat", "RepeatDelay"),
                     PackHalves(section, "Key6Flag", "PollingRate"),
                     PackHalves(section, "WFlag", "WinFlag")};
    return m_systemWords;
}

void CKeyboardProfiledata::WriteSystemStages(const SystemWords& words) {
    m_systemWords = words;
    Json::Value& section = MutableSection("SystemStages");
    WriteHalves(section, "Repeat", "RepeatDelay", words[0]);
    WriteHalves(section, "Key6Flag", "PollingRate", words[1]);
    WriteHalves(section, "WFlag", "WinFlag", words[2]);
}

std::vector<CustomColor> CKeyboardProfiledata::ReadCustomColors(int group, int count) {
    if (group < 0 || group > kMaxGrownIndex || count < 0) {
        return {};
    }
    const auto g = static_cast<Json::ArrayIndex>(group);
    const Json::Value& groups = Member(Section("CustomLightMode"), "LightColorInfo");
    // A copy: writing the missing zeros below may replace the stored group.
    const Json::Value present = Element(groups, g);
    std::vector<CustomColor> colors(static_cast<size_t>(std::min(count, kMaxColors)));
    if (present.isArray()) {
        for (Json::ArrayIndex i = 0; i < colors.size(); ++i) {
            if (i < present.size() && !present[i].isNull()) {
                colors[i] = ReadColor(present[i]);
            }
        }
    }
    // Write back what was missing, so that the next save stores a full group.
    Json::Value& target =
        ArrayElement(ObjectMember(MutableSection("CustomLightMode"), "LightColorInfo"), g);
    for (Json::ArrayIndex i = 0; i < colors.size(); ++i) {
        if (!present.isArray() || i >= present.size() || present[i].isNull()) {
            ArrayElement(target, i) = ColorValue(CustomColor{});
        }
    }
    m_customColors = colors;
    return colors;
}

void CKeyboardProfiledata::WriteCustomColors(const std::vector<CustomColor>& colors, int group) {
    if (group < 0 || group > kMaxGrownIndex) {
        return;
    }
    m_customColors = colors;
    Json::Value& target =
        ArrayElement(ObjectMember(MutableSection("CustomLightMode"), "LightColorInfo"),
                     static_cast<Json::ArrayIndex>(group));
    for (size_t i = 0; i < colors.size(); ++i) {
        ArrayElement(target, static_cast<Json::ArrayIndex>(i)) = ColorValue(colors[i]);
    }
}

int CKeyboardProfiledata::ReadCustomGroupIndex() {
    m_customGroup =
        profile::json::Int32(Member(Section("CustomLightMode"), "CustomLightModeGroupIndex"));
    return m_customGroup;
}

void CKeyboardProfiledata::WriteCustomGroupIndex(int group) {
    m_customGroup = group;
    ObjectMember(MutableSection("CustomLightMode"), "CustomLightModeGroupIndex") = group;
}
