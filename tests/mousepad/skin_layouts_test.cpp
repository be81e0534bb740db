// Every shipped layout of the mousepad page, the selection entry, the power
// control and the profile list loads, and holds every name the logic looks up.
#include <gtest/gtest.h>

#include "tests/mousepad/mousepad_page_fixture.h"

namespace {

using SkinLayoutsTest = MousepadPageTest;

TEST_F(SkinLayoutsTest, EveryNameTheLogicLooksUpExists) {
    const char* names[] = {
        // mousepad page
        "mousepad_device_key_light", "DeviceProfileItem", "LightControlItem",
        // selection entry
        "synchro_device_select", "device_select", "device_select_name",
        // power control
        "device_power_value", "device_wuxian_logo", "device_Power_progress", "device_power_status",
        "device_phone_type", "device_power_Layout",
        // profile list
        "device_profile_combo", "device_profile_name_edit", "profile_menu_layout", "cursor_Op_tab",
        "macro_Op_tab", "system_Op_tab", "key_Op_tab", "deng_Op_tab", "6533_voice_Op_tab",
        "magic_Op_tab", "device_add_btn", "device_sub_btn", "device_copy_btn", "device_import_btn",
        "device_export_btn", "device_reset_btn", "device_profile_edit_save_btn",
        "profile_fun_spread_btn"};
    for (const char* name : names) {
        EXPECT_NE(window->FindControl(name), nullptr) << name;
    }
    EXPECT_EQ(window->FindControlsByClass("DeviceKeyButton").size(), 15u);
}

TEST_F(SkinLayoutsTest, PageBindsAllFifteenLightsOfThePad) {
    EXPECT_EQ(page->GetLedCount(), 15);
    for (int i = 0; i < 15; ++i) {
        auto* light = dynamic_cast<TestLightButton*>(page->LightControl(i));
        ASSERT_NE(light, nullptr) << i;
        EXPECT_EQ(light->GetUserData(), "light_" + std::to_string(i));
    }
    EXPECT_NE(page->GetSelectPanel(), nullptr);
    EXPECT_NE(dynamic_cast<TestLightEditor*>(page->GetLightEditor()), nullptr);
}

TEST_F(SkinLayoutsTest, LightingEditorGetsThePadsModesAndTheProfileRecord) {
    auto* editor = dynamic_cast<TestLightEditor*>(page->GetLightEditor());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->deviceKind, 3);
    EXPECT_FALSE(editor->modeNames.empty());
    EXPECT_EQ(editor->modeNames.size(), editor->modeVisible.size());
    EXPECT_EQ(editor->shown, page->GetLightInfo());
}

}  // namespace
