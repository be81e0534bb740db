// What the entry point sets up before the main window: the control classes,
// the private fonts and the data folder.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "device/usb_device.h"
#include "platform/ui/control_factory.h"
#include "platform/ui/recording_host_operations.h"
#include "shell/app_startup.h"
#include "shell/control_classes.h"

TEST(ControlClasses, EveryApplicationClassAndDevicePageTagCreatesAControl) {
    ui::ControlFactory factory;
    app::RegisterApplicationControls(factory);
    const auto& names = app::ApplicationControlClasses();
    ASSERT_EQ(names.size(), 23u);
    EXPECT_EQ(names.front(), "CCircleProgressUI");
    EXPECT_EQ(names.back(), "CVeldmarkHS6533Device");
    for (const std::string& name : names) {
        EXPECT_NE(factory.Create(name), nullptr) << name;
    }
    // Layouts use the short names; the device pages must be device objects.
    for (const char* tag : {"VeldmarkKeyboardDevice", "VeldmarkMouseDevice",
                            "VeldmarkMousePadDevice", "VeldmarkHS6533Device"}) {
        auto control = factory.Create(tag);
        EXPECT_NE(dynamic_cast<CVeldmarkUSBDevice*>(control.get()), nullptr) << tag;
    }
    // Pages find their key panel by its class name.
    EXPECT_EQ(factory.Create("SelectPanel")->GetClass(), "SelectPanel");
}

TEST(Fonts, MissingFontFolderIsHarmlessAndPresentFontsAreRegisteredInOrder) {
    const auto data =
        std::filesystem::temp_directory_path() / ("veldmark_fonts_" + std::to_string(::getpid()));
    std::filesystem::remove_all(data);
    ui::RecordingHostOperations host;
    EXPECT_TRUE(app::LoadFonts(host, data).empty());

    std::filesystem::create_directories(data / "Font");
    std::ofstream(data / "Font" / "Metropolis-Regular.ttf") << "font";
    std::ofstream(data / "Font" / "Simplified_Chinese.ttf") << "font";
    const auto loaded = app::LoadFonts(host, data);
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_NE(loaded[0].find("Simplified_Chinese.ttf"), std::string::npos);
    EXPECT_NE(loaded[1].find("Metropolis-Regular.ttf"), std::string::npos);
    std::filesystem::remove_all(data);
}

TEST(DataFolder, EnvironmentOverridesTheExecutableFolder) {
    setenv("VELDMARK_DATA_DIR", "/opt/elsewhere", 1);
    EXPECT_EQ(app::DataFolder(), std::filesystem::path("/opt/elsewhere"));
    unsetenv("VELDMARK_DATA_DIR");
    EXPECT_EQ(app::DataFolder(), app::ExecutableFolder());
    setenv("VELDMARK_INSTANCE", "other", 1);
    EXPECT_EQ(app::InstanceName(), "other");
    unsetenv("VELDMARK_INSTANCE");
    EXPECT_EQ(app::InstanceName(), "DARVO_ORVIX");
}
