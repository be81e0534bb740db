#include "shell/message_box.h"

#include <algorithm>
#include <array>

#include "platform/trace/trace.h"
#include "platform/ui/control.h"

namespace shell {

namespace {

constexpr std::array<int, 7> kDpis = {48, 72, 96, 120, 144, 168, 192};

}  // namespace

int MessageDpi(int dpi) {
    if (std::find(kDpis.begin(), kDpis.end(), dpi) != kDpis.end()) {
        return dpi;
    }
    platform::trace::Write("MSG_WND DPI SET ERROR");
    return 96;
}

CMsgWnd::CMsgWnd(ui::UiContext& context) : ui::Window(context, std::string(kWindowName)) {}

bool CMsgWnd::Init(std::string* error) {
    const bool aliased = Context().layoutAliases.count(std::string(kMessageLayoutAlias)) != 0;
    if (!LoadLayout(aliased ? kMessageLayoutAlias : kMessageLayoutFile, {}, error)) {
        return false;
    }
    m_layoutSize = GetSize();
    AddNotifyHandler([this](const ui::Notification& n) { OnNotify(n); });
    return true;
}

void CMsgWnd::SetMessageTitle(std::string_view title) {
    if (ui::Control* c = FindControl("MessageTitle"); c != nullptr && !title.empty()) {
        c->SetText(std::string(title));
    }
}

void CMsgWnd::SetMessageText(std::string_view text, bool isKey) {
    ui::Control* c = FindControl("MessageText");
    if (c == nullptr || text.empty()) {
        return;
    }
    if (isKey) {
        c->SetTextKey(std::string(text));
    } else {
        c->SetText(std::string(text));
    }
}

void CMsgWnd::SetButtons(int buttons) {
    if (ui::Control* cancel = FindControl("cancel_btn")) {
        cancel->SetVisible(buttons != 0);
    }
    if (ui::Control* confirm = FindControl("confirm_btn")) {
        confirm->SetVisible(true);
    }
}

void CMsgWnd::SetDpi(int dpi) {
    m_dpi = MessageDpi(dpi);
    if (m_layoutSize.width > 0 && m_layoutSize.height > 0) {
        SetSize(ui::Size{m_layoutSize.width * m_dpi / 96, m_layoutSize.height * m_dpi / 96});
    }
}

int CMsgWnd::Run() {
    m_confirmed = false;
    CenterOnScreen();
    const int code = ShowModal();
    // Only the confirm button confirms; a box closed by the desktop or by
    // Escape with whatever code reads as "no".
    return m_confirmed && code == 1 ? 1 : 0;
}

void CMsgWnd::OnNotify(const ui::Notification& n) {
    if (!n.Is(ui::notify::kClick)) {
        return;
    }
    const std::string& name = n.SenderName();
    if (name == "confirm_btn") {
        m_confirmed = true;
        Close(1);
    } else if (name == "cancel_btn" || name == "closebtn") {
        Close(0);
    } else if (name == "minbtn") {
        Minimize();
    } else if (name == "maxbtn") {
        Maximize();
    } else if (name == "restorebtn") {
        Restore();
    }
}

int ShowMessage(ui::UiContext& context, ui::Window* /*parent*/, std::string_view title,
                std::string_view text, int dpi, bool textIsKey, int buttons) {
    CMsgWnd box(context);
    std::string error;
    if (!box.Init(&error)) {
        platform::trace::Format("MSG_WND layout: %s", error.c_str());
        return 0;
    }
    box.SetMessageTitle(title);
    box.SetMessageText(text, textIsKey);
    box.SetDpi(dpi);
    box.SetButtons(buttons);
    return box.Run();
}

}  // namespace shell
