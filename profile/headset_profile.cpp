#include "profile/headset_profile.h"

#include "profile/json_fields.h"

using profile::json::ArrayElement;
using profile::json::Element;
using profile::json::Int32;
using profile::json::Member;
using profile::json::ObjectMember;
using profile::json::Size;

namespace {

constexpr const char* kSettingKeys[CHs6533Profiledata::kSettingCount] = {
    "MagicEnable", "MagicType",  "EqType",           "CustomEqSeletIndex",
    "MicInSelect", "MicInValue", "MicMoniterSelect", "MicMoniterValue"};

constexpr int kCustomPreset = 13;

}  // namespace

CHs6533Profiledata::Settings CHs6533Profiledata::ReadHeadsetSettings() {
    const Json::Value& section = Section("SystemSetStages");
    for (int i = 0; i < kSettingCount; ++i) {
        m_settings[i] = Int32(Member(section, kSettingKeys[i]));
    }
    return m_settings;
}

void CHs6533Profiledata::WriteHeadsetSettings(const Settings& settings) {
    m_settings = settings;
    Json::Value& section = MutableSection("SystemSetStages");
    for (int i = 0; i < kSettingCount; ++i) {
        ObjectMember(section, kSettingKeys[i]) = settings[i];
    }
}

int CHs6533Profiledata::EqPresetIndex(int preset) {
    if (preset == kCustomPreset) {
        return -1;
    }
    return preset >= 1 && preset <= 12 ? preset : 1;
}

std::vector<int32_t> CHs6533Profiledata::ReadBands(const char* section, int index) {
    if (index < 0 || index > kMaxGrownIndex) {
        return {};
    }
    const auto at = static_cast<Json::ArrayIndex>(index);
    // A copy: writing the missing zeros below may replace the stored preset.
    const Json::Value stored = Element(Member(GetDeviceObject(), section), at);
    std::vector<int32_t> values(10, 0);
    Json::Value* target = nullptr;
    for (Json::ArrayIndex i = 0; i < values.size(); ++i) {
        const Json::Value& band = Element(stored, i);
        if (!band.isNull()) {
            values[i] = Int32(Member(band, "value"));
            continue;
        }
        if (target == nullptr) {
            target = &ArrayElement(MutableSection(section), at);
        }
        ObjectMember(ArrayElement(*target, i), "value") = 0;
    }
    return values;
}

void CHs6533Profiledata::WriteBands(const char* section, int index, const Bands& values) {
    if (index < 0 || index > kMaxGrownIndex) {
        return;
    }
    Json::Value& target =
        ArrayElement(MutableSection(section), static_cast<Json::ArrayIndex>(index));
    for (Json::ArrayIndex i = 0; i < values.size(); ++i) {
        ObjectMember(ArrayElement(target, i), "value") = values[i];
    }
}

std::vector<int32_t> CHs6533Profiledata::ReadEqBands(int preset) {
    return ReadBands("EQHzValueInfo", EqPresetIndex(preset));
}

void CHs6533Profiledata::WriteEqBands(int preset, const Bands& values) {
    WriteBands("EQHzValueInfo", EqPresetIndex(preset), values);
}

std::vector<std::string> CHs6533Profiledata::ReadCustomEqNames() {
    const Json::Value& section = Section("CustomEQNameInfo");
    std::vector<std::string> names;
    for (Json::ArrayIndex i = 0; i < Size(section); ++i) {
        names.push_back(profile::json::Text(Member(section[i], "Name")));
    }
    return names;
}

void CHs6533Profiledata::WriteCustomEqNames(const std::vector<std::string>& names) {
    Json::Value list(Json::arrayValue);
    for (const std::string& name : names) {
        Json::Value element(Json::objectValue);
        element["Name"] = name;
        list.append(element);
    }
    MutableSection("CustomEQNameInfo") = list;
}

std::vector<int32_t> CHs6533Profiledata::ReadCustomEqBands(int n) {
    return ReadBands("CustomEQHzValueInfo", n);
}

void CHs6533Profiledata::WriteCustomEqBands(int n, const Bands& values) {
    WriteBands("CustomEQHzValueInfo", n, values);
}
