#include "platform/audio/conf_lib.h"

#include "platform/audio/equalizer.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <cwchar>

namespace platform::audio {

namespace {

std::atomic<ConfLibLoader*> g_loader{nullptr};
std::atomic<uint64_t> g_generation{0};
std::atomic<Equalizer*> g_equalizer{nullptr};

}  // namespace

ConfLibLoader* ProcessConfLibLoader() {
    return g_loader.load();
}

void SetProcessConfLibLoader(ConfLibLoader* loader) {
    g_loader.store(loader);
    g_generation.fetch_add(1);
}

Equalizer* ProcessEqualizer() {
    return g_equalizer.load();
}

void SetProcessEqualizer(Equalizer* equalizer) {
    g_equalizer.store(equalizer);
}

uint64_t ProcessConfLibGeneration() {
    return g_generation.load();
}

void PutInt(std::span<uint8_t> buffer, int32_t value) {
    if (buffer.size() >= sizeof value) {
        std::memcpy(buffer.data(), &value, sizeof value);
    }
}

void PutFloat(std::span<uint8_t> buffer, float value) {
    if (buffer.size() >= sizeof value) {
        std::memcpy(buffer.data(), &value, sizeof value);
    }
}

int32_t TakeInt(std::span<const uint8_t> buffer) {
    int32_t value = 0;
    if (buffer.size() >= sizeof value) {
        std::memcpy(&value, buffer.data(), sizeof value);
    }
    return value;
}

float TakeFloat(std::span<const uint8_t> buffer) {
    float value = 0;
    if (buffer.size() >= sizeof value) {
        std::memcpy(&value, buffer.data(), sizeof value);
    }
    return value;
}

bool PutWideText(std::span<uint8_t> buffer, std::wstring_view text) {
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (bytes > buffer.size()) {
        return false;
    }
    std::memcpy(buffer.data(), text.data(), text.size() * sizeof(wchar_t));
    std::memset(buffer.data() + text.size() * sizeof(wchar_t), 0, sizeof(wchar_t));
    return true;
}

std::wstring TakeWideText(std::span<const uint8_t> buffer) {
    std::wstring text;
    for (size_t at = 0; at + sizeof(wchar_t) <= buffer.size(); at += sizeof(wchar_t)) {
        wchar_t c = 0;
        std::memcpy(&c, buffer.data() + at, sizeof c);
        if (c == 0) {
            break;
        }
        text.push_back(c);
    }
    return text;
}

std::wstring IntText(int64_t value) {
    return std::to_wstring(value);
}

std::wstring FloatText(double value) {
    wchar_t text[64] = {};
    std::swprintf(text, 64, L"%f", value);
    return text;
}

std::optional<double> ParseNumber(std::wstring_view text) {
    if (text.empty() || text.size() > 63) {
        return std::nullopt;
    }
    const std::wstring copy(text);
    wchar_t* end = nullptr;
    const double value = std::wcstod(copy.c_str(), &end);
    if (end == copy.c_str() || *end != L'\0' || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace platform::audio
