// The shipped layouts load with the registered classes and hold every control
// the program looks up by name, so renaming a node fails here, not for a user.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "device/lighting_tables.h"
#include "platform/ui/button.h"
#include "platform/ui/list.h"
#include "profile/key_tables.h"
#include "shell/controls/device_key_button.h"
#include "shell/controls/select_panel.h"
#include "tests/shell/skin_test_support.h"

namespace {

using skintest::SkinFolder;

struct Loaded {
    skintest::SkinFactory classes;
    ui::LayoutResult result;
    std::map<std::string, ui::Control*> byName;

    explicit Loaded(std::string_view file) {
        ui::LayoutLoader loader(classes.factory, SkinFolder());
        loader.SetBuilder(skintest::TagBuilder());
        result = loader.LoadFile(file);
        if (result.root != nullptr) {
            Index(*result.root);
        }
    }
    void Index(ui::Control& c) {
        byName.emplace(c.GetName(), &c);  // first one of a name, as the window's index
        if (ui::Container* box = c.AsContainer()) {
            for (size_t i = 0; i < box->GetCount(); ++i) {
                Index(*box->GetItemAt(i));
            }
        }
    }
    ui::Control* Find(const std::string& name) const {
        auto it = byName.find(name);
        return it == byName.end() ? nullptr : it->second;
    }
    std::vector<std::string> Missing(const std::vector<std::string>& names) const {
        std::vector<std::string> missing;
        for (const std::string& n : names) {
            if (Find(n) == nullptr) {
                missing.push_back(n);
            }
        }
        return missing;
    }
};

std::vector<std::string> Indexed(const std::string& prefix, int first, int last) {
    std::vector<std::string> names;
    for (int i = first; i <= last; ++i) {
        names.push_back(prefix + std::to_string(i));
    }
    return names;
}

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(SkinLayout, EveryLayoutFileLoadsWithTheRegisteredClasses) {
    std::vector<std::string> files = {"skin.xml"};
    for (const auto& entry : std::filesystem::recursive_directory_iterator(SkinFolder() / "XML")) {
        if (entry.path().extension() == ".xml") {
            files.push_back(std::filesystem::relative(entry.path(), SkinFolder()).generic_string());
        }
    }
    ASSERT_GE(files.size(), 12u);
    for (const std::string& file : files) {
        Loaded layout(file);
        EXPECT_TRUE(layout.result.ok()) << file << ": " << layout.result.error;
    }
}

TEST(SkinLayout, KeyboardPageHoldsEveryNameThePageLooksUp) {
    Loaded page("XML/DeviceXml/keyboarddevice.xml");
    ASSERT_TRUE(page.result.ok()) << page.result.error;
    EXPECT_EQ(page.result.root->GetClass(), "VeldmarkKeyboardDevice");
    const auto names = std::vector<std::string>{"keyboard_device_key_light",
                                                "DeviceProfileItem",
                                                "LightControlItem",
                                                "MacroControlItem",
                                                "KeySetControlItem",
                                                "winlockflag_option",
                                                "wflag_option",
                                                "6flag_option",
                                                "repeat_rate_slider",
                                                "repeat_delay_time_label1",
                                                "repeat_input_richedit",
                                                "device_function_switch",
                                                "device_key_function_switch",
                                                "text_test",
                                                "custom_bright_color_btn",
                                                "custom_off_color_btn"} +
                       Indexed("polling_rate_option_", 0, 3) +
                       Indexed("repeat_delay_check_", 0, 3) + Indexed("key_", 0, 125);
    EXPECT_EQ(page.Missing(names), std::vector<std::string>{});
}

TEST(SkinLayout, KeyboardKeysSitInTheSelectionPanelWithTheirLeds) {
    Loaded page("XML/DeviceXml/keyboarddevice.xml");
    ASSERT_TRUE(page.result.ok()) << page.result.error;
    // The key buttons are bound from the first selection panel directly inside the container.
    auto* holder = page.Find("keyboard_device_key_light")->AsContainer();
    ASSERT_NE(holder, nullptr);
    auto* panel = dynamic_cast<CSelectPanelUI*>(holder->FindChildByClass("SelectPanel"));
    ASSERT_NE(panel, nullptr);
    const std::vector<CDeviceKeyButtonUI*> keys = panel->KeyButtons();
    ASSERT_EQ(keys.size(), 126u);

    std::set<std::string> expectedLeds;
    for (const auto& column : device::kColumnLayout) {
        for (uint8_t led : column) {
            if (led < device::kNoLed) {
                expectedLeds.insert("light_" + std::to_string(led));
            }
        }
    }
    std::set<std::string> leds;
    for (int i = 0; i < 126; ++i) {
        auto* key = dynamic_cast<CDeviceKeyButtonUI*>(page.Find("key_" + std::to_string(i)));
        ASSERT_NE(key, nullptr) << i;
        EXPECT_TRUE(key->IsDescendantOf(*panel)) << i;
        if (!key->GetUserData().empty()) {
            EXPECT_TRUE(leds.insert(key->GetUserData()).second)
                << "LED used twice: " << key->GetUserData();
        }
        // Every key that has an LED must be on the picture.
        if (expectedLeds.count(key->GetUserData()) != 0) {
            EXPECT_TRUE(key->IsVisible()) << i;
        }
    }
    EXPECT_EQ(leds, expectedLeds);
}

TEST(SkinLayout, KeyboardKeysDoNotOverlapOnThePicture) {
    Loaded page("XML/DeviceXml/keyboarddevice.xml");
    ASSERT_TRUE(page.result.ok()) << page.result.error;
    std::vector<std::pair<std::string, ui::Rect>> placed;
    for (int i = 0; i < 126; ++i) {
        ui::Control* key = page.Find("key_" + std::to_string(i));
        ASSERT_NE(key, nullptr);
        if (key->IsVisible()) {
            ASSERT_TRUE(key->IsFloat()) << i;
            ASSERT_FALSE(key->GetFloatPos().IsEmpty()) << i;
            placed.emplace_back(key->GetName(), key->GetFloatPos());
        }
    }
    EXPECT_GE(placed.size(), 110u);  // a full-size keyboard and its macro keys
    for (size_t a = 0; a < placed.size(); ++a) {
        for (size_t b = a + 1; b < placed.size(); ++b) {
            EXPECT_FALSE(placed[a].second.Intersects(placed[b].second))
                << placed[a].first << " overlaps " << placed[b].first;
        }
    }
}

TEST(SkinLayout, MousePageHoldsEveryNameThePageLooksUp) {
    Loaded page("XML/DeviceXml/mousedevice.xml");
    ASSERT_TRUE(page.result.ok()) << page.result.error;
    const auto names = std::vector<std::string>{"mouse_device_seting_layout",
                                                "mouse_option_layout",
                                                "device_setkeyinfo_list",
                                                "logo",
                                                "text_test",
                                                "DeviceProfileItem",
                                                "LightControlItem",
                                                "MacroControlItem",
                                                "KeySetControlItem",
                                                "ShootControlItem",
                                                "pointer_speed_slider",
                                                "pointer_precision_check",
                                                "scroll_speed_slider",
                                                "scrolls_page_check",
                                                "double_click_slider",
                                                "default_btn",
                                                "device_tishi_info",
                                                "device_function_switch",
                                                "device_key_function_switch"} +
                       Indexed("key_", 0, 5) + Indexed("light_", 0, 6) +
                       Indexed("DPI_layout_", 0, 4) + Indexed("DPI_enable_check_", 0, 4) +
                       Indexed("DPI_slider_", 0, 4) + Indexed("DPI_edit_", 0, 4) +
                       Indexed("polling_rate_option_", 0, 4) +
                       Indexed("mouse_device_seting_option_", 0, 2);
    EXPECT_EQ(page.Missing(names), std::vector<std::string>{});
    // The sub-page options number the pages of the tab layout.
    auto* pages = dynamic_cast<ui::TabLayout*>(page.Find("mouse_device_seting_layout"));
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->GetCount(), 3u);
    // Key and light buttons are found inside a selection panel of the first sub-page.
    for (const std::string& n :
         Indexed("key_", 0, 5) + Indexed("light_", 0, 6) + std::vector<std::string>{"logo"}) {
        ui::Control* c = page.Find(n);
        EXPECT_EQ(c->GetClass(), "DeviceKeyButton") << n;
        EXPECT_EQ(c->GetParent()->GetClass(), "SelectPanel") << n;
    }
}

