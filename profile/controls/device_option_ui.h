#pragma once
// CDeviceOptionUI: a device family's selection entry in the main window
// (class "DeviceOption", built from "XML/CustomControlXML/DeviceOption.xml").
// Clicking it shows the device's page; its icon shows the device kind and
// whether the device takes part in synchronised lighting; and its timers
// drive the page's periodic work:
//   1001 ConnectDevice, then 1000 in 5 ms and, with extra != 0 and the
//        channel open, 1005 in 5000 ms;
//   1000 PushFrame (and a preview repaint while selected), again in 5 ms
//        while the channel is open;
//   1002 ReadDeviceState; 1003/1004 the page's hooks;
//   1005 PollStatus, again in 5000 ms while extra != 0 and the channel is open.
// Every timer is one-shot: the handler stops it and re-arms it as above.
//
// Named children: "synchro_device_select" (option), "device_select" (option,
// bound to the page's tab), "device_select_name" (label); each is looked up on
// first use. Threads: UI thread only.

#include <string>
#include <string_view>

#include "platform/ui/button.h"
#include "platform/ui/container.h"

class CVeldmarkUSBDevice;

class CDeviceOptionUI : public ui::HorizontalLayout {
  public:
    static constexpr std::string_view kClassName = "DeviceOption";

    CDeviceOptionUI();
    std::string_view GetClass() const override { return kClassName; }

    // Kind (1 keyboard, 2 mouse, 3 mousepad, 7 headset) picks the icons and
    // the tooltip key; secondValue is the interface role.
    void SetKind(int kind, int secondValue);
    int GetKind() const { return m_kind; }
    int GetSecondValue() const { return m_secondValue; }
    void SetGroup(const std::string& name);
    // Selecting the entry selects tab `index` of the tab layout `tabLayoutName`.
    void BindPage(const std::string& tabLayoutName, int index);
    int GetBindIndex();
    std::string GetBindTabName();
    // A name is required; an index below 0 keeps the stored index.
    void SetPowerTab(const std::string& name, int index);
    const std::string& GetPowerTabName() const { return m_powerTabName; }
    int GetPowerTabIndex() const { return m_powerTabIndex; }
    void SetName(const std::string& text);
    void SetDevice(CVeldmarkUSBDevice* page);
    CVeldmarkUSBDevice* GetDevice() const { return m_page; }
    void SetPreviewControl(ui::Control* control) { m_previewControl = control; }
    // Shows or hides the entry and remembers the flag.
    void SetVisible(bool flag);
    bool IsShown() const { return m_shown; }
    void Select(bool flag);
    bool IsSelected();
    void ShowSynchro(bool flag);
    void SetSynchro(bool flag);
    bool IsSynchro();
    // Arms timer 1001 (500 ms): the page connects to its device.
    void StartConnect();
    // The framework's activation: raises "selectchanged" for the entry.
    bool Activate();

    // The four icon images of the current kind.
    const std::string& NormalImage() const { return m_normalImage; }
    const std::string& SelectedImage() const { return m_selectedImage; }
    const std::string& SynchroNormalImage() const { return m_synchroNormalImage; }
    const std::string& SynchroSelectedImage() const { return m_synchroSelectedImage; }

    void OnTimer(int id) override;

  private:
    ui::Option* SelectOption();
    ui::Option* SynchroOption();
    ui::Control* NameLabel();
    void SetImages(const std::string& key);
    void ApplyIconState(bool synchronised);
    bool ChannelOpen() const;
    void OnConnectTimer();
    void OnPushTimer();
    void OnPollTimer();

    CVeldmarkUSBDevice* m_page = nullptr;
    ui::ControlHandle m_pageHandle;  // a page that has gone is not driven
    ui::Control* m_previewControl = nullptr;
    int m_kind = 0;
    int m_secondValue = 0;
    std::string m_synchroSelectedImage;
    std::string m_synchroNormalImage;
    std::string m_selectedImage;
    std::string m_normalImage;
    std::string m_powerTabName;
    int m_powerTabIndex = -1;
    bool m_shown = true;
    ui::Option* m_synchro = nullptr;
    ui::Option* m_select = nullptr;
    ui::Control* m_nameLabel = nullptr;
};

// The icon key of a kind: "kb", "ms", "hard_mp", "hd", or "unknow".
std::string DeviceIconKey(int kind, int secondValue);
