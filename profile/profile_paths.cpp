#include "profile/profile_paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#ifndef VELDMARK_DATA_PREFIX
#define VELDMARK_DATA_PREFIX "/usr/local/share/veldmark"
#endif

namespace profile {
namespace {

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string WithSlash(std::string path) {
    if (path.empty() || path.back() != '/') {
        path.push_back('/');
    }
    return path;
}

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

// XDG: a relative or empty XDG_DATA_HOME is ignored.
std::string DataHome() {
    const std::string xdg = Environment("XDG_DATA_HOME");
    if (!xdg.empty() && xdg.front() == '/') {
        return WithSlash(xdg);
    }
    std::string home = Environment("HOME");
    if (home.empty()) {
        home = "/tmp";
    }
    return WithSlash(home) + ".local/share/";
}

std::string ExecutableFolder() {
    char buffer[4096];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) {
        return {};
    }
    const std::string path(buffer, static_cast<size_t>(length));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

bool MakeFolders(const std::string& path) {
    std::string partial;
    size_t position = 0;
    while (position <= path.size()) {
        const size_t next = path.find('/', position);
        partial = path.substr(0, next == std::string::npos ? path.size() : next);
        if (!partial.empty() && ::mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) {
            return false;
        }
        if (next == std::string::npos) {
            break;
        }
        position = next + 1;
    }
    return IsFolder(path);
}

std::string ApplicationDataFolder() {
    const std::string folder = DataHome() + kApplicationName + "/";
    MakeFolders(folder);
    return folder;
}

std::string ProfileFolder(const std::string& folderName) {
    const std::string folder = ApplicationDataFolder() + folderName + "/";
    MakeFolders(folder);
    return folder;
}

std::string ProfileFolderPath(const std::string& folderName) {
    return DataHome() + kApplicationName + "/" + folderName + "/";
}

std::string DefaultDataFolder() {
    const std::string configured = Environment("VELDMARK_DATA_DIR");
    if (!configured.empty()) {
        return WithSlash(configured) + "DefaultData/";
    }
    const std::string beside = ExecutableFolder() + "DefaultData/";
    if (IsFolder(beside)) {
        return beside;
    }
    return WithSlash(VELDMARK_DATA_PREFIX) + "DefaultData/";
}

std::string DefaultDocument(const std::string& folderName) {
    return DefaultDataFolder() + folderName + ".Json";
}

}  // namespace profile
