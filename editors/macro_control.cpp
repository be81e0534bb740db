#include "editors/macro_control.h"

#include <memory>

#include "editors/combo_edit_element.h"
#include "editors/macro_event_names.h"
#include "platform/ui/edit.h"
#include "platform/ui/label.h"
#include "platform/ui/list.h"
#include "platform/ui/window.h"
#include "profile/json_fields.h"
#include "profile/json_file.h"
#include "profile/macro_records.h"

namespace {

using profile::MacroOutcome;
using profile::MacroResult;

std::string EventText(const Json::Value& event) {
    Json::StyledWriter writer;
    return writer.write(event);
}

MacroOutcome Nothing(std::string detail) {
    MacroOutcome outcome;
    outcome.result = MacroResult::Unchanged;
    outcome.detail = std::move(detail);
    return outcome;
}

uint16_t ValueOf(const ui::Edit* edit) {
    return edit == nullptr ? 0 : macro::ParseDelay(Json::Value(edit->GetText()));
}

}  // namespace

// --- children --------------------------------------------------------------------------

ui::List* CMacroControlUI::NameList() const {
    return FindSubControl<ui::List>("macro_name_list");
}

ui::List* CMacroControlUI::ActionList() const {
    return FindSubControl<ui::List>("macro_action_list");
}

ui::Control* CMacroControlUI::ActionLayout() const {
    return FindSubControl("macro_action_layout");
}

ui::Edit* CMacroControlUI::EditNamed(std::string_view name) const {
    return FindSubControl<ui::Edit>(name);
}

CComboEditContainerElementUI* CMacroControlUI::Row(int index) const {
    ui::List* list = ActionList();
    return list == nullptr ? nullptr
                           : dynamic_cast<CComboEditContainerElementUI*>(list->GetItem(index));
}

void CMacroControlUI::ShowActionLayout(bool visible) {
    if (ui::Control* layout = ActionLayout()) {
        layout->SetVisible(visible);
    }
}

// --- the macro list ------------------------------------------------------------------------

void CMacroControlUI::SetMacroFolder(const std::string& folder, const std::string& listName) {
    m_store.SetFolder(folder, listName);
}

void CMacroControlUI::LoadMacroList() {
    m_store.Load();
    DeleteAllEvents();
    ShowNames(-1);
    ShowActionLayout(false);
}

void CMacroControlUI::ReloadMacros() {
    ui::List* list = NameList();
    const int selected = GetSelectedMacro();
    const std::string guid =
        selected >= 0 && list != nullptr ? list->GetItem(selected)->GetUserData() : std::string();
    const std::string name =
        selected >= 0 && list != nullptr ? list->GetItem(selected)->GetText() : std::string();
    m_store.Load();
    for (int i = 0; i < m_store.Count(); ++i) {
        const profile::MacroInfo& info = m_store.GetMacros()[i];
        if (selected >= 0 && info.guid == guid && (!guid.empty() || info.name == name)) {
            ShowNames(i);
            return;
        }
    }
    DeleteAllEvents();
    ShowNames(-1);
    ShowActionLayout(false);
}

void CMacroControlUI::ShowNames(int index) {
    ui::List* list = NameList();
    if (list == nullptr) {
        return;
    }
    list->RemoveAll();
    for (const profile::MacroInfo& info : m_store.GetMacros()) {
        list->AddTextItem(info.name, info.guid, kItemHeight);
    }
    list->SelectItem(index < m_store.Count() ? index : -1, ui::Notify::No);
}

std::vector<std::string> CMacroControlUI::GetMacroNames() const {
    std::vector<std::string> names;
    for (const profile::MacroInfo& info : m_store.GetMacros()) {
        names.push_back(info.name);
    }
    return names;
}

int CMacroControlUI::GetSelectedMacro() const {
    ui::List* list = NameList();
    return list == nullptr ? -1 : list->GetCurSel();
}

void CMacroControlUI::SelectMacro(int index) {
    if (ui::List* list = NameList()) {
        list->SelectItem(index, ui::Notify::No);
    }
    LoadMacro();
}

