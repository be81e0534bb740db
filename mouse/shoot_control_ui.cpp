#include "mouse/shoot_control_ui.h"

#include <algorithm>
#include <filesystem>

#include "mouse/decimal_text.h"
#include "mouse/shoot_pattern_file.h"
#include "platform/trace/trace.h"
#include "platform/ui/button.h"
#include "platform/ui/edit.h"
#include "platform/ui/host_operations.h"
#include "platform/ui/ui_context.h"
#include "platform/ui/window.h"

namespace {

std::string PatternFileName(int gun) {
    return "ShootData_" + std::to_string(gun) + ".Shoot";
}

std::string InFolder(const std::string& folder, const std::string& name) {
    return (std::filesystem::path(folder) / name).string();
}

bool IsDown(const Json::Value& event) {
    if (!event.isObject()) {
        return false;
    }
    const Json::Value& action = event["Action"];
    if (!action.isString()) {
        return false;
    }
    std::string text = action.asString();
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text == "down";
}

// An integer member of an event, 0 when absent or not a number.
int IntOf(const Json::Value& event, const char* key) {
    if (!event.isObject()) {
        return 0;
    }
    const Json::Value& value = event[key];
    if (value.isInt()) {
        return value.asInt();
    }
    if (value.isUInt()) {
        return static_cast<int>(std::min<Json::UInt>(value.asUInt(), INT32_MAX));
    }
    return 0;
}

Json::Value Event(const char* action, int button, int delay, int type) {
    Json::Value event(Json::objectValue);
    event["Action"] = action;
    event["Button"] = button;
    event["Delay"] = delay;
    event["Type"] = type;
    return event;
}

// The element at `index`, or null when the array is shorter.
const Json::Value& At(const Json::Value& events, int index) {
    static const Json::Value kNull;
    if (!events.isArray() || index < 0 || static_cast<Json::ArrayIndex>(index) >= events.size()) {
        return kNull;
    }
    return events[static_cast<Json::ArrayIndex>(index)];
}

}  // namespace

std::string CShootControlUI::WorkingPath(int gun) const {
    return InFolder(m_workingFolder, PatternFileName(gun));
}

std::string CShootControlUI::DefaultPath(int gun) const {
    return InFolder(m_defaultFolder, PatternFileName(gun));
}

void CShootControlUI::InitForPage(std::string workingFolder, std::string defaultFolder) {
    SetWorkingFolder(std::move(workingFolder));
    SetDefaultFolder(std::move(defaultFolder));
    FindControls();
    SelectGun(0);
    SelectBullet(0);
}

void CShootControlUI::FindControls() {
    for (int i = 0; i < kGunCount; ++i) {
        m_gunOptions[i] = FindSubControl<ui::Option>("shoot_gun_op_" + std::to_string(i));
    }
    for (int i = 0; i < kBulletCount; ++i) {
        m_bulletOptions[i] = FindSubControl<ui::Option>("bullet_op_" + std::to_string(i));
    }
    m_gunPages = FindSubControl<ui::TabLayout>("shoot_image_display_switch");
    m_bulletLabel = FindSubControl("bullet_select_index");
    m_xCheck = FindSubControl<ui::Option>("bullet_x_check");
    m_yCheck = FindSubControl<ui::Option>("bullet_y_check");
    m_xEdit = FindSubControl<ui::Edit>("bullet_x_eidt");
    m_yEdit = FindSubControl<ui::Edit>("bullet_y_eidt");
    m_delayEdit = FindSubControl<ui::Edit>("bullet_delay_eidt");
}

void CShootControlUI::SelectGun(int n) {
    for (ui::Option* option : m_gunOptions) {
        if (option != nullptr) {
            option->SetSelected(false, ui::Notify::No);
        }
    }
    m_gun = std::clamp(n, 0, kGunCount - 1);
    if (ui::Option* option = m_gunOptions[m_gun]) {
        option->SetSelected(true, ui::Notify::No);
    }
    if (m_gunPages != nullptr) {
        m_gunPages->SelectItem(m_gun);
    }
}

void CShootControlUI::SelectBullet(int n) {
    for (ui::Option* option : m_bulletOptions) {
        if (option != nullptr) {
            option->SetSelected(false, ui::Notify::No);
        }
    }
    m_bullet = std::clamp(n, 0, kBulletCount - 1);
    if (ui::Option* option = m_bulletOptions[m_bullet]) {
        option->SetSelected(true, ui::Notify::No);
    }
    if (m_bulletLabel != nullptr) {
        m_bulletLabel->SetText(std::to_string(m_bullet + 1));
    }
    LoadBullet();
}

