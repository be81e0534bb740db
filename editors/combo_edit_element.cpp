#include "editors/combo_edit_element.h"

#include <memory>

#include "platform/trace/trace.h"
#include "platform/ui/edit.h"
#include "platform/ui/label.h"
#include "platform/ui/ui_context.h"
#include "platform/ui/window.h"

CComboEditContainerElementUI::CComboEditContainerElementUI() = default;

void CComboEditContainerElementUI::OnAttached(ui::Window& window) {
    // A layout that placed the element builds its content when it joins a window.
    BuildContent(&window.Context());
}

void CComboEditContainerElementUI::BuildContent(ui::UiContext* context) {
    if (m_built) {
        return;
    }
    m_built = true;
    if (context == nullptr || !BuildFromLayout(*context)) {
        BuildBuiltIn();
    }
}

bool CComboEditContainerElementUI::BuildFromLayout(ui::UiContext& context) {
    ui::LayoutLoader loader = context.MakeLoader();
    ui::LayoutResult built = loader.LoadFile(kItemLayout);
    if (!built.ok()) {
        return false;
    }
    auto* content = built.root->AsContainer();
    auto* text1 = content ? content->FindSubControl<ui::Label>("text1") : nullptr;
    auto* text2 = content ? content->FindSubControl<ui::Label>("text2") : nullptr;
    auto* delay = content ? content->FindSubControl<ui::Edit>("delay_edit") : nullptr;
    if (text1 == nullptr || text2 == nullptr || delay == nullptr) {
        platform::trace::Write("ComboEditElementItem: text1, text2 or delay_edit missing");
        return false;
    }
    if (Add(std::move(built.root)) == nullptr) {
        return false;
    }
    m_text1 = text1;
    m_text2 = text2;
    m_delay = delay;
    return true;
}

void CComboEditContainerElementUI::BuildBuiltIn() {
    auto row = std::make_unique<ui::HorizontalLayout>();
    auto text1 = std::make_unique<ui::Label>();
    text1->SetName("text1");
    text1->SetFixedWidth(70);
    auto text2 = std::make_unique<ui::Label>();
    text2->SetName("text2");
    auto delay = std::make_unique<ui::Edit>();
    delay->SetName("delay_edit");
    delay->SetFixedWidth(70);
    m_text1 = row->Add(std::move(text1));
    m_text2 = row->Add(std::move(text2));
    m_delay = row->Add(std::move(delay));
    Add(std::move(row));
}

bool CComboEditContainerElementUI::HandleInput(const ui::InputEvent& event) {
    using Type = ui::InputEvent::Type;
    const bool pointer = event.type != Type::KeyDown && event.type != Type::KeyUp;
    if (pointer && !m_mouseEnabled) {
        ui::ListBase* owner = GetOwner();
        return owner != nullptr && owner->HandleInput(event);
    }
    if (!IsEnabled()) {
        return false;
    }
    switch (event.type) {
        case Type::Enter:
            m_hot = true;
            Invalidate();
            return false;
        case Type::Leave:
            m_hot = false;
            Invalidate();
            return false;
        case Type::KeyDown:
            if (event.key == kReturnKey || event.key == kEnterKey) {
                ui::ControlHandle self = Handle();
                UserActivate();
                if (self.IsAlive()) {
                    SendNotify(ui::notify::kReturn);
                }
                return true;
            }
            return false;
        default:
            // Press, release, double click and context click take the list
            // item's own way through the host.
            return false;
    }
}

const ui::AttributeTable& CComboEditContainerElementUI::Attributes() const {
    static const ui::AttributeTable table = [] {
        ui::AttributeTable t(&ui::Container::ContainerAttributes());
        for (const char* ignored : {"normalimage", "hotimage", "selectedimage"}) {
            t.Add(ignored, [](ui::Control&, std::string_view) { return true; });
        }
        t.Add("mouse", [](ui::Control& c, std::string_view v) {
            const auto enabled = ui::ParseBool(v);
            if (enabled) {
                static_cast<CComboEditContainerElementUI&>(c).SetMouseEnabled(*enabled);
            }
            return enabled.has_value();
        });
        return t;
    }();
    return table;
}
