#include "shell/app_settings.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "profile/user_file.h"

namespace app {
namespace {

std::string Trim(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const size_t last = text.find_last_not_of(" \t\r");
    return std::string(text.substr(first, last - first + 1));
}

}  // namespace

std::string ConfigFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::path base;
    if (config != nullptr && config[0] == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        base = std::filesystem::path(home != nullptr ? home : ".") / ".config";
    }
    return (base / kWindowTitle).string();
}

AppSettings::AppSettings(std::string path) : m_path(std::move(path)) {}

AppSettings AppSettings::Default() {
    return AppSettings((std::filesystem::path(ConfigFolder()) / "settings.ini").string());
}

std::map<std::string, std::string, std::less<>> AppSettings::Read() const {
    std::map<std::string, std::string, std::less<>> values;
    std::ifstream in(m_path);
    std::string line;
    while (std::getline(in, line)) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos) {
            continue;
        }
        std::string key = Trim(std::string_view(line).substr(0, eq));
        if (!key.empty()) {
            values[std::move(key)] = Trim(std::string_view(line).substr(eq + 1));
        }
    }
    return values;
}

std::optional<std::string> AppSettings::Get(std::string_view key) const {
    const auto values = Read();
    const auto it = values.find(key);
    if (it == values.end()) {
        return std::nullopt;
    }
    return it->second;
}

bool AppSettings::Set(std::string_view key, std::string_view value) {
    auto values = Read();
    values[std::string(key)] = std::string(value);
    std::ostringstream text;
    for (const auto& [k, v] : values) {
        text << k << '=' << v << '\n';
    }
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(m_path).parent_path(), error);
    return profile::WriteFileAtomically(m_path, text.str());
}

}  // namespace app
