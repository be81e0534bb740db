#include "platform/trace/trace.h"

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace platform::trace {
namespace {

std::mutex& SinkMutex() {
    static std::mutex mutex;
    return mutex;
}

Sink& CurrentSink() {
    static Sink sink;
    return sink;
}

std::atomic<bool> g_sinkInstalled{false};

bool EnvironmentWantsTrace() {
    static const bool wanted = std::getenv("VELDMARK_TRACE") != nullptr;
    return wanted;
}

}  // namespace

bool Enabled() {
    return g_sinkInstalled.load(std::memory_order_acquire) || EnvironmentWantsTrace();
}

void Write(std::string_view line) {
    if (!Enabled()) {
        return;
    }
    if (!line.empty() && line.back() == '\n') {
        line.remove_suffix(1);
    }
    std::lock_guard<std::mutex> lock(SinkMutex());
    if (CurrentSink()) {
        CurrentSink()(line);
        return;
    }
    // One fwrite per line keeps lines whole even when other code writes to stderr.
    std::string text(line);
    text.push_back('\n');
    std::fwrite(text.data(), 1, text.size(), stderr);
}

void Format(const char* format, ...) {
    if (!Enabled()) {
        return;
    }
    char buffer[512];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) {
        return;
    }
    Write(std::string_view(buffer, std::min<size_t>(static_cast<size_t>(n), sizeof buffer - 1)));
}

std::string Hex(std::span<const uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i != 0) {
            text.push_back(' ');
        }
        text.push_back(kDigits[bytes[i] >> 4]);
        text.push_back(kDigits[bytes[i] & 0x0F]);
    }
    return text;
}

void SetSink(Sink sink) {
    std::lock_guard<std::mutex> lock(SinkMutex());
    g_sinkInstalled.store(static_cast<bool>(sink), std::memory_order_release);
    CurrentSink() = std::move(sink);
}

}  // namespace platform::trace
