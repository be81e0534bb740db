#include "shell/app_startup.h"

#include <cstdlib>
#include <system_error>

#include "shell/app_messages.h"

#ifndef VELDMARK_DATA_PREFIX
#define VELDMARK_DATA_PREFIX "/usr/local/share/veldmark"
#endif

namespace app {

std::filesystem::path ExecutableFolder() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path(".") : self.parent_path();
}

std::filesystem::path DataFolder() {
    const char* data = std::getenv("VELDMARK_DATA_DIR");
    if (data != nullptr && data[0] != '\0') {
        return data;
    }
    // A build keeps the data beside the executable; an installed copy under the data prefix.
    const std::filesystem::path beside = ExecutableFolder();
    std::error_code error;
    if (std::filesystem::is_directory(beside / "skin", error)) {
        return beside;
    }
    const std::filesystem::path installed = VELDMARK_DATA_PREFIX;
    return std::filesystem::is_directory(installed / "skin", error) ? installed : beside;
}

std::string InstanceName() {
    const char* name = std::getenv("VELDMARK_INSTANCE");
    return name != nullptr && name[0] != '\0' ? std::string(name)
                                              : std::string(app_msg::kInstanceLockName);
}

const std::vector<std::string>& FontFiles() {
    static const std::vector<std::string> files = {
        "Font/Simplified_Chinese.ttf",   "Font/Skyreach-Regular.otf",
        "Font/NotoSansThai-Regular.ttf", "Font/NotoSansCJKtc-Regular.otf",
        "Font/Metropolis-Regular.ttf",
    };
    return files;
}

std::vector<std::string> LoadFonts(ui::HostOperations& host, const std::filesystem::path& data) {
    std::vector<std::string> loaded;
    for (const std::string& file : FontFiles()) {
        const std::filesystem::path path = data / file;
        std::error_code error;
        if (std::filesystem::is_regular_file(path, error) &&
            host.AddApplicationFont(path.string())) {
            loaded.push_back(path.string());
        }
    }
    return loaded;
}

}  // namespace app
