#pragma once
// The application's modal message box.
//
// ShowMessage(parent, title, text, dpi, textIsKey, buttons) loads the message
// layout ("XML_MSG" when the skin maps that name, else XML/msgwnd.xml), puts
// the title into "MessageTitle" and the text into "MessageText" (a language
// key when textIsKey, plain text otherwise; an empty title or text keeps the
// layout's own), shows "confirm_btn" alone (buttons 0) or with "cancel_btn"
// (buttons 1), centres the box and runs it modally.
//
// Result: 1 when "confirm_btn" closed the box; 0 for "cancel_btn",
// "closebtn", a box closed any other way, and a layout that failed to load
// (then nothing is shown).
//
// DPI: 48, 72, 96, 120, 144, 168 and 192 are taken; any other value is traced
// as "MSG_WND DPI SET ERROR" and 96 is used. The box's size scales with it.
//
// UI thread only.

#include <string>
#include <string_view>

#include "platform/ui/window.h"

namespace shell {

inline constexpr std::string_view kMessageLayoutAlias = "XML_MSG";
inline constexpr std::string_view kMessageLayoutFile = "XML/msgwnd.xml";

// The DPI the box uses for `dpi` (96 for an unsupported value, traced).
int MessageDpi(int dpi);

class CMsgWnd : public ui::Window {
  public:
    static constexpr std::string_view kWindowName = "msgwnd";

    explicit CMsgWnd(ui::UiContext& context);

    // Loads the layout and wires the buttons; false when the layout fails.
    bool Init(std::string* error = nullptr);
    void SetMessageTitle(std::string_view title);
    void SetMessageText(std::string_view text, bool isKey);
    // 0: confirm only; anything else: confirm and cancel.
    void SetButtons(int buttons);
    void SetDpi(int dpi);
    int GetDpi() const { return m_dpi; }
    // Runs the box modally: 1 when confirmed, else 0.
    int Run();

  private:
    void OnNotify(const ui::Notification& n);

    int m_dpi = 96;
    ui::Size m_layoutSize;
    bool m_confirmed = false;
};

int ShowMessage(ui::UiContext& context, ui::Window* parent, std::string_view title,
                std::string_view text, int dpi, bool textIsKey, int buttons);

}  // namespace shell
