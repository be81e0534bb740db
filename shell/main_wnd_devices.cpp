// CMainWnd: device pages, their entries, and the arrival and removal of the
// devices' interfaces.

#include "device/usb_device.h"
#include "editors/light_control_ui.h"
#include "mousepad/mp_device_power_ui.h"
#include "platform/trace/trace.h"
#include "platform/ui/button.h"
#include "platform/ui/container.h"
#include "profile/controls/device_option_ui.h"
#include "profile/controls/device_profile_ui.h"
#include "shell/main_wnd.h"
#include "shell/message_box.h"
#include "shell/routes_capture.h"
#include "shell/routes_macros.h"

namespace {

using platform::trace::Write;

bool IsMouseKind(int kind) {
    return kind == device::kKindMouse || kind == device::kKindSlowMouse;
}

void TraceArrival(int kind, bool arrived) {
    if (kind == device::kKindKeyboard) {
        Write(arrived ? "添加一个键盘设备" : "删除一个键盘设备");
    } else if (IsMouseKind(kind)) {
        Write(arrived ? "添加一个鼠标设备" : "删除一个鼠标设备");
    } else {
        Write(arrived ? "添加一个鼠标垫设备" : "删除一个鼠标垫设备");
    }
}

bool SameProduct(const device::InterfaceRecord& a, const device::InterfaceRecord& b) {
    return a.vendorId == b.vendorId && a.productId == b.productId && a.kind == b.kind;
}

}  // namespace

// --- page building -------------------------------------------------------------------------

std::unique_ptr<ui::Control> CMainWnd::LoadPart(std::string_view file) {
    ui::LayoutLoader loader = Context().MakeLoader();
    loader.SetBuilder([this](std::string_view tag, ui::LayoutLoader& inner) {
        return CreateControl(tag, inner);
    });
    ui::LayoutResult result = loader.LoadFile(file);
    if (!result.ok()) {
        Write("layout " + std::string(file) + ": " + result.error);
        return nullptr;
    }
    return std::move(result.root);
}

std::vector<CVeldmarkUSBDevice*>* CMainWnd::PagesOfKind(int kind) {
    switch (kind) {
        case device::kKindKeyboard:
            return &m_keyboardPages;
        case device::kKindMouse:
        case device::kKindSlowMouse:
            return &m_mousePages;
        case device::kKindMousePad:
            return &m_padPages;
        case device::kKindHeadset:
            return &m_headsetPages;
        default:
            return nullptr;
    }
}

void CMainWnd::BuildPage(size_t slotIndex, uint16_t role) {
    const std::optional<device::InterfaceRecord> slot = m_slots->Get(slotIndex);
    if (!slot || m_entries == nullptr || m_pageSwitch == nullptr || m_powerSwitch == nullptr) {
        return;
    }
    const int row = device::FindOptionRow(slot->vendorId, slot->productId, slot->kind, role);
    std::vector<CVeldmarkUSBDevice*>* pages = PagesOfKind(slot->kind);
    if (row < 0 || pages == nullptr) {
        return;
    }
    const device::DeviceOptionRow& option = device::DeviceOptionTable()[row];
    const device::DevicePageRow& pageRow = device::DevicePageTable()[row];

    std::unique_ptr<ui::Control> power = LoadPart(kPowerLayout);
    if (!power) {
        return;
    }
    std::unique_ptr<ui::Control> pageControl;
    std::unique_ptr<ui::Control> entryControl;
    if (IsMouseKind(slot->kind)) {
        Write("12312312312312323123123");
        entryControl = LoadPart(option.optionLayout);
        pageControl = entryControl ? LoadPart(pageRow.pageLayout) : nullptr;
    } else {
        pageControl = LoadPart(pageRow.pageLayout);
        entryControl = pageControl ? LoadPart(option.optionLayout) : nullptr;
    }
    auto* page = dynamic_cast<CVeldmarkUSBDevice*>(pageControl.get());
    auto* entry = dynamic_cast<CDeviceOptionUI*>(entryControl.get());
    if (page == nullptr || entry == nullptr) {
        Write("no page for the " + std::string(device::KindName(slot->kind)) + " family");
        return;
    }

    ui::Control* powerControl = m_powerSwitch->Add(std::move(power));
    if (auto* status = dynamic_cast<CMpDevicePowerUI*>(powerControl)) {
        status->SetKind(slot->kind, role);
    }
    m_powerControls.push_back(powerControl);
    const int powerIndex = m_powerSwitch->GetItemIndex(powerControl);

    page->SetPageLayout(std::string(pageRow.pageLayout));
    page->SetMainWindow(GetRoot());
    page->SetDispatcher(&Context().dispatcher);
    page->SetKeyCount(pageRow.keyCount);
    page->SetLedCount(pageRow.ledCount);
    page->SetExtra(pageRow.extra);
    page->SetProfileId(std::string());
    page->SetFolderName(std::string(option.folderName));
    page->SetPowerControl(powerControl);
    page->SetIdentity(*slot);
    page->SetTypeCode(option.typeCode);
    page->SetLightStoreName(std::string(pageRow.lightStoreName));
    page->InitPage();
    // Found by name: a kind whose page object comes later binds no editors yet.
    if (auto* profiles = page->FindSubControl<CDeviceProfileUI>("DeviceProfileItem")) {
        profiles->SetPaths(page->ProfileFolder(), page->DefaultDocumentPath());
        profiles->SetDeviceKind(slot->kind);
        profiles->SetMessageSink([this](const std::string& text) {
            shell::ShowMessage(Context(), this, "", text, 96, false, 0);
        });
        profiles->InitProfiles();
        profiles->SetDevice(page);
    }
    BindMacroEditor(*page);

    m_pageSwitch->Add(std::move(pageControl));
    pages->push_back(page);
    const int pageIndex = static_cast<int>(m_pageSwitch->GetCount()) - 1;

    m_entries->Add(std::move(entryControl));
    entry->ShowSynchro(false);
    entry->SetGroup("device_select_group");  // one selected entry at a time
    entry->BindPage(m_pageSwitch->GetName(), pageIndex);
    entry->SetPowerTab(std::string(option.powerContainerName), powerIndex);
    entry->SetKind(slot->kind, role);
    if (auto* label = entry->FindSubControl("device_select_name")) {
        label->SetTextKey(DeviceIconKey(slot->kind, role) + "_device_name_text");
    }
    entry->SetVisible(false);
    entry->SetDevice(page);
}

