#include "shell/skin_chooser.h"

#include <fstream>
#include <map>
#include <sstream>

#include "platform/trace/trace.h"
#include "platform/ui/container.h"
#include "profile/profile_paths.h"
#include "profile/user_file.h"

namespace shell {

namespace {

using IniSection = std::vector<std::pair<std::string, std::string>>;
using Ini = std::vector<std::pair<std::string, IniSection>>;

std::string Trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = s.find_last_not_of(" \t\r");
    return std::string(s.substr(first, last - first + 1));
}

Ini ParseIni(std::istream& in) {
    Ini ini;
    std::string line;
    while (std::getline(in, line)) {
        const std::string t = Trim(line);
        if (t.empty() || t[0] == ';' || t[0] == '#') {
            continue;
        }
        if (t.front() == '[' && t.back() == ']') {
            ini.emplace_back(Trim(std::string_view(t).substr(1, t.size() - 2)), IniSection{});
            continue;
        }
        const auto eq = t.find('=');
        if (eq == std::string::npos || ini.empty()) {
            continue;  // a key before any section has no place to go
        }
        ini.back().second.emplace_back(Trim(t.substr(0, eq)), Trim(t.substr(eq + 1)));
    }
    return ini;
}

IniSection& Section(Ini& ini, std::string_view name) {
    for (auto& [sectionName, keys] : ini) {
        if (ui::EqualsNoCase(sectionName, name)) {
            return keys;
        }
    }
    return ini.emplace_back(std::string(name), IniSection{}).second;
}

const std::string* Find(const Ini& ini, std::string_view section, std::string_view key) {
    for (const auto& [sectionName, keys] : ini) {
        if (!ui::EqualsNoCase(sectionName, section)) {
            continue;
        }
        for (const auto& [k, v] : keys) {
            if (ui::EqualsNoCase(k, key)) {
                return &v;
            }
        }
    }
    return nullptr;
}

void Set(Ini& ini, std::string_view section, std::string_view key, std::string value) {
    IniSection& keys = Section(ini, section);
    for (auto& [k, v] : keys) {
        if (ui::EqualsNoCase(k, key)) {
            v = std::move(value);
            return;
        }
    }
    keys.emplace_back(std::string(key), std::move(value));
}

std::string FormatIni(const Ini& ini) {
    std::string out;
    for (const auto& [name, keys] : ini) {
        out += "[" + name + "]\n";
        for (const auto& [k, v] : keys) {
            out += k + "=" + v + "\n";
        }
    }
    return out;
}

Ini LoadIni(const std::string& path) {
    std::ifstream in(path);
    return in ? ParseIni(in) : Ini{};
}

// A theme names a folder under "themes/"; nothing else may come from the file.
bool IsThemeName(std::string_view name) {
    if (name.empty() || name.size() > 64) {
        return false;
    }
    for (char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '_' || c == '-';
        if (!ok) {
            return false;
        }
    }
    return true;
}

}  // namespace

// --- SkinSubject --------------------------------------------------------------

SkinSubject& SkinSubject::Instance() {
    static SkinSubject subject;
    return subject;
}

int SkinSubject::AddReceiver(Receiver receiver) {
    m_receivers.emplace_back(m_nextId, std::move(receiver));
    return m_nextId++;
}

void SkinSubject::RemoveReceiver(int id) {
    std::erase_if(m_receivers, [id](const auto& r) { return r.first == id; });
}

void SkinSubject::Broadcast(const SkinChangedParam& param) {
    // A copy: a receiver may register or leave while being told.
    const auto receivers = m_receivers;
    for (const auto& [id, receiver] : receivers) {
        receiver(param);
    }
}

// --- the stored choice --------------------------------------------------------

SkinChangedParam SkinChoice::Param() const {
    SkinChangedParam p;
    p.theme = IsThemeName(theme) ? theme : std::string(kDefaultTheme);
    if (flags == 2) {
        p.isColour = true;
        p.colour = colour;
    } else {
        p.image = flags == 1 && !image.empty() ? image : std::string(kDefaultBackground);
    }
    return p;
}

std::string SkinIniPath() {
    return profile::ApplicationDataFolder() + std::string(kSkinIniName);
}

SkinChoice ReadSkinChoice(const std::string& iniPath) {
    const Ini ini = LoadIni(iniPath);
    SkinChoice choice;
    if (const std::string* flags = Find(ini, "SKINIMAGE", "FLAGS")) {
        const auto f = ui::ParseInt(*flags);
        choice.flags = f && *f >= 0 && *f <= 2 ? *f : 0;
    }
    if (const std::string* image = Find(ini, "SKINIMAGE", "IMAGE"); image && !image->empty()) {
        choice.image = *image;
    }
    if (const std::string* colour = Find(ini, "SKINIMAGE", "COLOR")) {
        if (auto c = ui::ParseColor(*colour)) {
            choice.colour = c->argb;
        } else if (choice.flags == 2) {
            choice.flags = 0;  // a colour choice without a readable colour
        }
    } else if (choice.flags == 2) {
        choice.flags = 0;
    }
    if (const std::string* theme = Find(ini, "SKIN", "THEME"); theme && IsThemeName(*theme)) {
        choice.theme = *theme;
    }
    return choice;
}

