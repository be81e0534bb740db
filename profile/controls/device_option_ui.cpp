#include "profile/controls/device_option_ui.h"

#include "device/usb_device.h"
#include "platform/ui/window.h"

namespace {

const std::string kIconFolder = "common/device_ico/";

}  // namespace

std::string DeviceIconKey(int kind, int secondValue) {
    switch (kind) {
        case 1:
            return "kb";
        case 2:
            return "ms";
        case 3:
            return secondValue == 0 ? "hard_mp" : "unknow";
        case 7:
            return "hd";
        default:
            return "unknow";
    }
}

CDeviceOptionUI::CDeviceOptionUI() {
    SetImages(DeviceIconKey(0, 0));
}

void CDeviceOptionUI::SetImages(const std::string& key) {
    m_normalImage = kIconFolder + key + "_device_normal.png";
    m_selectedImage = kIconFolder + key + "_device_selected.png";
    m_synchroNormalImage = kIconFolder + key + "_device_synchro_normal.png";
    m_synchroSelectedImage = kIconFolder + key + "_device_synchro_selected.png";
}

// --- children ----------------------------------------------------------------------

ui::Option* CDeviceOptionUI::SelectOption() {
    if (m_select == nullptr) {
        m_select = FindSubControl<ui::Option>("device_select");
    }
    return m_select;
}

ui::Option* CDeviceOptionUI::SynchroOption() {
    if (m_synchro == nullptr) {
        m_synchro = FindSubControl<ui::Option>("synchro_device_select");
    }
    return m_synchro;
}

ui::Control* CDeviceOptionUI::NameLabel() {
    if (m_nameLabel == nullptr) {
        m_nameLabel = FindSubControl("device_select_name");
    }
    return m_nameLabel;
}

// --- configuration -------------------------------------------------------------------

void CDeviceOptionUI::SetKind(int kind, int secondValue) {
    m_kind = kind;
    m_secondValue = secondValue;
    const std::string key = DeviceIconKey(kind, secondValue);
    SetImages(key);
    if (ui::Option* option = SelectOption()) {
        option->SetImage(ui::ImageState::Normal, m_normalImage);
        option->SetImage(ui::ImageState::Disabled, m_normalImage);
        option->SetImage(ui::ImageState::Selected, m_selectedImage);
        option->SetTooltipKey(key + "_device_name_text");
    }
}

void CDeviceOptionUI::SetGroup(const std::string& name) {
    if (ui::Option* option = SelectOption()) {
        option->SetGroup(name);
    }
}

void CDeviceOptionUI::BindPage(const std::string& tabLayoutName, int index) {
    if (ui::Option* option = SelectOption()) {
        option->BindTab(tabLayoutName, index);
    }
}

int CDeviceOptionUI::GetBindIndex() {
    ui::Option* option = SelectOption();
    return option ? option->GetBoundTabIndex() : -1;
}

std::string CDeviceOptionUI::GetBindTabName() {
    ui::Option* option = SelectOption();
    return option ? option->GetBoundTabName() : std::string();
}

void CDeviceOptionUI::SetPowerTab(const std::string& name, int index) {
    if (name.empty()) {
        return;
    }
    m_powerTabName = name;
    if (index >= 0) {
        m_powerTabIndex = index;
    }
}

void CDeviceOptionUI::SetName(const std::string& text) {
    if (ui::Control* label = NameLabel()) {
        label->SetText(text);
    }
}

void CDeviceOptionUI::SetDevice(CVeldmarkUSBDevice* page) {
    m_page = page;
    m_pageHandle = page != nullptr ? page->Handle() : ui::ControlHandle();
    if (page != nullptr) {
        page->SetOptionControl(this);
    }
}

void CDeviceOptionUI::SetVisible(bool flag) {
    m_shown = flag;
    Control::SetVisible(flag);
}

// --- selection and synchronisation ------------------------------------------------------

void CDeviceOptionUI::Select(bool flag) {
    if (ui::Option* option = SelectOption()) {
        option->SetSelected(flag);
    }
}