MacroOutcome CMacroControlUI::AddMacro() {
    const int selected = GetSelectedMacro();
    MacroOutcome outcome = m_store.Add();
    if (outcome.Ok()) {
        ShowNames(m_store.Count() - 1);
        LoadMacro();
    } else {
        // The store read the list again; show what it holds.
        ShowNames(selected);
    }
    return outcome;
}

MacroOutcome CMacroControlUI::DeleteMacro() {
    const int selected = GetSelectedMacro();
    if (selected < 0) {
        return Nothing("no macro selected");
    }
    MacroOutcome outcome = m_store.Remove(selected);
    if (outcome.Ok()) {
        DeleteAllEvents();
        ShowNames(m_store.Count() > 0 ? 0 : -1);
        LoadMacro();
    } else {
        ShowNames(selected);
    }
    return outcome;
}

MacroOutcome CMacroControlUI::RenameMacro() {
    const int selected = GetSelectedMacro();
    ui::Edit* edit = EditNamed("macro_edit_macroname");
    const std::string requested = edit != nullptr ? edit->GetText() : std::string();
    MacroOutcome outcome = m_store.Rename(selected, requested);
    if (outcome.result != MacroResult::Unchanged) {
        ShowNames(selected);
    }
    if (outcome.Ok() && edit != nullptr) {
        edit->SetText("");
    }
    return outcome;
}

MacroOutcome CMacroControlUI::ImportMacro(const std::string& path) {
    const int selected = GetSelectedMacro();
    MacroOutcome outcome = m_store.Import(path);
    if (outcome.Ok()) {
        ShowNames(m_store.Count() - 1);
        LoadMacro();
    } else {
        ShowNames(selected);
    }
    return outcome;
}

MacroOutcome CMacroControlUI::ExportMacro(const std::string& path) {
    const int selected = GetSelectedMacro();
    if (selected < 0) {
        return Nothing("no macro selected");
    }
    return m_store.Export(selected, path);
}

// --- events ------------------------------------------------------------------------------

void CMacroControlUI::LoadMacro() {
    DeleteAllEvents();
    const int selected = GetSelectedMacro();
    if (selected < 0) {
        ShowActionLayout(false);
        return;
    }
    ShowActionLayout(true);
    const Json::Value events = m_store.LoadEvents(selected);
    for (const Json::Value& event : events) {
        InsertEvent(GetEventCount(), event, false);
    }
}

MacroOutcome CMacroControlUI::SaveMacro() {
    const int selected = GetSelectedMacro();
    if (selected < 0) {
        return Nothing("no macro selected");
    }
    Json::Value events(Json::arrayValue);
    for (int i = 0; i < GetEventCount(); ++i) {
        CComboEditContainerElementUI* row = Row(i);
        if (row == nullptr || row->GetUserData().empty()) {
            break;
        }
        bool parsed = false;
        Json::Value event = CJsonFile::Parse(row->GetUserData(), &parsed);
        if (!parsed || !event.isObject()) {
            events[static_cast<Json::ArrayIndex>(i)] = Json::Value();
            continue;
        }
        event["Delay"] = std::to_string(ValueOf(row->DelayEdit()));
        row->SetUserData(EventText(event));
        events[static_cast<Json::ArrayIndex>(i)] = std::move(event);
    }
    return m_store.SaveEvents(selected, events);
}

int CMacroControlUI::GetEventCount() const {
    ui::List* list = ActionList();
    return list == nullptr ? 0 : list->GetItemCount();
}

int CMacroControlUI::GetSelectedEvent() const {
    ui::List* list = ActionList();
    return list == nullptr ? -1 : list->GetCurSel();
}

void CMacroControlUI::SelectEvent(int index) {
    if (ui::List* list = ActionList()) {
        list->SelectItem(index, ui::Notify::No);
    }
}

Json::Value CMacroControlUI::GetEvent(int index) const {
    CComboEditContainerElementUI* row = Row(index);
    if (row == nullptr) {
        return Json::Value();
    }
    bool parsed = false;
    Json::Value event = CJsonFile::Parse(row->GetUserData(), &parsed);
    if (parsed && event.isObject()) {
        event["Delay"] = std::to_string(ValueOf(row->DelayEdit()));
    }
    return event;
}