// A click or a drop-down choice inside a profile list belongs to that list,
// which updates its file and has its page reload and commit the profile.
bool CMainWnd::RouteToProfileList(const ui::Notification& n) {
    if (!n.Is(ui::notify::kClick) && !n.Is(ui::notify::kItemSelect)) {
        return false;
    }
    for (ui::Control* c = n.sender; c != nullptr; c = c->GetParent()) {
        auto* profiles = dynamic_cast<CDeviceProfileUI*>(c);
        if (profiles == nullptr) {
            continue;
        }
        if (!n.Is(ui::notify::kItemSelect) || n.SenderName() != "device_profile_combo") {
            return profiles->HandleTrigger(n);
        }
        // A choice waits a moment: a user scrolling through the drop-down
        // switches once, to where they stop. A choice waiting in another
        // page's list is not lost to this one; it is made now.
        if (m_pendingProfileCombo.Get() != n.sender) {
            CommitProfileChoice();
        }
        m_pendingProfileCombo = n.sender->Handle();
        if (GetRoot() != nullptr) {
            GetRoot()->SetTimer(kProfileSwitchTimer, kProfileSwitchDelayMs, ui::TimerKind::OneShot);
        }
        return true;
    }
    return false;
}

void CMainWnd::CommitProfileChoice() {
    ui::Control* combo = m_pendingProfileCombo.Get();
    m_pendingProfileCombo = {};
    for (ui::Control* c = combo; c != nullptr; c = c->GetParent()) {
        if (auto* profiles = dynamic_cast<CDeviceProfileUI*>(c)) {
            profiles->HandleTrigger({std::string(ui::notify::kItemSelect), combo});
            return;
        }
    }
}

// --- entries -------------------------------------------------------------------------------

int CMainWnd::EntryCount() const {
    return m_entries != nullptr ? static_cast<int>(m_entries->GetCount()) : 0;
}

CDeviceOptionUI* CMainWnd::EntryAt(int index) const {
    if (m_entries == nullptr || index < 0 || index >= EntryCount()) {
        return nullptr;
    }
    return dynamic_cast<CDeviceOptionUI*>(m_entries->GetItemAt(static_cast<size_t>(index)));
}

int CMainWnd::EntryIndexOf(const CVeldmarkUSBDevice* page) const {
    for (int i = 0; i < EntryCount(); ++i) {
        if (CDeviceOptionUI* entry = EntryAt(i); entry != nullptr && entry->GetDevice() == page) {
            return i;
        }
    }
    return -1;
}

int CMainWnd::VisibleEntries() const {
    int visible = 0;
    for (int i = 0; i < EntryCount(); ++i) {
        if (CDeviceOptionUI* entry = EntryAt(i); entry != nullptr && entry->IsShown()) {
            ++visible;
        }
    }
    return visible;
}

CVeldmarkUSBDevice* CMainWnd::CurrentPage() {
    for (int i = 0; i < EntryCount(); ++i) {
        CDeviceOptionUI* entry = EntryAt(i);
        if (entry != nullptr && entry->IsShown() && entry->IsSelected()) {
            return entry->GetDevice();
        }
    }
    return nullptr;
}

