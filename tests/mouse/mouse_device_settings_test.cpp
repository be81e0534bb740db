// The settings side of the mouse page on the real mouse object and the
// simulated mouse: the stage scale read at connection, edits reaching the
// settings record's bytes, a profile switch to fewer stages, the macro keys
// checked against the macro list, and the page's tip.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/ui/button.h"
#include "platform/ui/edit.h"
#include "platform/ui/range_controls.h"
#include "profile/macro_records.h"
#include "profile/macro_store.h"
#include "tests/mouse/mouse_page_fixture.h"

namespace {

using MouseDeviceSettingsTest = MousePageTest;

// Stage i of the settings record starts at byte 14 + 9i: enabled, xy, dpiX (2), dpiY (2), colour.
int DpiXOfStage(const std::vector<uint8_t>& record, int stage) {
    return record[14 + 9 * stage + 2] | record[14 + 9 * stage + 3] << 8;
}

TEST_F(MouseDeviceSettingsTest, ConnectionTakesTheStageScaleAndTheFieldReachesTheRecord) {
    Connect();
    EXPECT_EQ(page->Settings().Scale().step, sim::kMouseDpiStep);
    EXPECT_EQ(page->Settings().Scale().count, sim::kMouseDpiSteps);
    EXPECT_EQ(page->FindSubControl<ui::Slider>("DPI_slider_4")->GetMaxValue(), sim::kMouseDpiSteps);

    page->FindSubControl<ui::Edit>("DPI_edit_2")->SetText("1600");
    ASSERT_EQ(page->Settings().OnStageEdit(2), mouse::Change::StoredAndUpload);
    ASSERT_TRUE(page->SelectReportRateOption(3));
    page->SaveProfile();
    ASSERT_EQ(page->UploadSettings(0, 0, 1, 1920, 1080), 1);
    const std::vector<uint8_t> record = firmware->Parameters();
    EXPECT_EQ(record[34] | record[35] << 8, 1600 / sim::kMouseDpiStep);  // bytes 34–35
    EXPECT_EQ(record[11], 3);
    EXPECT_FALSE(page->SelectReportRateOption(5));
}

TEST_F(MouseDeviceSettingsTest, SwitchingToAProfileWithFewerStagesSendsZerosForTheRest) {
    Connect();
    page->FindSubControl<ui::Slider>("DPI_slider_4")->SetValue(100, ui::Notify::No);
    page->Settings().OnStageSlider(4);
    page->SaveProfile();
    ASSERT_EQ(page->UploadSettings(0, 0, 1, 1920, 1080), 1);
    ASSERT_EQ(DpiXOfStage(firmware->Parameters(), 4), 100);

    // Another profile with three stages.
    Json::Value doc = ReadJson(page->GetProfilePath());
    Json::Value& stages = doc["Device"][0]["DPIStages"]["StageDPIs"];
    stages.resize(3);
    const std::string other = page->ProfileFolder() + "three.Json";
    WriteJson(other, doc);
    page->SetProfileId("three");
    page->LoadProfile();
    page->RefreshPage();
    ASSERT_EQ(page->UploadSettings(0, 0, 1, 1920, 1080), 1);
    const std::vector<uint8_t> record = firmware->Parameters();
    EXPECT_EQ(std::vector<uint8_t>(record.begin() + 41, record.begin() + 59),
              std::vector<uint8_t>(18, 0));
}

TEST_F(MouseDeviceSettingsTest, MacroKeysPastTheMacroListGetTheirDefaultBack) {
    Connect();
    Assign(3, macro::kKindMacro, 4, 0);  // there are no macros at all
    Assign(4, macro::kKindMacroRepeat, 0, 7);
    const KeyEntry untouched = page->GetKeyList().at(1);
    page->ValidateMacroKeys();
    EXPECT_EQ(page->GetKeyList().at(3).current, page->GetKeyList().at(3).defaults);
    EXPECT_EQ(page->GetKeyList().at(4).current, page->GetKeyList().at(4).defaults);
    EXPECT_EQ(page->GetKeyList().at(1), untouched);
}

TEST_F(MouseDeviceSettingsTest, AnUnreadableMacroListTakesNoMacroFromAKey) {
    Assign(3, macro::kKindMacro, 0, 0);
    const std::string list = page->ProfileFolder() + profile::MacroStore::kListName;
    std::filesystem::create_directories(list);
    page->ValidateMacroKeys();
    EXPECT_EQ(page->GetKeyList().at(3).current.kind, macro::kKindMacro);
}

TEST_F(MouseDeviceSettingsTest, AProfileSwitchChecksTheMacroKeysBeforeItUploads) {
    Connect();
    Json::Value doc = ReadJson(page->GetProfilePath());
    doc["Device"][0]["KeyList"][2]["Assignment"] = macro::kKindMacro << 16 | 9 << 8;
    WriteJson(page->ProfileFolder() + "macro.Json", doc);
    page->SwitchProfile("macro");
    EXPECT_EQ(page->GetKeyList().at(2).current, page->GetKeyList().at(2).defaults);
    const std::vector<uint8_t> table = firmware->KeyTable();
    EXPECT_NE(table[3 * sim::MousePositionOfButton(2)], macro::kKindMacro);
}

TEST_F(MouseDeviceSettingsTest, PageStartsOnItsFirstSubPageAndShowsTheTipForKeyModes) {
    EXPECT_EQ(page->FindSubControl<ui::TabLayout>("mouse_device_seting_layout")->GetCurSel(), 0);
    page->SetFunctionMode(2);
    EXPECT_TRUE(page->FindSubControl("device_tishi_info")->IsVisible());
    page->SetFunctionMode(5);
    EXPECT_FALSE(page->FindSubControl("device_tishi_info")->IsVisible());
}

}  // namespace