void CMacroControlUI::ApplyStyle(ui::Control& label, std::string_view style) const {
    label.SetAttribute("style", style);
    const ui::Control* look = FindSubControl(style);
    if (look == nullptr || look == &label) {
        return;
    }
    for (const ui::ColorRole role : {ui::ColorRole::Text, ui::ColorRole::Background}) {
        if (const auto color = look->GetColor(role)) {
            label.SetColor(role, *color);
        }
    }
    for (const ui::ImageState state : {ui::ImageState::Background, ui::ImageState::Normal}) {
        if (!look->GetImage(state).empty()) {
            label.SetImage(state, look->GetImage(state));
        }
    }
    label.SetFont(look->GetFont());
    if (look->GetFixedWidth() > 0) {
        label.SetFixedWidth(look->GetFixedWidth());
    }
}

std::unique_ptr<CComboEditContainerElementUI> CMacroControlUI::MakeRow(const Json::Value& event) {
    auto row = std::make_unique<CComboEditContainerElementUI>();
    row->SetName("macro_action");
    row->SetFixedHeight(kRowHeight);
    row->BuildContent(GetWindow() != nullptr ? &GetWindow()->Context() : nullptr);
    row->SetUserData(EventText(event));

    ui::Label* action = row->ActionLabel();
    const bool down = macro::IsDown(event);
    const std::string_view actionStyle = macro::ActionStyle(event);
    const ui::Control* look = FindSubControl(actionStyle);
    if (look != nullptr && !look->GetTextValue().text.empty()) {
        const ui::TextValue& text = look->GetTextValue();
        text.isKey ? action->SetTextKey(text.text) : action->SetText(text.text);
    } else {
        action->SetTextKey(down ? "macro_down_key_text" : "macro_up_key_text");
    }
    ApplyStyle(*action, actionStyle);

    ui::Label* name = row->NameLabel();
    const macro::EventName shown = macro::NameOfEvent(event);
    if (shown.key.empty()) {
        name->SetText(shown.plain);
    } else if (shown.suffix.empty()) {
        name->SetTextKey(shown.key);
    } else {
        const std::string text =
            GetWindow() != nullptr ? GetWindow()->Context().language.Resolve(shown.key) : shown.key;
        name->SetText(text + shown.suffix);
    }
    ApplyStyle(*name, macro::NameStyle(event));

    ui::Edit* delay = row->DelayEdit();
    delay->SetName("macro_delay");
    delay->SetFixedHeight(kDelayEditHeight);
    delay->SetColor(ui::ColorRole::Background, ui::Color{kDelayEditColor});
    delay->SetMaxChars(6);
    delay->SetNumberOnly(true);
    delay->SetValueRange(0, macro::kMaxDelay);
    delay->SetText(std::to_string(macro::ParseDelay(profile::json::Member(event, "Delay"))));
    return row;
}

bool CMacroControlUI::InsertEvent(int index, const Json::Value& event, bool select) {
    ui::List* list = ActionList();
    if (list == nullptr || GetEventCount() >= macro::kMaxEvents) {
        return false;
    }
    const size_t at = index < 0 ? 0 : static_cast<size_t>(index);
    ui::Control* row = list->AddAt(MakeRow(event), at);
    if (row != nullptr && select) {
        list->SelectItem(list->GetItemIndex(row), ui::Notify::No);
    }
    return row != nullptr;
}

void CMacroControlUI::SetEventDelay(int index, uint16_t delay) {
    CComboEditContainerElementUI* row = Row(index);
    if (row == nullptr) {
        return;
    }
    row->DelayEdit()->SetText(std::to_string(delay));
    bool parsed = false;
    Json::Value event = CJsonFile::Parse(row->GetUserData(), &parsed);
    if (parsed && event.isObject()) {
        event["Delay"] = std::to_string(delay);
        row->SetUserData(EventText(event));
    }
}

void CMacroControlUI::MoveSelectedTo(int target) {
    ui::List* list = ActionList();
    const int selected = GetSelectedEvent();
    if (list == nullptr || selected < 0 || target < 0 || target >= GetEventCount() ||
        target == selected) {
        return;
    }
    // The row itself moves, so a delay typed into it and not saved yet moves too.
    std::unique_ptr<ui::Control> row = list->Take(list->GetItem(selected));
    ui::Control* moved = list->AddAt(std::move(row), static_cast<size_t>(target));
    list->SelectItem(list->GetItemIndex(moved), ui::Notify::No);
}

