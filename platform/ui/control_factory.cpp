#include "platform/ui/control_factory.h"

#include "platform/ui/button.h"
#include "platform/ui/container.h"
#include "platform/ui/custom_control.h"
#include "platform/ui/edit.h"
#include "platform/ui/label.h"
#include "platform/ui/list.h"
#include "platform/ui/menu.h"
#include "platform/ui/range_controls.h"

namespace ui {
namespace {

// "CNameUI" ↔ "Name": the other spelling of a class name, or "" when none.
std::string OtherSpelling(std::string_view lower) {
    if (lower.size() > 3 && lower.front() == 'c' && lower.substr(lower.size() - 2) == "ui") {
        return std::string(lower.substr(1, lower.size() - 3));
    }
    return "c" + std::string(lower) + "ui";
}

}  // namespace

ControlFactory::ControlFactory() {
    Register<Control>(Control::kClassName);
    Register<Container>(Container::kClassName);
    Register<VerticalLayout>(VerticalLayout::kClassName);
    Register<HorizontalLayout>(HorizontalLayout::kClassName);
    Register<ScrollContainer>(ScrollContainer::kClassName);
    Register<TabLayout>(TabLayout::kClassName);
    Register<Label>(Label::kClassName);
    Register<Text>(Text::kClassName);
    Register<Button>(Button::kClassName);
    Register<Option>(Option::kClassName);
    Register<CheckBox>(CheckBox::kClassName);
    Register<Edit>(Edit::kClassName);
    Register<RichEdit>(RichEdit::kClassName);
    Register<Progress>(Progress::kClassName);
    Register<Slider>(Slider::kClassName);
    Register<List>(List::kClassName);
    Register<Combo>(Combo::kClassName);
    Register<ListLabelElement>(ListLabelElement::kClassName);
    Register<ListContainerElement>(ListContainerElement::kClassName);
    Register<Menu>(Menu::kClassName);
    Register<MenuElement>(MenuElement::kClassName);
    Register<ColorPalette>(ColorPalette::kClassName);
    Register<CustomControl>(CustomControl::kClassName);
}

void ControlFactory::Register(std::string_view className, Creator creator) {
    if (className.empty() || !creator) {
        return;
    }
    std::string key = ToLowerAscii(className);
    if (m_creators.find(key) == m_creators.end()) {
        m_names.emplace_back(className);
    }
    m_creators[key] = std::move(creator);
}

const ControlFactory::Creator* ControlFactory::FindCreator(std::string_view className) const {
    if (className.empty()) {
        return nullptr;
    }
    std::string key = ToLowerAscii(className);
    if (auto it = m_creators.find(key); it != m_creators.end()) {
        return &it->second;
    }
    if (auto it = m_creators.find(OtherSpelling(key)); it != m_creators.end()) {
        return &it->second;
    }
    return nullptr;
}

bool ControlFactory::IsRegistered(std::string_view className) const {
    return FindCreator(className) != nullptr;
}

std::unique_ptr<Control> ControlFactory::Create(std::string_view className) const {
    const Creator* creator = FindCreator(className);
    return creator != nullptr ? (*creator)() : nullptr;
}

std::vector<std::string> ControlFactory::ClassNames() const {
    return m_names;
}

}  // namespace ui