void CMainWnd::SelectEntryTabs(CDeviceOptionUI& entry) {
    if (m_pageSwitch != nullptr) {
        m_pageSwitch->SelectItem(entry.GetBindIndex());
    }
    if (m_powerSwitch == nullptr) {
        return;
    }
    if (entry.GetPowerTabIndex() >= 0) {
        m_powerSwitch->SetVisible(true);
        m_powerSwitch->SelectItem(entry.GetPowerTabIndex());
    } else {
        m_powerSwitch->SetVisible(false);
    }
}

void CMainWnd::ShowEntry(int index, bool visible, bool select) {
    CDeviceOptionUI* entry = EntryAt(index);
    if (entry == nullptr) {
        return;
    }
    entry->SetVisible(visible);
    if (select) {
        SelectEntryTabs(*entry);
    }
    entry->Select(select);

    const int shown = VisibleEntries();
    if (ui::Control* notice = FindControl("No_device_Link")) {
        notice->SetVisible(shown == 0);
    }
    if (shown == 0) {
        if (m_powerSwitch != nullptr) {
            m_powerSwitch->SelectItem(0);
        }
        if (m_pageSwitch != nullptr) {
            m_pageSwitch->SelectItem(0);
        }
    }
    for (auto* pages : {&m_mousePages, &m_padPages, &m_keyboardPages, &m_headsetPages}) {
        for (CVeldmarkUSBDevice* page : *pages) {
            if (auto* editor = dynamic_cast<CLightControlUI*>(page->GetLightEditor())) {
                editor->SetSameModeSupport(shown > 1);
            }
        }
    }
    if (shown <= 1) {
        // With one device left there is nothing to keep in step.
        for (auto* pages : {&m_mousePages, &m_padPages, &m_keyboardPages, &m_headsetPages}) {
            for (CVeldmarkUSBDevice* page : *pages) {
                page->Channel().streamPaused.store(false);
            }
        }
    }
    EndLoneGroup();
}

void CMainWnd::HideEntry(int index) {
    CDeviceOptionUI* entry = EntryAt(index);
    if (entry == nullptr) {
        return;
    }
    int other = -1;
    if (entry->IsShown() && entry->IsSelected()) {
        // A recording or an uncommitted key edit ends with its device; the
        // events recorded so far are kept.
        app::EndCapture(*this, "its device left", false);
        m_editCommitted = true;
        for (int i = 0; i < EntryCount(); ++i) {
            if (CDeviceOptionUI* e = EntryAt(i); i != index && e != nullptr && e->IsShown()) {
                other = i;
                break;
            }
        }
    }
    ShowEntry(index, false, false);
    if (other >= 0) {
        ShowEntry(other, true, true);
    }
}

bool CMainWnd::SelectKind(int kind) {
    for (int i = 0; i < EntryCount(); ++i) {
        CDeviceOptionUI* entry = EntryAt(i);
        CVeldmarkUSBDevice* page = entry != nullptr ? entry->GetDevice() : nullptr;
        if (page != nullptr && entry->IsShown() &&
            PagesOfKind(page->GetKind()) == PagesOfKind(kind)) {
            ShowEntry(i, true, true);
            return true;
        }
    }
    return false;
}

void CMainWnd::OnDeviceSelectChanged() {
    RefreshChangedLightStores();
    for (int i = 0; i < EntryCount(); ++i) {
        CDeviceOptionUI* entry = EntryAt(i);
        if (entry != nullptr && entry->IsSelected()) {
            if (m_powerSwitch != nullptr) {
                if (entry->GetPowerTabIndex() >= 0) {
                    m_powerSwitch->SetVisible(true);
                    m_powerSwitch->SelectItem(entry->GetPowerTabIndex());
                } else {
                    m_powerSwitch->SetVisible(false);
                }
            }
            return;
        }
    }
}

// --- arrival and removal -------------------------------------------------------------------

CVeldmarkUSBDevice* CMainWnd::PageOfIdentity(const device::InterfaceRecord& slot) const {
    for (const auto* pages : {&m_mousePages, &m_padPages, &m_keyboardPages, &m_headsetPages}) {
        for (CVeldmarkUSBDevice* page : *pages) {
            if (page->GetIdentity().SameInterface(slot)) {
                return page;
            }
        }
    }
    return nullptr;
}

void CMainWnd::OnDeviceArrived(size_t index) {
    // An arrival during shutdown must not bring the closing window back.
    if (!m_slots || index >= m_slots->Size() || m_destroyed) {
        return;
    }
    const device::InterfaceRecord slot = *m_slots->Get(index);
    TraceArrival(slot.kind, true);
    if (slot.role == device::kRoleCommand) {
        if (!(slot.kind == device::kKindMouse && MousePartnerSwitch(index))) {
            AttachCommandSlot(slot);
        }
    } else if (slot.role == device::kRoleEvent) {
        AttachEventSlot(slot);
    }
    BringToFront();
}

