// Feeds arbitrary bytes to the macro store and the macro image: the input is
// a macro list and, after the first NUL byte, the event file every listed
// macro points to (without a NUL both are the whole input). The list is read,
// every macro's events loaded and packed, and the image built for the real
// macro memory and for the largest the format can describe; an image that is
// built must describe itself exactly. One input in sixteen also runs the
// store's changes (add, rename, save, import, remove), which write files.

#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "profile/macro_image.h"
#include "profile/macro_store.h"

namespace {

const std::string& Folder() {
    // In memory when possible.
    static const std::string folder = [] {
        const bool memory = std::filesystem::is_directory("/dev/shm");
        std::string pattern =
            memory ? "/dev/shm/veldmark-macro-fuzz-XXXXXX" : "/tmp/veldmark-macro-fuzz-XXXXXX";
        return std::string(::mkdtemp(pattern.data()) != nullptr ? pattern.c_str() : "/tmp") + "/";
    }();
    return folder;
}

void WriteFile(const std::string& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

uint16_t Read16(const std::vector<uint8_t>& bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

// A built image must agree with itself: header, offsets and counts.
void CheckImage(const MacroImage& image, size_t capacity) {
    if (!image.IsBuilt()) {
        return;
    }
    const std::vector<uint8_t>& bytes = image.Bytes();
    const size_t n = image.MacroCount();
    if (bytes.size() != image.Total() || bytes.size() > capacity || Read16(bytes, 0) != 0x55AA ||
        Read16(bytes, 2) != bytes.size() || Read16(bytes, 4) != n) {
        __builtin_trap();
    }
    size_t expected = MacroImage::kHeaderBytes + 2 * n;
    for (size_t i = 0; i < n; ++i) {
        if (Read16(bytes, MacroImage::kHeaderBytes + 2 * i) != expected ||
            expected + MacroImage::kBlockHeaderBytes > bytes.size()) {
            __builtin_trap();
        }
        expected += MacroImage::kBlockHeaderBytes + 4 * Read16(bytes, expected);
    }
    if (expected != bytes.size()) {
        __builtin_trap();
    }
}

void Change(profile::MacroStore& store, const std::string& eventFile) {
    store.Add();
    store.Rename(0, "Renamed");
    store.SaveEvents(0, store.LoadEvents(0));
    store.Import(eventFile);
    store.Export(0, Folder() + "exported.mac");
    store.Remove(0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string run = Folder() + "run/";
    std::filesystem::remove_all(run);
    std::filesystem::create_directories(run);
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\0');
    const std::string_view list = input.substr(0, split);
    const std::string_view events =
        split == std::string_view::npos ? input : input.substr(split + 1);

    WriteFile(run + "macro.config", list);
    profile::MacroStore store;
    store.SetFolder(run);
    store.Load();
    for (int i = 0; i < store.Count(); ++i) {
        if (!store.GetMacros()[i].guid.empty()) {
            WriteFile(store.EventFilePath(i), events);
        }
    }
    for (const size_t capacity : {size_t{9216}, MacroImage::kMaxImageBytes}) {
        const MacroImage image = MacroImage::FromStore(store, capacity);
        CheckImage(image, capacity);
    }
    const std::string eventFile = Folder() + "import.mac";
    WriteFile(eventFile, events);
    if (size > 0 && (data[0] & 0x0F) == 0) {
        Change(store, eventFile);
    }
    return 0;
}
