#include "platform/ui/layout_loader.h"

#include <tinyxml2.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "platform/ui/container.h"

namespace ui {
namespace {

constexpr size_t kMaxFileBytes = 16u << 20;

// Attributes that depend on others of the same element (a value needs its
// range, a selection its items) are applied last.
bool IsDeferred(std::string_view name) {
    return EqualsNoCase(name, "value") || EqualsNoCase(name, "selected") ||
           EqualsNoCase(name, "selectedid");
}

std::string Where(std::string_view label, const tinyxml2::XMLElement* e) {
    return std::string(label) + ":" + std::to_string(e->GetLineNum());
}

}  // namespace

struct LayoutLoader::Session {
    LayoutLoader& loader;
    std::string label;             // file name for messages
    const WindowLayout* defaults;  // class defaults in force (may be null)
    std::string error;

    bool Fail(std::string message) {
        if (error.empty()) {
            error = std::move(message);
        }
        return false;
    }

    std::unique_ptr<Control> Build(const tinyxml2::XMLElement* e);
    bool BuildChildren(const tinyxml2::XMLElement* e, Control& parent);
    bool AddInclude(const tinyxml2::XMLElement* e, Container* parent,
                    std::unique_ptr<Control>* single);
    bool ApplyAttributes(const tinyxml2::XMLElement* e, Control& control);
    void ApplyDefaults(const tinyxml2::XMLElement* e, Control& control);
};

void LayoutLoader::Session::ApplyDefaults(const tinyxml2::XMLElement* e, Control& control) {
    if (defaults == nullptr || defaults->defaults.empty()) {
        return;
    }
    auto apply = [&](const std::string& key) {
        auto it = defaults->defaults.find(key);
        if (it == defaults->defaults.end()) {
            return false;
        }
        for (const auto& [name, value] : it->second) {
            control.SetAttribute(name, value);  // a bad default value keeps the class default
        }
        return true;
    };
    if (!apply(ToLowerAscii(e->Name()))) {
        apply(ToLowerAscii(control.GetClass()));
    }
}

bool LayoutLoader::Session::ApplyAttributes(const tinyxml2::XMLElement* e, Control& control) {
    std::vector<const tinyxml2::XMLAttribute*> deferred;
    auto apply = [&](const tinyxml2::XMLAttribute* a) {
        if (!control.SetAttribute(a->Name(), a->Value())) {
            return Fail(Where(label, e) + ": bad value '" + a->Value() + "' for attribute '" +
                        a->Name() + "' of <" + e->Name() + ">");
        }
        return true;
    };
    for (const auto* a = e->FirstAttribute(); a != nullptr; a = a->Next()) {
        if (IsDeferred(a->Name())) {
            deferred.push_back(a);
        } else if (!apply(a)) {
            return false;
        }
    }
    return std::all_of(deferred.begin(), deferred.end(), apply);
}

std::unique_ptr<Control> LayoutLoader::Session::Build(const tinyxml2::XMLElement* e) {
    std::string_view tag = e->Name();
    if (tag == "Include") {
        std::unique_ptr<Control> root;
        return AddInclude(e, nullptr, &root) ? std::move(root) : nullptr;
    }
    if (++loader.m_controlsBuilt > kMaxControls) {
        Fail(Where(label, e) + ": more than " + std::to_string(kMaxControls) + " controls");
        return nullptr;
    }
    std::unique_ptr<Control> control;
    if (loader.m_builder) {
        control = loader.m_builder(tag, loader);
    }
    if (control == nullptr) {
        control = loader.m_factory.Create(tag);
    }
    if (control == nullptr) {
        Fail(Where(label, e) + ": unknown control class <" + std::string(tag) + ">");
        return nullptr;
    }
    ApplyDefaults(e, *control);
    if (!ApplyAttributes(e, *control) || !BuildChildren(e, *control)) {
        return nullptr;
    }
    return control;
}

bool LayoutLoader::Session::BuildChildren(const tinyxml2::XMLElement* e, Control& parent) {
    const tinyxml2::XMLElement* child = e->FirstChildElement();
    if (child == nullptr) {
        return true;
    }
    Container* box = parent.AsContainer();
    if (box == nullptr) {
        return Fail(Where(label, child) + ": <" + e->Name() + "> cannot hold children");
    }
    for (; child != nullptr; child = child->NextSiblingElement()) {
        if (std::string_view(child->Name()) == "Include") {
            if (!AddInclude(child, box, nullptr)) {
                return false;
            }
            continue;
        }
        std::unique_ptr<Control> built = Build(child);
        if (built == nullptr) {
            return false;
        }
        if (box->Add(std::move(built)) == nullptr) {
            return Fail(Where(label, child) + ": <" + child->Name() + "> cannot be placed in <" +
                        e->Name() + ">");
        }
    }
    return true;
}

bool LayoutLoader::Session::AddInclude(const tinyxml2::XMLElement* e, Container* parent,
                                       std::unique_ptr<Control>* single) {
    const char* source = e->Attribute("source");
    if (source == nullptr || *source == '\0') {
        return Fail(Where(label, e) + ": <Include> needs a source");
    }
    int count = 1;
    if (const char* text = e->Attribute("count")) {
        auto parsed = ParseInt(text);
        if (!parsed || *parsed < 0 || *parsed > kMaxIncludeCount) {
            return Fail(Where(label, e) + ": bad include count '" + text + "'");
        }
        count = single != nullptr ? 1 : *parsed;
    }
    for (int i = 0; i < count; ++i) {
        LayoutResult included = loader.LoadFile(source);
        if (!included.ok()) {
            return Fail(Where(label, e) + ": " + included.error);
        }
        if (single != nullptr) {
            *single = std::move(included.root);
        } else if (parent->Add(std::move(included.root)) == nullptr) {
            return Fail(Where(label, e) + ": the root of " + source + " cannot be placed in <" +
                        e->Parent()->ToElement()->Name() + ">");
        }
    }
    return true;
}

namespace {

void ReadWindowElement(const tinyxml2::XMLElement* e, WindowLayout& window) {
    for (const auto* a = e->FirstAttribute(); a != nullptr; a = a->Next()) {
        std::string name = ToLowerAscii(a->Name());
        if (name == "size" && ParseSize(a->Value())) {
            window.size = *ParseSize(a->Value());
        } else if (name == "mininfo" && ParseSize(a->Value())) {
            window.minSize = *ParseSize(a->Value());
        } else if (name == "maxinfo" && ParseSize(a->Value())) {
            window.maxSize = *ParseSize(a->Value());
        } else if (name == "caption" && ParseRect(a->Value())) {
            window.caption = *ParseRect(a->Value());
        } else if (name == "sizebox" && ParseRect(a->Value())) {
            window.sizeBox = *ParseRect(a->Value());
        } else if (name == "roundcorner" && ParseSize(a->Value())) {
            window.roundCorner = *ParseSize(a->Value());
        } else if (name == "title") {
            window.title = a->Value();
        } else {
            window.extra[name] = a->Value();
        }
    }
}

bool ReadFont(const tinyxml2::XMLElement* e, WindowLayout& window) {
    WindowLayout::FontEntry entry;
    auto id = ParseInt(e->Attribute("id") ? e->Attribute("id") : "");
    if (!id) {
        return false;
    }
    entry.id = *id;
    entry.font.face = e->Attribute("name") ? e->Attribute("name") : "";
    entry.font.size = ParseInt(e->Attribute("size") ? e->Attribute("size") : "").value_or(0);
    entry.font.bold = e->BoolAttribute("bold");
    entry.font.italic = e->BoolAttribute("italic");
    entry.font.underline = e->BoolAttribute("underline");
    entry.isDefault = e->BoolAttribute("default");
    window.fonts.push_back(std::move(entry));
    return true;
}

bool ReadDefault(const tinyxml2::XMLElement* e, WindowLayout& window) {
    const char* cls = e->Attribute("class");
    if (cls == nullptr || *cls == '\0') {
        return false;
    }
    auto& list = window.defaults[ToLowerAscii(cls)];
    for (const auto* a = e->FirstAttribute(); a != nullptr; a = a->Next()) {
        if (!EqualsNoCase(a->Name(), "class")) {
            list.emplace_back(a->Name(), a->Value());
        }
    }
    return true;
}

}  // namespace

// --- LayoutLoader ---

LayoutLoader::LayoutLoader(const ControlFactory& factory, std::filesystem::path skinFolder)
    : m_factory(factory), m_skinFolder(std::move(skinFolder)) {}

void LayoutLoader::SetAlias(std::string name, std::string relativePath) {
    m_aliases[std::move(name)] = std::move(relativePath);
}

bool LayoutLoader::LoadResourceIndex(std::string_view relativePath, std::string* error) {
    auto fail = [error](std::string why) {
        if (error != nullptr)
            *error = std::move(why);
        return false;
    };
    std::string why;
    auto path = ResolvePath(relativePath, &why);
    if (!path) {
        return fail(why);
    }
    tinyxml2::XMLDocument doc;
    if (doc.LoadFile(path->string().c_str()) != tinyxml2::XML_SUCCESS) {
        return fail(path->string() + ": " + doc.ErrorStr());
    }
    const tinyxml2::XMLElement* root = doc.RootElement();
    if (root == nullptr || std::string_view(root->Name()) != "Resources") {
        return fail(path->string() + ": the root element must be <Resources>");
    }
    for (const auto* e = root->FirstChildElement("Layout"); e;
         e = e->NextSiblingElement("Layout")) {
        const char* name = e->Attribute("name");
        const char* file = e->Attribute("path");
        if (name == nullptr || file == nullptr) {
            return fail(path->string() + ":" + std::to_string(e->GetLineNum()) +
                        ": <Layout> needs name and path");
        }
        SetAlias(name, file);
    }
    return true;
}

std::optional<std::filesystem::path> LayoutLoader::ResolvePath(std::string_view name,
                                                               std::string* error) const {
    std::string text(name);
    if (auto it = m_aliases.find(text); it != m_aliases.end()) {
        text = it->second;
    }
    std::replace(text.begin(), text.end(), '\\', '/');
    std::filesystem::path relative(text);
    if (text.empty() || relative.is_absolute() || relative.has_root_name()) {
        *error = "layout path '" + std::string(name) + "' must be relative to the skin folder";
        return std::nullopt;
    }
    relative = relative.lexically_normal();
    if (relative.empty() || *relative.begin() == "..") {
        *error = "layout path '" + std::string(name) + "' leaves the skin folder";
        return std::nullopt;
    }
    return (m_skinFolder / relative).lexically_normal();
}

LayoutResult LayoutLoader::LoadFile(std::string_view name) {
    LayoutResult result;
    auto path = ResolvePath(name, &result.error);
    if (!path) {
        return result;
    }
    return LoadResolved(*path, path->lexically_relative(m_skinFolder).generic_string());
}

LayoutResult LayoutLoader::LoadResolved(const std::filesystem::path& path, std::string_view label) {
    LayoutResult result;
    if (std::find(m_active.begin(), m_active.end(), path) != m_active.end()) {
        result.error = "include cycle:";
        for (const auto& p : m_active) {
            result.error += " " + p.lexically_relative(m_skinFolder).generic_string() + " ->";
        }
        result.error += " " + std::string(label);
        return result;
    }
    if (m_active.size() >= static_cast<size_t>(kMaxIncludeDepth)) {
        result.error = std::string(label) + ": includes nested deeper than " +
                       std::to_string(kMaxIncludeDepth);
        return result;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        result.error = "cannot open layout " + std::string(label);
        return result;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    std::string xml = buffer.str();
    if (xml.size() > kMaxFileBytes) {
        result.error = std::string(label) + " is too large";
        return result;
    }
    m_active.push_back(path);
    result = LoadString(xml, label);
    m_active.pop_back();
    return result;
}

LayoutResult LayoutLoader::LoadString(std::string_view xml, std::string_view sourceName) {
    if (m_depth == 0) {
        m_controlsBuilt = 0;
    }
    struct Depth {
        int& depth;
        explicit Depth(int& d) : depth(d) { ++depth; }
        ~Depth() { --depth; }
    } depth(m_depth);

    LayoutResult result;
    tinyxml2::XMLDocument doc;
    if (doc.Parse(xml.data(), xml.size()) != tinyxml2::XML_SUCCESS) {
        result.error = std::string(sourceName) + ": " + doc.ErrorStr();
        return result;
    }
    const tinyxml2::XMLElement* rootElement = doc.RootElement();
    if (rootElement == nullptr) {
        result.error = std::string(sourceName) + ": no root element";
        return result;
    }
    // Class defaults of an including file stay in force inside the files it includes.
    Session session{*this, std::string(sourceName), m_defaults, {}};
    const tinyxml2::XMLElement* controlElement = rootElement;
    if (std::string_view(rootElement->Name()) == "Window") {
        WindowLayout window;
        ReadWindowElement(rootElement, window);
        controlElement = nullptr;
        for (const auto* e = rootElement->FirstChildElement(); e; e = e->NextSiblingElement()) {
            std::string_view tag = e->Name();
            bool ok = true;
            if (tag == "Font") {
                ok = ReadFont(e, window);
            } else if (tag == "Default") {
                ok = ReadDefault(e, window);
            } else if (controlElement == nullptr) {
                controlElement = e;
            } else {
                ok = session.Fail(Where(sourceName, e) +
                                  ": <Window> holds more than one root control");
            }
            if (!ok) {
                session.Fail(Where(sourceName, e) + ": malformed <" + std::string(tag) + ">");
                result.error = session.error;
                return result;
            }
        }
        if (controlElement == nullptr) {
            result.error = std::string(sourceName) + ": <Window> holds no control";
            return result;
        }
        result.window = std::move(window);
        session.defaults = &*result.window;
    }
    const WindowLayout* outer = m_defaults;
    m_defaults = session.defaults;
    std::unique_ptr<Control> root = session.Build(controlElement);
    m_defaults = outer;
    if (root == nullptr || !session.error.empty()) {
        result.error =
            session.error.empty() ? std::string(sourceName) + ": no control built" : session.error;
        result.window.reset();
        return result;
    }
    result.root = std::move(root);
    return result;
}

}  // namespace ui
