// CMainWnd: synchronised lighting across the attached devices.

#include "device/usb_device.h"
#include "editors/light_control_ui.h"
#include "profile/controls/device_option_ui.h"
#include "shell/main_wnd.h"

namespace {

void MarkSynchronised(CVeldmarkUSBDevice& page, bool synchronised) {
    if (auto* entry = dynamic_cast<CDeviceOptionUI*>(page.GetOptionControl())) {
        entry->SetSynchro(synchronised);
    }
}

bool IsMarked(CVeldmarkUSBDevice& page) {
    auto* entry = dynamic_cast<CDeviceOptionUI*>(page.GetOptionControl());
    return entry != nullptr && entry->IsSynchro();
}

bool InGroup(CVeldmarkUSBDevice& page) {
    return page.Channel().IsOpen() && page.Channel().streamPaused.load();
}

}  // namespace

ui::Size CMainWnd::ScreenSize() const {
    return Context().host.ScreenSize();
}

// Every open page takes the current page's lighting, translated to its own
// mode of the same effect, and joins the group, whose thread then paints all
// of them with one colour.
void CMainWnd::SyncToAll() {
    CVeldmarkUSBDevice* current = CurrentPage();
    if (current == nullptr) {
        return;
    }
    const LightInfoRecord record = current->GetLightInfo();
    const std::optional<app::SyncType> type = app::SyncTypeOfMode(current->GetKind(), record.mode);
    if (!type) {
        return;  // an effect the other devices cannot show in step
    }
    m_lightSync.SetParams({*type, record.brightness, record.speed, record.direction,
                           record.multiColor, record.red, record.green, record.blue});
    const ui::Size screen = ScreenSize();
    int members = 0;
    for (const auto* pages : {&m_keyboardPages, &m_mousePages, &m_padPages, &m_headsetPages}) {
        for (CVeldmarkUSBDevice* page : *pages) {
            if (!page->Channel().IsOpen()) {
                continue;
            }
            LightInfoRecord copy = record;
            copy.mode = app::SyncModeOf(page->GetKind(), *type);
            page->Channel().streamPaused.store(true);
            if (auto* editor = dynamic_cast<LightEditorView*>(page->GetLightEditor())) {
                editor->ShowLightInfo(copy);
            }
            page->SetLightInfo(copy);
            page->SaveProfile();
            page->ApplyLighting();
            page->UploadSettings(0, 0, 1, screen.width, screen.height);
            MarkSynchronised(*page, true);
            ++members;
        }
    }
    if (members < 2) {
        // Nothing to keep in step with: the page keeps its new lighting alone.
        LeaveGroup(*current);
    }
    m_lightSync.Wake();
}

void CMainWnd::LeaveGroup(CVeldmarkUSBDevice& page) {
    page.Channel().streamPaused.store(false);
    MarkSynchronised(page, false);
    EndLoneGroup();
}

// A page whose device is gone is no member; a group of one is no group: its
// last device goes back to its own lighting thread, which shows the same
// effect.
void CMainWnd::EndLoneGroup() {
    std::vector<CVeldmarkUSBDevice*> members;
    for (const auto* pages : {&m_keyboardPages, &m_mousePages, &m_padPages, &m_headsetPages}) {
        for (CVeldmarkUSBDevice* page : *pages) {
            if (InGroup(*page)) {
                members.push_back(page);
            } else if (page->Channel().streamPaused.load() || IsMarked(*page)) {
                page->Channel().streamPaused.store(false);
                MarkSynchronised(*page, false);
            }
        }
    }
    if (members.size() == 1) {
        members.front()->Channel().streamPaused.store(false);
        MarkSynchronised(*members.front(), false);
    }
}

void CMainWnd::RefreshChangedLightStores() {
    for (const auto* pages : {&m_keyboardPages, &m_mousePages, &m_padPages, &m_headsetPages}) {
        for (CVeldmarkUSBDevice* page : *pages) {
            if (page->LightStoreChanged()) {
                page->RefreshPage();
            }
        }
    }
}
