// CMainWnd: the interface language. The languages are the entries of
// "Language.config" in the shipped default data; the user's choice is kept as
// its "Language_ID" under the key "LANGUAGE" in the program's settings file.

#include <json/json.h>

#include <filesystem>
#include <fstream>

#include "platform/trace/trace.h"
#include "shell/app_settings.h"
#include "shell/main_wnd.h"

namespace {

Json::Value ReadLanguageConfig(const std::string& dataFolder) {
    const std::filesystem::path path =
        std::filesystem::path(dataFolder) / "DefaultData" / "Language.config";
    std::ifstream in(path);
    Json::Value root;
    Json::CharReaderBuilder builder;
    std::string errors;
    if (!in || !Json::parseFromStream(builder, in, &root, &errors) || !root.isObject()) {
        return Json::Value(Json::arrayValue);
    }
    const Json::Value& list = root["Language"];
    return list.isArray() ? list : Json::Value(Json::arrayValue);
}

// The language shown when the chosen one's file cannot be loaded.
constexpr const char* kFallbackLanguageFile = "lan_en.xml";

// The face every language but Thai and Traditional Chinese is shown in.
constexpr const char* kLatinFace = "Metropolis";

// The font face for the language at `index`, or "" to keep the fonts.
std::string FontFaceFor(int index, int previous) {
    if (index == 15) {
        return "Noto Sans Thai";
    }
    if (index == 2) {
        return "Noto Sans CJK TC Regular";
    }
    if (index == 0 || previous == 15 || previous == 2 || previous == 0 || previous == -1) {
        return kLatinFace;
    }
    return {};
}

struct FontRow {
    int id;
    int size;
    bool underline;
    bool bold;
};
constexpr FontRow kFontTable[] = {
    {0, 15, false, false}, {1, 14, true, false},  {2, 18, false, false},  {3, 30, false, false},
    {4, 16, false, false}, {5, 20, false, false}, {6, 22, false, false},  {7, 14, false, false},
    {8, 12, false, false}, {9, 11, false, false}, {10, 10, false, false}, {11, 28, false, false},
    {50, 18, false, true},
};

}  // namespace

int CMainWnd::ReadLanguage() const {
    const std::optional<std::string> stored =
        app::AppSettings(m_services.settingsPath).Get("LANGUAGE");
    if (!stored) {
        return 0;
    }
    char* end = nullptr;
    const long id = std::strtol(stored->c_str(), &end, 10);
    if (end == stored->c_str()) {
        return 0;
    }
    const Json::Value list = ReadLanguageConfig(m_services.dataFolder);
    for (Json::ArrayIndex i = 0; i < list.size(); ++i) {
        const Json::Value& entry = list[i];
        if (entry.isObject() && entry["Language_ID"].isInt() &&
            entry["Language_ID"].asInt() == id) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

void CMainWnd::WriteLanguage(int languageId) {
    // The folder is created when missing, so the choice survives the first run.
    if (app::AppSettings(m_services.settingsPath).Set("LANGUAGE", std::to_string(languageId))) {
        platform::trace::Write("写成功！");
    }
}

bool CMainWnd::LoadLanguageFile(const std::string& file) {
    if (file.empty() || file.find('/') != std::string::npos ||
        file.find('\\') != std::string::npos || file == "..") {
        return false;  // a language file is a plain name inside the skin
    }
    const std::filesystem::path skin = Context().skinFolder;
    for (const std::filesystem::path& candidate :
         {skin / file, skin / "lang" / file, skin / "XML" / "lang" / file}) {
        if (std::filesystem::exists(candidate) && Context().language.LoadFile(candidate)) {
            return true;
        }
    }
    platform::trace::Write("language file not found: " + file);
    return false;
}

void CMainWnd::ApplyLanguage(int index) {
    if (index == m_languageIndex) {
        return;
    }
    const std::string face = FontFaceFor(index, m_languageIndex);
    if (!face.empty()) {
        RemoveAllFonts();
        for (const FontRow& row : kFontTable) {
            ui::FontSpec font;
            font.id = row.id;
            font.face = face;
            font.size = row.size;
            font.underline = row.underline;
            font.bold = row.bold;
            SetFont(row.id, font, row.id == 0);
        }
    }
    m_languageIndex = index;
    const Json::Value list = ReadLanguageConfig(m_services.dataFolder);
    if (index >= 0 && static_cast<Json::ArrayIndex>(index) < list.size() &&
        list[index].isObject()) {
        const Json::Value& entry = list[index];
        // A language whose file is missing is shown in English rather than
        // left in whichever language was loaded before.
        const std::string file =
            entry["Language_file"].isString() ? entry["Language_file"].asString() : "";
        if (!LoadLanguageFile(file) && file != kFallbackLanguageFile) {
            platform::trace::Write("language file \"" + file + "\" cannot be loaded; showing " +
                                   kFallbackLanguageFile + " instead");
            LoadLanguageFile(kFallbackLanguageFile);
        }
        if (entry["Language_ID"].isInt()) {
            WriteLanguage(entry["Language_ID"].asInt());
        }
    }
    if (GetRoot() != nullptr) {
        GetRoot()->Invalidate();
    }
}