TEST(SkinLayout, HeadsetPageAndItsEditorsHoldTheirNames) {
    Loaded page("XML/DeviceXml/hs6533device.xml");
    ASSERT_TRUE(page.result.ok()) << page.result.error;
    const auto names =
        std::vector<std::string>{"DeviceProfileItem",         "LightControlItem",
                                 "Voice6533ControlItem",      "MagicControlItem",
                                 "custom_eq_option_layout",   "custom_eq_name_edit",
                                 "custom_eq_name_combo",      "hs_EQ_btn_save",
                                 "hs_EQ_btn_delete",          "6533_MicIn_option",
                                 "6533_MicIn_slider",         "6533_MicMoniter_option",
                                 "6533_MicMoniter_slider",    "magic_enable_option",
                                 "magic_option_layout",       "device_function_switch",
                                 "device_key_function_switch"} +
        Indexed("6533_eq_option_", 1, 13) + Indexed("6533_eq_hz_slider_", 0, 9) +
        Indexed("magic_option_", 1, 4);
    EXPECT_EQ(page.Missing(names), std::vector<std::string>{});
    int lights = 0;
    for (auto& [name, control] : page.byName) {
        lights += control->GetUserData().rfind("light_", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(lights, 13);
}

TEST(SkinLayout, EditorLayoutsHoldTheirNames) {
    struct Case {
        const char* file;
        std::vector<std::string> names;
    };
    const std::vector<Case> cases = {
        {"XML/CustomControlXML/KeySetControl.xml",
         std::vector<std::string>{"keyset_layout",
                                  "keyset_function_combo",
                                  "function_switch_tablayout",
                                  "key_butt_keydefalut",
                                  "key_butt_keysave",
                                  "key_butt_keycancel",
                                  "key_butt_prosave",
                                  "keyset_mousekey_combo",
                                  "keyset_mouseswing_combo",
                                  "keyset_mouseswing_num_edit",
                                  "keyset_mouseswing_delay_edit",
                                  "keyset_mouseswing_speed_edit",
                                  "keyset_mousewheel_combo",
                                  "keyset_mousewheel_num_edit",
                                  "keyset_mousewheel_delay_edit",
                                  "keyset_mousewheel_speed_edit",
                                  "keyset_mousedpi_combo",
                                  "keyset_mousefire_interval_edit",
                                  "keyset_mousefire_num_edit",
                                  "keyset_keyboard_text_edit",
                                  "keyset_media_combo",
                                  "keyset_system_combo",
                                  "keyset_macro_combo",
                                  "keyset_macro_over_combo",
                                  "keyset_macro_cycle_layout",
                                  "keyset_macro_cycle_edit",
                                  "keyset_gunkey_combo",
                                  "keyset_combokey_combo"} +
             Indexed("key_ComBox_check_", 0, 4)},
        {"XML/CustomControlXML/MacroControl.xml",
         {"macro_name_list",
          "macro_name_tab",
          "macro_edit_macroname",
          "macro_action_list",
          "macro_action_layout",
          "macro_btn_name_add",
          "macro_btn_name_sub",
          "macro_btn_name_edit",
          "macro_btn_import",
          "macro_btn_export",
          "macro_btn_uptop",
          "macro_btn_up",
          "macro_btn_down",
          "macro_btn_downbottom",
          "macro_btn_delete",
          "macro_btn_deleteall",
          "macro_btn_starredio",
          "macro_btn_stopredio",
          "macro_btn_save",
          "macro_btn_cancel",
          "macro_check_time",
          "macro_fixed_time_edit",
          "macro_tab_macroaction_edit",
          "macro_tab_macrodelay_edit",
          "macro_label_keyboard_style",
          "macro_label_mouse_style",
          "macro_label_text_style",
          "macro_label_down_style",
          "macro_label_up_style",
          "mouse_x_left_edit",
          "mouse_x_right_edit",
          "mouse_y_up_edit",
          "mouse_y_down_edit",
          "macro_inset_moveleftkey_btn",
          "macro_inset_moverightkey_btn",
          "macro_inset_moveupkey_btn",
          "macro_inset_movedownkey_btn"}},
        {"XML/CustomControlXML/LightControl.xml",
         std::vector<std::string>{"light_combo_modeSelect",
                                  "deng_light_slider",
                                  "deng_speed_slider",
                                  "deng_edit_R",
                                  "deng_edit_G",
                                  "deng_edit_B",
                                  "deng_Color_Pallet",
                                  "deng_colordp_btn",
                                  "deng_7color_check",
                                  "deng_FXL_check",
                                  "deng_FXR_check",
                                  "light_combo_ZZCCmodeSelect",
                                  "light_combo_custommodeSelect",
                                  "deng_same_mode",
                                  "lighteffect_layout",
                                  "deng_color_layout",
                                  "colorpallet_layout",
                                  "deng_light_layout",
                                  "deng_speed_layout",
                                  "deng_fx_layout",
                                  "lightcustom_layout",
                                  "light_combo_ZZCCmodeSelectLayout"} +
             Indexed("color_option_", 0, 7)},
        {"XML/CustomControlXML/ShootControl.xml",
         std::vector<std::string>{
             "shoot_image_display_switch", "bullet_select_index", "bullet_selected_prev",
             "bullet_selected_next", "bullet_edit_layout", "bullet_x_check", "bullet_y_check",
             "bullet_x_eidt", "bullet_y_eidt", "bullet_delay_eidt", "shootdate_reset_btn",
             "shootdate_save_btn", "shootdate_import_btn", "shootdate_export_btn"} +
             Indexed("shoot_gun_op_", 0, 3) + Indexed("bullet_op_", 0, 29)},
        // The macro editor's event rows ("macro_action" with its edit "macro_delay")
        // are built from this item layout at run time.
        {"XML/CustomControlXML/ComboEditElementItem.xml", {"text1", "text2", "delay_edit"}},
        {"XML/Menus/macro_action_menu.xml",
         {"left_click", "left_down", "left_up", "right_click", "right_down", "right_up",
          "middle_click", "middle_down", "middle_up", "forward_click", "forward_down", "forward_up",
          "back_click", "back_down", "back_up"}},
        {"XML/msgwnd.xml",
         {"MessageTitle", "MessageText", "confirm_btn", "cancel_btn", "closebtn"}},
        {"skin.xml",
         {"skin_tab", "skin_image_btn", "skin_color_btn", "skin_reset", "skin_Custom", "skin_color",
          "skin_image", "skin_theme_btn"}},
    };
    for (const Case& c : cases) {
        Loaded layout(c.file);
        ASSERT_TRUE(layout.result.ok()) << c.file << ": " << layout.result.error;
        EXPECT_EQ(layout.Missing(c.names), std::vector<std::string>{}) << c.file;
    }
}

TEST(SkinLayout, EditorTabsHaveAPageForEveryFunctionNumber) {
    Loaded keyset("XML/CustomControlXML/KeySetControl.xml");
    ASSERT_TRUE(keyset.result.ok()) << keyset.result.error;
    auto* pages = dynamic_cast<ui::Container*>(keyset.Find("function_switch_tablayout"));
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->GetCount(), 12u);
    auto* kinds = dynamic_cast<ui::Container*>(keyset.Find("keyset_function_combo"));
    ASSERT_NE(kinds, nullptr);
    ASSERT_EQ(kinds->GetCount(), 12u);
    for (size_t i = 0; i < kinds->GetCount(); ++i) {
        EXPECT_EQ(kinds->GetItemAt(i)->GetUserData(), std::to_string(i));
    }
    // Run modes 0-3 and the repeat-count mode 4.
    auto* modes = dynamic_cast<ui::Container*>(keyset.Find("keyset_macro_over_combo"));
    ASSERT_NE(modes, nullptr);
    EXPECT_EQ(modes->GetCount(), 5u);
}

}  // namespace