bool WriteSkinChoice(const std::string& iniPath, const SkinChoice& choice) {
    Ini ini = LoadIni(iniPath);
    Set(ini, "SKINIMAGE", "FLAGS", std::to_string(choice.flags));
    Set(ini, "SKINIMAGE", "IMAGE", choice.image);
    Set(ini, "SKINIMAGE", "COLOR", ui::FormatColor(ui::Color{choice.colour}));
    Set(ini, "SKIN", "THEME", choice.theme);
    int error = 0;
    if (!profile::WriteFileAtomically(iniPath, FormatIni(ini), &error)) {
        platform::trace::Format("main.ini write failed: %d", error);
        return false;
    }
    return true;
}

SkinChoice ApplyStoredSkin(const std::string& iniPath) {
    const SkinChoice choice = ReadSkinChoice(iniPath);
    SkinSubject::Instance().Broadcast(choice.Param());
    return choice;
}

std::string ThemeStyleSheet(const SkinChoice& choice) {
    return "themes/" + (IsThemeName(choice.theme) ? choice.theme : std::string(kDefaultTheme)) +
           "/style.qss";
}

// --- CSkinFrame ---------------------------------------------------------------

CSkinFrame::CSkinFrame(ui::UiContext& context, std::string iniPath)
    : ui::Window(context, std::string(kWindowName)), m_iniPath(std::move(iniPath)) {}

ui::Rect CSkinFrame::PlaceUnder(const ui::Rect& anchor, ui::Point parentOrigin) const {
    const ui::Size size = GetSize();
    const int right = parentOrigin.x + anchor.right;
    const int top = parentOrigin.y + anchor.bottom;
    return ui::Rect{right - size.width, top, right, top + size.height};
}

bool CSkinFrame::Open(const ui::Control& anchor, ui::Point parentOrigin, std::string* error) {
    if (GetRoot() == nullptr) {
        if (!LoadLayout(kSkinLayout, {}, error)) {
            return false;
        }
        AddNotifyHandler([this](const ui::Notification& n) { OnNotify(n); });
    }
    SetTopmost(true);
    Context().host.MoveWindow(*this, PlaceUnder(anchor.GetHostRect(), parentOrigin));
    Show();
    return true;
}

void CSkinFrame::OnNotify(const ui::Notification& n) {
    if (!n.Is(ui::notify::kClick) || n.sender == nullptr) {
        return;
    }
    const std::string& name = n.SenderName();
    SkinChoice choice = ReadSkinChoice(m_iniPath);
    if (ui::EqualsNoCase(name, "skin_image_btn")) {
        choice.flags = 1;
        choice.image = n.sender->GetImage(ui::ImageState::Background);
        Choose(choice);
    } else if (ui::EqualsNoCase(name, "skin_color_btn")) {
        choice.flags = 2;
        choice.colour = n.sender->GetColor(ui::ColorRole::Background).value_or(ui::Color{}).argb;
        Choose(choice);
    } else if (ui::EqualsNoCase(name, "skin_reset")) {
        choice.flags = 0;
        choice.image = std::string(kDefaultBackground);
        Choose(choice);
    } else if (ui::EqualsNoCase(name, "skin_Custom")) {
        PickCustomImage();
    } else if (ui::EqualsNoCase(name, "skin_theme_btn")) {
        if (IsThemeName(n.sender->GetUserData())) {
            choice.theme = n.sender->GetUserData();
            Choose(choice);
        }
    } else if (ui::EqualsNoCase(name, "skin_color") || ui::EqualsNoCase(name, "skin_image")) {
        if (auto* tab = FindControl<ui::TabLayout>("skin_tab")) {
            tab->SelectItem(ui::EqualsNoCase(name, "skin_color") ? 1 : 0);
        }
    }
}

void CSkinFrame::Choose(const SkinChoice& choice) {
    SkinSubject::Instance().Broadcast(choice.Param());
    WriteSkinChoice(m_iniPath, choice);
}

void CSkinFrame::PickCustomImage() {
    ui::FileDialogSpec spec;
    spec.filters = {{"(*.png)", "*.png"}, {"(*.*)", "*.*"}};
    spec.defaultExtension = "png";
    spec.defaultName = "*.png";
    const auto path = Context().host.OpenFileDialog(this, spec);
    if (!path || path->empty()) {
        return;  // cancelled: the background stays as it was
    }
    SkinChoice choice = ReadSkinChoice(m_iniPath);
    choice.flags = 1;
    choice.image = *path;
    Choose(choice);
}

}  // namespace shell
