#pragma once
// CShootControlUI: the recoil pattern editor of the mouse page (class
// "ShootControl", content "XML/CustomControlXML/ShootControl.xml", found by
// the page as "ShootControlItem").
//
// Four patterns, one per gun slot 0–3, of 30 bullets each. Pattern g lives in
// "ShootData_" g ".Shoot" twice: the working file in the device's profile
// folder (read and written here) and the shipped default in "DefaultData"
// (only read). A pattern file is a JSON document whose "Events" array holds
// four events per bullet b, at 4b … 4b + 3:
//   {"Action": "down", "Button": 1, "Delay": 10, "Type": 1}   left button down
//   {"Action": "up",   "Button": 1, "Delay": 0,  "Type": 1}   left button up
//   {"Action": "down" left / "up" right, "Button": x, "Delay": 5, "Type": 4}
//   {"Action": "down" up / "up" down,    "Button": y, "Delay": d, "Type": 5}
// Bullets never saved are absent, or null where the array had to grow.
//
// Each bullet is stored as soon as one of its fields is left (SaveBullet).
// The working file is the only store; nothing is kept between operations.
// A working file that cannot be read (permissions, I/O error) is never
// written over: the save or reset is refused and the user told why. A damaged
// one (not a pattern document) is kept aside as ".bad" before a save or reset
// replaces it.
//
// Threads: UI thread only.

#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "platform/ui/container.h"

namespace ui {
class Edit;
class Option;
class TabLayout;
}  // namespace ui

class CShootControlUI : public ui::VerticalLayout {
  public:
    static constexpr std::string_view kClassName = "ShootControl";
    static constexpr const char* kLayout = "XML/CustomControlXML/ShootControl.xml";
    static constexpr int kGunCount = 4;
    static constexpr int kBulletCount = 30;

    std::string_view GetClass() const override { return kClassName; }

    void SetWorkingFolder(std::string path) { m_workingFolder = std::move(path); }
    void SetDefaultFolder(std::string path) { m_defaultFolder = std::move(path); }
    const std::string& GetWorkingFolder() const { return m_workingFolder; }
    // "ShootData_" g ".Shoot" in the working / default folder.
    std::string WorkingPath(int gun) const;
    std::string DefaultPath(int gun) const;

    // Shows a text to the user (the application's message box); without one
    // the window host's message box is used.
    using MessageSink = std::function<void(const std::string& text)>;
    void SetMessageSink(MessageSink sink) { m_messageSink = std::move(sink); }

    // What the mouse page does when it is built: the two folders, the
    // controls, gun 0 and bullet 0 shown.
    void InitForPage(std::string workingFolder, std::string defaultFolder);
    // Looks the named controls up (again); missing ones make their part a no-op.
    void FindControls();
    // The gun slot, limited to 0–3: its option selected, the others not, and
    // its page of "shoot_image_display_switch" shown.
    void SelectGun(int n);
    // The bullet, limited to 0–29: its option selected, the label showing
    // b + 1, then LoadBullet.
    void SelectBullet(int n);
    // The current bullet's fields from the working file (0 and unchecked when
    // the file or the bullet is missing or unreadable).
    void LoadBullet();
    // Writes the current bullet's four events from the fields. Returns false
    // when nothing was written (the user was told why).
    bool SaveBullet();
    // Replaces the current gun's working file with its default file, then
    // reloads the bullet. Returns false when nothing was replaced.
    bool ResetPattern();
    void ShowXDirection();
    void ShowYDirection();

    int GetGun() const { return m_gun; }
    int GetBullet() const { return m_bullet; }

  private:
    void Tell(const std::string& text);
    void SetField(ui::Edit* edit, int value);
    int FieldValue(ui::Edit* edit) const;

    std::string m_workingFolder;
    std::string m_defaultFolder;
    int m_gun = 0;
    int m_bullet = -1;
    MessageSink m_messageSink;

    std::array<ui::Option*, kGunCount> m_gunOptions{};
    std::array<ui::Option*, kBulletCount> m_bulletOptions{};
    ui::TabLayout* m_gunPages = nullptr;
    ui::Control* m_bulletLabel = nullptr;
    ui::Option* m_xCheck = nullptr;
    ui::Option* m_yCheck = nullptr;
    ui::Edit* m_xEdit = nullptr;
    ui::Edit* m_yEdit = nullptr;
    ui::Edit* m_delayEdit = nullptr;
};
