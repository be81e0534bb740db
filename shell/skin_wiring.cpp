#include "shell/skin_wiring.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/trace/trace.h"
#include "shell/main_wnd.h"

namespace shell {

namespace {

// A picture the user picked from outside the skin may have been deleted or
// moved since; skin-relative references are the host's to resolve.
bool IsMissingOutsideFile(const std::string& image) {
    const std::filesystem::path path(image);
    std::error_code error;
    return path.is_absolute() && !std::filesystem::is_regular_file(path, error);
}

}  // namespace

SkinWiring::SkinWiring(CMainWnd& window, std::string iniPath, SkinHooks hooks)
    : m_window(window), m_iniPath(std::move(iniPath)), m_hooks(std::move(hooks)) {
    m_receiver = SkinSubject::Instance().AddReceiver(
        [this](const SkinChangedParam& param) { OnSkinChanged(param); });
    m_window.SetSkinChooser([this](ui::Control& anchor) { OpenChooser(anchor); });
}

SkinWiring::~SkinWiring() {
    SkinSubject::Instance().RemoveReceiver(m_receiver);
    m_window.SetSkinChooser({});
    if (m_chooser) {
        m_chooser->Close(0);
    }
}

void SkinWiring::ApplyStoredTheme() {
    ApplyTheme(ReadSkinChoice(m_iniPath).theme);
}

SkinChoice SkinWiring::Start() {
    return ApplyStoredSkin(m_iniPath);
}

bool SkinWiring::OpenChooser(const ui::Control& anchor) {
    if (!m_chooser) {
        m_chooser = std::make_unique<CSkinFrame>(m_window.Context(), m_iniPath);
    }
    const ui::Point origin = m_hooks.clientOrigin ? m_hooks.clientOrigin() : ui::Point{};
    std::string error;
    if (!m_chooser->Open(anchor, origin, &error)) {
        platform::trace::Write("skin chooser: " + error);
        return false;
    }
    if (m_hooks.chooserShown) {
        m_hooks.chooserShown(*m_chooser);
    }
    return true;
}

void SkinWiring::OnSkinChanged(const SkinChangedParam& param) {
    if (!param.isColour && IsMissingOutsideFile(param.image)) {
        platform::trace::Write("skin image missing, default background shown: " + param.image);
        m_window.OnSkinChanged(false, 0, std::string(kDefaultBackground));
    } else {
        m_window.OnSkinChanged(param.isColour, param.colour, param.image);
    }
    if (!param.theme.empty() && param.theme != m_theme) {
        ApplyTheme(param.theme);
    }
}

void SkinWiring::ApplyTheme(const std::string& theme) {
    // Remembered even when it fails, so a broken theme is tried once per change.
    m_theme = theme;
    if (!m_hooks.applyStyleSheet) {
        return;
    }
    SkinChoice chosen;
    chosen.theme = theme;
    std::vector<std::string> sheets{ThemeStyleSheet(chosen)};
    if (sheets.front() != ThemeStyleSheet(SkinChoice{})) {
        sheets.push_back(ThemeStyleSheet(SkinChoice{}));
    }
    sheets.emplace_back("style.qss");
    for (const std::string& sheet : sheets) {
        if (m_hooks.applyStyleSheet(sheet)) {
            return;
        }
        platform::trace::Write("theme stylesheet not applied: " + sheet);
    }
}

}  // namespace shell
