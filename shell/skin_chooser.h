#pragma once
// The skin chooser and the skin choice.
//
// SkinSubject: the process-wide list of receivers of skin changes. The main
// window registers; the chooser broadcasts a SkinChangedParam when the user
// picks a tile.
//
// CSkinFrame: the pop-up of tiles under the "skinbtn" anchor (layout
// "skin.xml"), placed with its right edge at the anchor's right edge and its
// top at the anchor's bottom. Clicks (names without regard to case):
//   "skin_image_btn"  image tile: the tile's background image;
//   "skin_color_btn"  colour tile: the tile's background colour;
//   "skin_reset"      back to "common/background.png";
//   "skin_Custom"     a PNG the user picks (nothing when the dialog is cancelled);
//   "skin_theme_btn"  a theme tile: its user data names a theme folder;
//   "skin_color" / "skin_image" switch "skin_tab" to its colour / image page.
// Every choice is broadcast (the background with the theme in effect) and
// stored in "main.ini" of the application data folder, and
// ReadSkinChoice/ApplyStoredSkin bring it back at the next start, so a choice
// survives a restart. The pop-up closes when it loses the focus
// (Deactivated).
//
// main.ini:
//   [SKINIMAGE]  FLAGS = 0 default background, 1 IMAGE is the background,
//                        2 COLOR (#AARRGGBB) is the background
//                IMAGE, COLOR
//   [SKIN]       THEME = the theme folder under "themes/" ("graphite" by default)
//
// UI thread only.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/ui/window.h"

namespace shell {

struct SkinChangedParam {
    bool isColour = false;
    uint32_t colour = 0;  // 0xAARRGGBB
    std::string image;    // skin-relative reference or an absolute path
    std::string theme;    // the theme folder under "themes/" in effect with this background
};

class SkinSubject {
  public:
    using Receiver = std::function<void(const SkinChangedParam&)>;
    static SkinSubject& Instance();

    int AddReceiver(Receiver receiver);
    void RemoveReceiver(int id);
    void Broadcast(const SkinChangedParam& param);

  private:
    std::vector<std::pair<int, Receiver>> m_receivers;
    int m_nextId = 1;
};

inline constexpr std::string_view kDefaultBackground = "common/background.png";
inline constexpr std::string_view kDefaultTheme = "graphite";
inline constexpr std::string_view kSkinLayout = "skin.xml";
inline constexpr std::string_view kSkinIniName = "main.ini";

struct SkinChoice {
    int flags = 0;  // 0 default, 1 image, 2 colour
    std::string image{kDefaultBackground};
    uint32_t colour = 0;
    std::string theme{kDefaultTheme};
    // The background to apply for this choice.
    SkinChangedParam Param() const;
};

// The main.ini path: the application data folder + "main.ini".
std::string SkinIniPath();
// Reads a choice; a missing or unreadable file, or an unknown theme name
// (anything but a plain folder name), gives the defaults for those fields.
SkinChoice ReadSkinChoice(const std::string& iniPath);
// Writes the choice, keeping other sections and keys of the file. False when
// the file could not be written (the old file is then untouched).
bool WriteSkinChoice(const std::string& iniPath, const SkinChoice& choice);
// Reads the stored choice and broadcasts its background; returns it so the
// caller can apply the theme's stylesheet ("themes/<theme>/style.qss").
SkinChoice ApplyStoredSkin(const std::string& iniPath);
std::string ThemeStyleSheet(const SkinChoice& choice);

class CSkinFrame : public ui::Window {
  public:
    static constexpr std::string_view kWindowName = "UISkinFrame";

    CSkinFrame(ui::UiContext& context, std::string iniPath);

    // Loads "skin.xml" (the first time), places the pop-up under `anchor` and shows it.
    // `parentOrigin`: the screen position of the parent window's client area,
    // which the anchor's rectangle is relative to.
    // False (nothing shown) when the layout fails to load.
    bool Open(const ui::Control& anchor, ui::Point parentOrigin, std::string* error = nullptr);
    // The pop-up lost the focus: it closes without a choice.
    void Deactivated() { Close(0); }
    // Where the pop-up goes for an anchor rectangle, in screen pixels.
    ui::Rect PlaceUnder(const ui::Rect& anchor, ui::Point parentOrigin) const;

  private:
    void OnNotify(const ui::Notification& n);
    void Choose(const SkinChoice& choice);
    void PickCustomImage();

    std::string m_iniPath;
};

}  // namespace shell