void CShootControlUI::LoadBullet() {
    const int bullet = std::max(m_bullet, 0);
    // Reading never changes the file: a damaged or unreadable one shows zeros.
    const mouse::PatternRead read = mouse::ReadPattern(WorkingPath(m_gun));
    if (read.status == mouse::PatternStatus::Damaged ||
        read.status == mouse::PatternStatus::Unreadable) {
        platform::trace::Write(read.reason);
    }
    const Json::Value& events =
        read.document.isObject() ? read.document["Events"] : Json::Value::nullSingleton();
    const Json::Value& x = At(events, kEventsPerBullet * bullet + 2);
    const Json::Value& y = At(events, kEventsPerBullet * bullet + 3);
    if (m_xCheck != nullptr) {
        m_xCheck->SetSelected(IsDown(x), ui::Notify::No);
    }
    if (m_yCheck != nullptr) {
        m_yCheck->SetSelected(IsDown(y), ui::Notify::No);
    }
    ShowXDirection();
    ShowYDirection();
    SetField(m_xEdit, IntOf(x, "Button"));
    SetField(m_yEdit, IntOf(y, "Button"));
    SetField(m_delayEdit, IntOf(y, "Delay"));
}

bool CShootControlUI::SaveBullet() {
    const int bullet = std::max(m_bullet, 0);
    const bool left = m_xCheck != nullptr && m_xCheck->IsSelected();
    const bool up = m_yCheck != nullptr && m_yCheck->IsSelected();
    const int x = FieldValue(m_xEdit);
    const int y = FieldValue(m_yEdit);
    const int delay = FieldValue(m_delayEdit);
    std::string reason;
    const bool saved = mouse::UpdatePattern(
        WorkingPath(m_gun),
        [&](Json::Value& document) {
            Json::Value& events = document["Events"];
            if (!events.isArray()) {
                events = Json::Value(Json::arrayValue);
            }
            const auto first = static_cast<Json::ArrayIndex>(kEventsPerBullet * bullet);
            events[first] = Event("down", 1, 10, 1);
            events[first + 1] = Event("up", 1, 0, 1);
            events[first + 2] = Event(left ? "down" : "up", x, 5, 4);
            events[first + 3] = Event(up ? "down" : "up", y, delay, 5);
            return true;
        },
        &reason);
    if (!saved) {
        Tell(reason);
    }
    return saved;
}

bool CShootControlUI::ResetPattern() {
    const mouse::PatternRead defaults = mouse::ReadPattern(DefaultPath(m_gun));
    bool replaced = false;
    if (defaults.status == mouse::PatternStatus::Missing) {
        // Nothing to restore from: the working file stays as it is.
        platform::trace::Write("no default pattern " + DefaultPath(m_gun));
    } else if (defaults.status != mouse::PatternStatus::Ok) {
        Tell(defaults.reason);
    } else {
        std::string reason;
        replaced = mouse::UpdatePattern(
            WorkingPath(m_gun),
            [&](Json::Value& document) {
                document = defaults.document;
                return true;
            },
            &reason);
        if (!replaced) {
            Tell(reason);
        }
    }
    SelectBullet(m_bullet);
    return replaced;
}

void CShootControlUI::ShowXDirection() {
    if (m_xCheck != nullptr) {
        m_xCheck->SetTextKey(m_xCheck->IsSelected() ? "mouse_move_to_left_text"
                                                    : "mouse_move_to_right_text");
    }
}

void CShootControlUI::ShowYDirection() {
    if (m_yCheck != nullptr) {
        m_yCheck->SetTextKey(m_yCheck->IsSelected() ? "mouse_move_to_up_text"
                                                    : "mouse_move_to_down_text");
    }
}

void CShootControlUI::Tell(const std::string& text) {
    platform::trace::Write(text);
    if (m_messageSink) {
        m_messageSink(text);
    } else if (ui::Window* window = GetWindow()) {
        window->Context().host.ShowMessageBox(window, "", text, ui::MessageButtons::Ok);
    }
}

void CShootControlUI::SetField(ui::Edit* edit, int value) {
    if (edit != nullptr) {
        edit->SetText(std::to_string(value));
    }
}

int CShootControlUI::FieldValue(ui::Edit* edit) const {
    return edit != nullptr ? mouse::LeadingDecimal(edit->GetText()) : 0;
}