void CMacroControlUI::MoveEventUp() {
    MoveSelectedTo(GetSelectedEvent() - 1);
}

void CMacroControlUI::MoveEventDown() {
    const int selected = GetSelectedEvent();
    if (selected >= 0) {
        MoveSelectedTo(selected + 1);
    }
}

void CMacroControlUI::MoveEventToTop() {
    if (GetSelectedEvent() > 0) {
        MoveSelectedTo(0);
    }
}

void CMacroControlUI::MoveEventToBottom() {
    if (GetSelectedEvent() >= 0) {
        MoveSelectedTo(GetEventCount() - 1);
    }
}

void CMacroControlUI::DeleteEvent() {
    ui::List* list = ActionList();
    const int selected = GetSelectedEvent();
    if (list == nullptr || selected < 0) {
        return;
    }
    list->Remove(list->GetItem(selected));
    // The next row (or the new last one) takes the selection, so that rows can
    // be removed one after the other.
    const int next = selected < GetEventCount() ? selected : GetEventCount() - 1;
    list->SelectItem(next, ui::Notify::No);
}

void CMacroControlUI::DeleteAllEvents() {
    if (ui::List* list = ActionList()) {
        list->RemoveAll();
    }
}

int CMacroControlUI::InsertPosition() const {
    const int count = GetEventCount();
    if (count == 0) {
        return 0;
    }
    const int selected = GetSelectedEvent();
    return selected < 0 ? 1 : selected + 1;
}

uint8_t CMacroControlUI::DistanceOf(Direction direction) const {
    const char* name = "mouse_x_left_edit";
    switch (direction) {
        case Direction::Left:
            break;
        case Direction::Right:
            name = "mouse_x_right_edit";
            break;
        case Direction::Up:
            name = "mouse_y_up_edit";
            break;
        case Direction::Down:
            name = "mouse_y_down_edit";
            break;
    }
    const uint16_t value = ValueOf(EditNamed(name));
    return value > 255 ? 255 : static_cast<uint8_t>(value);
}

void CMacroControlUI::InsertMove(Direction direction) {
    if (GetSelectedMacro() < 0) {
        return;
    }
    const bool horizontal = direction == Direction::Left || direction == Direction::Right;
    // "down" encodes left and up, "up" right and down.
    const bool down = direction == Direction::Left || direction == Direction::Up;
    const Json::Value event =
        macro::MakeEvent(down, horizontal ? macro::kTypeMoveX : macro::kTypeMoveY,
                         DistanceOf(direction), ReadConstantDelay());
    if (InsertEvent(InsertPosition(), event, true)) {
        SaveMacro();
    }
}

void CMacroControlUI::InsertButton(uint8_t button, bool down) {
    if (GetSelectedMacro() < 0) {
        return;
    }
    InsertEvent(InsertPosition(),
                macro::MakeEvent(down, macro::kTypeMouseButton, button, ReadConstantDelay()), true);
}

bool CMacroControlUI::InsertMenuItem(std::string_view item) {
    const size_t split = item.rfind('_');
    if (split == std::string_view::npos) {
        return false;
    }
    const auto button = macro::MouseButtonByItem(item.substr(0, split));
    const std::string_view action = item.substr(split + 1);
    if (!button || (action != "down" && action != "up" && action != "click")) {
        return false;
    }
    if (action == "click") {
        InsertButton(button->button, true);
        InsertButton(button->button, false);
    } else {
        InsertButton(button->button, action == "down");
    }
    SaveMacro();
    return true;
}

uint16_t CMacroControlUI::ReadConstantDelay() {
    ui::Edit* edit = EditNamed("macro_fixed_time_edit");
    if (edit == nullptr) {
        return m_constantDelay;
    }
    const uint16_t value = ValueOf(edit);
    const std::string shown = std::to_string(value);
    if (value != m_constantDelay || (edit->GetText() != shown && !edit->GetText().empty())) {
        edit->SetText(shown);
        m_constantDelay = value;
    }
    return m_constantDelay;
}