void CMainWnd::AttachCommandSlot(const device::InterfaceRecord& slot) {
    CVeldmarkUSBDevice* page = PageOfIdentity(slot);
    if (page == nullptr) {
        return;
    }
    if (!page->Channel().IsOpen() && page->Channel().OpenInterface(slot.path, slot.kind)) {
        page->SetIdentity(slot);
    }
    const int entry = EntryIndexOf(page);
    if (entry < 0) {
        return;
    }
    ShowEntry(entry, true, VisibleEntries() == 0);
    EntryAt(entry)->StartConnect();
}

void CMainWnd::AttachEventSlot(const device::InterfaceRecord& slot) {
    std::vector<CVeldmarkUSBDevice*>* pages = PagesOfKind(slot.kind);
    if (pages == nullptr) {
        return;
    }
    for (CVeldmarkUSBDevice* page : *pages) {
        if (!page->EventChannel().IsOpen() && SameProduct(page->GetIdentity(), slot)) {
            page->OpenSyncInterface(slot.path);
            return;
        }
    }
    if (slot.kind != device::kKindMouse) {
        return;
    }
    // A mouse that switched to its other command interface keeps its page;
    // the new event interface goes to that page.
    for (CVeldmarkUSBDevice* page : *pages) {
        const device::InterfaceRecord& id = page->GetIdentity();
        if (page->EventChannel().IsOpen() && id.reserved[0] != 0) {
            const auto partner = m_slots->Get(id.reserved[1]);
            if (partner && SameProduct(*partner, slot)) {
                page->OpenSyncInterface(slot.path);
                return;
            }
        }
    }
}

// A mouse reachable through two command interfaces (cable and receiver) has
// partner-linked slots; the page follows whichever is connected.
bool CMainWnd::MousePartnerSwitch(size_t index) {
    const device::InterfaceRecord slot = *m_slots->Get(index);
    if (slot.reserved[0] == 0) {
        return false;
    }
    const auto partner = m_slots->Get(slot.reserved[1]);
    if (!partner || partner->reserved[0] == 0 || partner->reserved[1] != index) {
        return false;
    }
    CVeldmarkUSBDevice* page = PageOfIdentity(slot);
    if (page == nullptr) {
        page = PageOfIdentity(*partner);
    }
    if (page == nullptr || !slot.connected || slot.path.empty()) {
        return false;
    }
    if (page->Channel().IsOpen()) {
        page->Channel().CloseInterface();
    }
    if (page->Channel().OpenInterface(slot.path, slot.kind)) {
        page->Channel().slow.store(!page->Channel().IsSlow());
        page->SetIdentity(slot);
    }
    for (const device::InterfaceRecord& other : m_slots->Snapshot()) {
        if (other.connected && other.role == device::kRoleEvent && SameProduct(other, slot)) {
            page->OpenSyncInterface(other.path);
        }
    }
    const int entry = EntryIndexOf(page);
    if (entry >= 0 && !EntryAt(entry)->IsShown()) {
        ShowEntry(entry, true, VisibleEntries() == 0);
        EntryAt(entry)->StartConnect();
    }
    return true;
}

void CMainWnd::OnDeviceRemoved(size_t index) {
    if (!m_slots || index >= m_slots->Size()) {
        return;
    }
    const device::InterfaceRecord slot = *m_slots->Get(index);
    TraceArrival(slot.kind, false);
    if (slot.role == device::kRoleEvent) {
        std::vector<CVeldmarkUSBDevice*>* pages = PagesOfKind(slot.kind);
        for (CVeldmarkUSBDevice* page : pages ? *pages : std::vector<CVeldmarkUSBDevice*>{}) {
            if (page->EventChannel().IsOpen() && SameProduct(page->GetIdentity(), slot)) {
                page->CloseSyncInterface();
                break;
            }
        }
        return;
    }
    if (slot.role != device::kRoleCommand) {
        return;
    }
    CVeldmarkUSBDevice* page = PageOfIdentity(slot);
    if (page == nullptr) {
        return;
    }
    page->Channel().CloseInterface();
    // A mouse whose other command interface is still there carries on through it.
    if (slot.kind == device::kKindMouse && slot.reserved[0] != 0) {
        const auto partner = m_slots->Get(slot.reserved[1]);
        if (partner && partner->connected && !partner->path.empty() &&
            MousePartnerSwitch(slot.reserved[1])) {
            return;
        }
    }
    HideEntry(EntryIndexOf(page));
}
