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
    // Reading never changes the file: a damaged or unreadable one shows zeros.
    const mouse::PatternRead read = mouse::ReadPattern(WorkingPath(m_gun));
    if (read.status == mouse::PatternStatus::Damaged ||
        read.status == mouse::PatternStatus::Unreadable) {
        platform::trace::Write(read.reason);
    }
    const mouse::Bullet bullet = mouse::ReadBullet(read.document, std::max(m_bullet, 0));
    if (m_xCheck != nullptr) {
        m_xCheck->SetSelected(bullet.left, ui::Notify::No);
    }
    if (m_yCheck != nullptr) {
        m_yCheck->SetSelected(bullet.up, ui::Notify::No);
    }
    ShowXDirection();
    ShowYDirection();
    SetField(m_xEdit, bullet.x);
    SetField(m_yEdit, bullet.y);
    SetField(m_delayEdit, bullet.delay);
}

bool CShootControlUI::SaveBullet() {
    const int index = std::max(m_bullet, 0);
    mouse::Bullet bullet;
    bullet.left = m_xCheck != nullptr && m_xCheck->IsSelected();
    bullet.up = m_yCheck != nullptr && m_yCheck->IsSelected();
    bullet.x = FieldValue(m_xEdit);
    bullet.y = FieldValue(m_yEdit);
    bullet.delay = FieldValue(m_delayEdit);
    std::string reason;
    const bool saved = mouse::UpdatePattern(
        WorkingPath(m_gun),
        [&](Json::Value& document) {
            mouse::WriteBullet(document, index, bullet);
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
        ui::TellUser(*window, text);
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
