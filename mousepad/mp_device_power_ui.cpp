#include "mousepad/mp_device_power_ui.h"

#include <algorithm>
#include <string>

#include "platform/ui/range_controls.h"

namespace {

constexpr int kKindMouse = 2;
constexpr int kKindMousePad = 3;

struct PhoneLook {
    const char* tooltipKey;
    const char* image;
};

PhoneLook PhoneFor(uint8_t type) {
    switch (type) {
        case 1:
            return {"Phone_type_iphone", "file='power/Phone_type_iphone.png'"};
        case 2:
            return {"Phone_type_samsung", "file='power/Phone_type_samsung.png'"};
        case 3:
            return {"Phone_type_other", "file='power/Phone_type_other.png'"};
        default:
            return {"Phone_type_no_device", "file='power/Phone_type_no_device.png'"};
    }
}

}  // namespace

void CMpDevicePowerUI::SetKind(int kind, int value) {
    m_kind = kind;
    m_value = value;
}

void CMpDevicePowerUI::SetExtra(int value) {
    if (m_layout == nullptr) {
        m_layout = FindSubControl("device_power_Layout");
    }
    if (m_layout != nullptr) {
        m_layout->SetVisible(value != 0);
    }
}

bool CMpDevicePowerUI::LookUp() {
    if (!m_lookedUp) {
        m_lookedUp = true;
        m_valueText = FindSubControl("device_power_value");
        m_wirelessLogo = FindSubControl("device_wuxian_logo");
        m_progress = FindSubControl<ui::Progress>("device_Power_progress");
        m_statusImage = FindSubControl("device_power_status");
        m_phoneType = FindSubControl("device_phone_type");
        if (m_layout == nullptr) {
            m_layout = FindSubControl("device_power_Layout");
        }
    }
    return m_valueText && m_wirelessLogo && m_progress && m_statusImage && m_phoneType;
}

void CMpDevicePowerUI::ShowStatus(std::span<const uint8_t> record) {
    m_record.fill(0);
    std::copy_n(record.begin(), std::min(record.size(), kRecordSize), m_record.begin());
    if (!LookUp()) {
        return;
    }
    const uint8_t level = m_record[0];
    m_progress->SetValue(100 - level, ui::Notify::No);
    m_valueText->SetText(std::to_string(level) + "%");

    const bool wireless = m_record[3] != 0;
    if (m_kind == kKindMouse) {
        m_wirelessLogo->SetVisible(wireless);
    }
    switch (m_record[1]) {
        case 0:
            m_progress->SetVisible(true);
            m_statusImage->SetImage(ui::ImageState::Background, "file='power/powered.png'");
            break;
        case 1:
            m_progress->SetVisible(!wireless);
            m_statusImage->SetImage(
                ui::ImageState::Background,
                wireless ? "file='power/wuxian_powering.png'" : "file='power/powering.png'");
            break;
        case 2:
            m_progress->SetVisible(true);
            m_statusImage->SetImage(ui::ImageState::Background, "file='power/power.png'");
            break;
        default:
            break;
    }
    if (m_kind == kKindMousePad) {
        ShowPhoneType(m_record[5]);
    }
}

void CMpDevicePowerUI::ShowPhoneType(uint8_t type) {
    const PhoneLook look = PhoneFor(type);
    m_phoneType->SetTooltipKey(look.tooltipKey);
    m_phoneType->SetImage(ui::ImageState::Background, look.image);
}

bool CMpDevicePowerUI::Activate() {
    if (!IsVisible() || !IsEnabled()) {
        return false;
    }
    SendNotify("selectchanged");
    return true;
}