// The editor builds a record from the row of a list's selected item: item i
// must be row i of its table, or the user gets another function than the one
// the item names.
TEST(SkinLayout, KeyEditorListsHoldTheTableRowsInTableOrder) {
    Loaded editor("XML/CustomControlXML/KeySetControl.xml");
    ASSERT_TRUE(editor.result.ok()) << editor.result.error;
    const std::vector<std::pair<std::string, std::span<const keys::KeyCodeRow>>> lists = {
        {"keyset_mousekey_combo", keys::MouseButtonRows()},
        {"keyset_mousedpi_combo", keys::SensitivityRows()},
        {"keyset_media_combo", keys::MediaRows()},
        {"keyset_system_combo", keys::SystemRows()},
        {"keyset_combokey_combo", keys::CombinationRows()},
    };
    for (const auto& [name, rows] : lists) {
        auto* list = dynamic_cast<ui::ListBase*>(editor.Find(name));
        ASSERT_NE(list, nullptr) << name;
        ASSERT_EQ(static_cast<size_t>(list->GetItemCount()), rows.size()) << name;
        for (size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(list->GetItem(static_cast<int>(i))->GetTextValue().text, rows[i].name)
                << name << " item " << i;
        }
    }
    auto* guns = dynamic_cast<ui::ListBase*>(editor.Find("keyset_gunkey_combo"));
    ASSERT_NE(guns, nullptr);
    ASSERT_EQ(static_cast<size_t>(guns->GetItemCount()), keys::kGunKeys);
    auto* functions = dynamic_cast<ui::ListBase*>(editor.Find("keyset_function_combo"));
    ASSERT_NE(functions, nullptr);
    for (int i = 0; i < functions->GetItemCount(); ++i) {
        EXPECT_EQ(functions->GetItem(i)->GetUserData(), std::to_string(i));
    }
    EXPECT_EQ(functions->GetItemCount(), keys::kPageCount);
}
