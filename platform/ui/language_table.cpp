#include "platform/ui/language_table.h"

#include <tinyxml2.h>

#include <fstream>
#include <sstream>

namespace ui {
namespace {

constexpr size_t kMaxFileBytes = 16u << 20;

bool ReadWholeFile(const std::filesystem::path& path, std::string& out, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path.string();
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    out = buffer.str();
    if (out.size() > kMaxFileBytes) {
        error = path.string() + " is too large";
        return false;
    }
    return true;
}

}  // namespace

bool LanguageTable::LoadFile(const std::filesystem::path& path, std::string* error) {
    std::string xml;
    std::string why;
    if (!ReadWholeFile(path, xml, why)) {
        if (error != nullptr) {
            *error = why;
        }
        return false;
    }
    return LoadString(xml, error);
}

bool LanguageTable::LoadString(std::string_view xml, std::string* error) {
    auto fail = [error](std::string why) {
        if (error != nullptr) {
            *error = std::move(why);
        }
        return false;
    };
    tinyxml2::XMLDocument doc;
    if (doc.Parse(xml.data(), xml.size()) != tinyxml2::XML_SUCCESS) {
        return fail(std::string("language file: ") + doc.ErrorStr());
    }
    const tinyxml2::XMLElement* root = doc.RootElement();
    if (root == nullptr || std::string_view(root->Name()) != "Language") {
        return fail("language file: the root element must be <Language>");
    }
    std::unordered_map<std::string, std::string> texts;
    for (const auto* e = root->FirstChildElement("Text"); e; e = e->NextSiblingElement("Text")) {
        const char* key = e->Attribute("key");
        if (key == nullptr || *key == '\0') {
            return fail("language file: <Text> without key on line " +
                        std::to_string(e->GetLineNum()));
        }
        const char* value = e->Attribute("value");
        if (value == nullptr) {
            value = e->GetText();
        }
        texts[key] = value != nullptr ? value : "";
    }
    const char* font = root->Attribute("font");
    m_font = font != nullptr ? font : "";
    const char* name = root->Attribute("name");
    Replace(name != nullptr ? name : "", std::move(texts));
    return true;
}

void LanguageTable::Replace(std::string name, std::unordered_map<std::string, std::string> texts) {
    m_name = std::move(name);
    m_texts = std::move(texts);
    ++m_generation;
    Changed();
}

void LanguageTable::Set(std::string key, std::string text) {
    m_texts[std::move(key)] = std::move(text);
}

const std::string* LanguageTable::Find(std::string_view key) const {
    auto it = m_texts.find(std::string(key));
    return it != m_texts.end() ? &it->second : nullptr;
}

std::string LanguageTable::Resolve(std::string_view key) const {
    const std::string* text = Find(key);
    return text != nullptr ? *text : std::string(key);
}

int LanguageTable::AddListener(Listener listener) {
    int id = m_nextId++;
    m_listeners.emplace_back(id, std::move(listener));
    return id;
}

void LanguageTable::RemoveListener(int id) {
    std::erase_if(m_listeners, [id](const auto& entry) { return entry.first == id; });
}

void LanguageTable::Changed() {
    // A listener may remove itself or another one (a window closing).
    auto listeners = m_listeners;
    for (auto& [id, listener] : listeners) {
        bool stillListed = false;
        for (const auto& entry : m_listeners) {
            stillListed = stillListed || entry.first == id;
        }
        if (stillListed) {
            listener();
        }
    }
}

}  // namespace ui
