#pragma once
// CMpDevicePowerUI: the small status area that shows a device's power state
// (class "MpDevicePower", built from "XML/CustomControlXML/MpDevicePower.xml"
// for every device page): battery level as text and progress, the charging
// image, the wireless logo (mice) and the phone on the charger (mousepad).
//
// Status record: [0] battery percent, [1] charging state (0 charged or idle,
// 1 charging, 2 discharging), [3] non-zero for a wireless device, [5] phone
// type (1 iPhone, 2 Samsung, 3 other, anything else none).
//
// Named children, looked up once: "device_power_value", "device_wuxian_logo",
// "device_Power_progress", "device_power_status", "device_phone_type" and
// "device_power_Layout". Threads: UI thread only.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "device/usb_device_views.h"
#include "platform/ui/container.h"

namespace ui {
class Progress;
}

class CMpDevicePowerUI : public ui::HorizontalLayout, public PowerStatusView {
  public:
    static constexpr std::string_view kClassName = "MpDevicePower";
    static constexpr size_t kRecordSize = 64;

    std::string_view GetClass() const override { return kClassName; }

    // The kind decides whether the wireless logo (kind 2) and the phone type
    // (kind 3) are shown; value is the interface role.
    void SetKind(int kind, int value);
    int GetKind() const { return m_kind; }
    int GetValue() const { return m_value; }
    void SetExtra(int value) override;
    // Copies up to 64 bytes (shorter records are zero-padded) and shows them;
    // nothing changes when one of the status controls is missing.
    void ShowStatus(std::span<const uint8_t> record) override;
    const std::array<uint8_t, kRecordSize>& Record() const { return m_record; }
    // The framework's activation: raises "selectchanged" for the control.
    bool Activate();

  private:
    bool LookUp();
    void ShowPhoneType(uint8_t type);

    int m_kind = 0;
    int m_value = 0;
    std::array<uint8_t, kRecordSize> m_record{};
    bool m_lookedUp = false;
    ui::Control* m_valueText = nullptr;
    ui::Control* m_wirelessLogo = nullptr;
    ui::Progress* m_progress = nullptr;
    ui::Control* m_statusImage = nullptr;
    ui::Control* m_phoneType = nullptr;
    ui::Control* m_layout = nullptr;
};
