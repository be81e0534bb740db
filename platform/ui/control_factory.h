#pragma once
// The control factory: class name → creator. The built-in classes are
// registered at construction; the application registers its own
// ("VeldmarkKeyboardDevice", "DeviceOption", ...). Names match without
// regard to case, and a class registered as "CNameUI" is also found as
// "Name" (and the other way round), since layouts use the short form.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/ui/control.h"

namespace ui {

class ControlFactory {
  public:
    using Creator = std::function<std::unique_ptr<Control>()>;

    // With every built-in class registered.
    ControlFactory();

    // Registers (or replaces) a class. An empty name or creator is ignored.
    void Register(std::string_view className, Creator creator);
    template <typename T>
    void Register(std::string_view className) {
        Register(className, [] { return std::make_unique<T>(); });
    }
    bool IsRegistered(std::string_view className) const;
    // A new control of that class, or null when no class matches (or the
    // creator returned null).
    std::unique_ptr<Control> Create(std::string_view className) const;
    std::vector<std::string> ClassNames() const;

  private:
    const Creator* FindCreator(std::string_view className) const;

    std::unordered_map<std::string, Creator> m_creators;  // lower-case names
    std::vector<std::string> m_names;                     // as registered
};

}  // namespace ui