bool CDeviceOptionUI::IsSelected() {
    ui::Option* option = SelectOption();
    return option != nullptr && option->IsSelected();
}

void CDeviceOptionUI::ShowSynchro(bool flag) {
    ui::Option* synchro = SynchroOption();
    if (synchro != nullptr) {
        synchro->SetVisible(flag);
    }
    ApplyIconState(synchro != nullptr && synchro->IsSelected());
}

void CDeviceOptionUI::SetSynchro(bool flag) {
    if (ui::Option* synchro = SynchroOption()) {
        synchro->SetSelected(flag);
    }
    ApplyIconState(flag);
}

bool CDeviceOptionUI::IsSynchro() {
    ui::Option* synchro = SynchroOption();
    return synchro != nullptr && synchro->IsSelected();
}

void CDeviceOptionUI::ApplyIconState(bool synchronised) {
    ui::Option* option = SelectOption();
    if (option == nullptr) {
        return;
    }
    option->SetImage(ui::ImageState::Normal, synchronised ? m_synchroNormalImage : m_normalImage);
    option->SetImage(ui::ImageState::Selected,
                     synchronised ? m_synchroSelectedImage : m_selectedImage);
}

bool CDeviceOptionUI::Activate() {
    if (!IsVisible() || !IsEnabled()) {
        return false;
    }
    SendNotify(ui::notify::kSelectChanged);
    return true;
}

// --- timers --------------------------------------------------------------------------------

void CDeviceOptionUI::StartConnect() {
    SetTimer(device_timer::kConnect, device_timer::kConnectDelayMs, ui::TimerKind::OneShot);
}

bool CDeviceOptionUI::ChannelOpen() const {
    return m_page != nullptr && m_pageHandle.IsAlive() && m_page->Channel().IsOpen();
}

void CDeviceOptionUI::OnTimer(int id) {
    KillTimer(id);
    if (m_page == nullptr || !m_pageHandle.IsAlive()) {
        return;
    }
    switch (id) {
        case device_timer::kConnect:
            OnConnectTimer();
            break;
        case device_timer::kPushFrame:
            OnPushTimer();
            break;
        case device_timer::kReadState:
            m_page->ReadDeviceState();
            break;
        case device_timer::kHook1003:
            m_page->TimerHook1003();
            break;
        case device_timer::kHook1004:
            m_page->TimerHook1004();
            break;
        case device_timer::kPollStatus:
            OnPollTimer();
            break;
        default:
            Control::OnTimer(id);
            break;
    }
}

void CDeviceOptionUI::OnConnectTimer() {
    m_page->ConnectDevice();
    SetTimer(device_timer::kPushFrame, device_timer::kPushIntervalMs, ui::TimerKind::OneShot);
    if (m_page->GetExtra() != 0 && ChannelOpen()) {
        SetTimer(device_timer::kPollStatus, device_timer::kPollIntervalMs, ui::TimerKind::OneShot);
    }
}

void CDeviceOptionUI::OnPushTimer() {
    m_page->PushFrame();
    if (m_previewControl != nullptr && IsSelected() && m_page->IsPreviewActive()) {
        m_previewControl->Invalidate();
    }
    if (ChannelOpen()) {
        // Pages push on a grid of the loop's clock, so that the pushes of
        // all devices take one wake-up of the UI thread, not one each.
        const int interval = m_page->PushIntervalMs();
        int delay = interval;
        if (ui::Window* window = GetWindow(); window != nullptr && interval > 0) {
            const int64_t now = window->Context().dispatcher.GetClock().NowMs();
            delay -= static_cast<int>(now % interval);
        }
        SetTimer(device_timer::kPushFrame, delay, ui::TimerKind::OneShot);
    }
}

void CDeviceOptionUI::OnPollTimer() {
    m_page->PollStatus();
    if (m_page->GetExtra() != 0 && ChannelOpen()) {
        SetTimer(device_timer::kPollStatus, device_timer::kPollIntervalMs, ui::TimerKind::OneShot);
    }
}
