#pragma once
// The language table: text keys → texts of the current language.
//
// A language file is XML:
//   <Language name="English" font="Metropolis">
//     <Text key="message_text_5">That name is already used.</Text>
//   </Language>
// Loading a file replaces the whole table (switching the language at run
// time); listeners then hear of it, and every window re-resolves the
// controls that show a key and tells its observers (Property::Text).
// A key missing from the table resolves to the key itself.
//
// Threads: UI thread.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace ui {

class LanguageTable {
  public:
    // Replaces the table with the file's texts. On failure the table is left
    // as it was, `error` (when given) says why, and listeners are not called.
    bool LoadFile(const std::filesystem::path& path, std::string* error = nullptr);
    bool LoadString(std::string_view xml, std::string* error = nullptr);
    // Replaces the table with these texts (a language built in code).
    void Replace(std::string name, std::unordered_map<std::string, std::string> texts);

    // Texts keep their key; a new key is added. Listeners are not called.
    void Set(std::string key, std::string text);
    const std::string* Find(std::string_view key) const;
    std::string Resolve(std::string_view key) const;

    const std::string& Name() const { return m_name; }
    // The font face the language asks for ("" = keep the current one).
    const std::string& FontFace() const { return m_font; }
    size_t Size() const { return m_texts.size(); }
    // Increases with every replacement of the table.
    uint64_t Generation() const { return m_generation; }

    using Listener = std::function<void()>;
    int AddListener(Listener listener);
    void RemoveListener(int id);

  private:
    void Changed();

    std::string m_name;
    std::string m_font;
    std::unordered_map<std::string, std::string> m_texts;
    uint64_t m_generation = 0;
    std::vector<std::pair<int, Listener>> m_listeners;
    int m_nextId = 1;
};

}  // namespace ui
