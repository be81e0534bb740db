#pragma once
// The program's own settings (the interface language) in a small text file in
// the user's configuration folder:
//   $XDG_CONFIG_HOME (default ~/.config) / "VARNE VK-R20 Mechanical Keyboard" / "settings.ini"
// with one "KEY=value" line per setting ("LANGUAGE=1033"). Lines that are not
// of that form are ignored when read and dropped when the file is written.
// Writes replace the file atomically and create the folder when needed.
//
// Threads: any, one object per thread.

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace app {

inline constexpr const char* kWindowTitle = "VARNE VK-R20 Mechanical Keyboard";

// The user's configuration folder of the program (no trailing slash).
std::string ConfigFolder();

class AppSettings {
  public:
    explicit AppSettings(std::string path);
    // The settings file in ConfigFolder().
    static AppSettings Default();

    const std::string& Path() const { return m_path; }
    // The value stored for key, read from the file now; nullopt when the file,
    // or the key in it, is missing.
    std::optional<std::string> Get(std::string_view key) const;
    // Stores the value (the other keys are kept). False when the file could
    // not be written; the old file is then untouched.
    bool Set(std::string_view key, std::string_view value);

  private:
    std::map<std::string, std::string, std::less<>> Read() const;

    std::string m_path;
};

}  // namespace app
