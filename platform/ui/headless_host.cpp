#include "platform/ui/headless_host.h"

#include <algorithm>
#include <chrono>

#include "platform/ui/window.h"

namespace ui {
namespace {

// Bounds RunPending so that calls which keep queueing calls cannot hang a test.
constexpr int kMaxRounds = 10000;

int64_t RealNowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

HeadlessHost::HeadlessHost(ClockMode mode, std::filesystem::path skinFolder) {
    if (mode == ClockMode::Virtual) {
        auto clock = std::make_unique<VirtualClock>();
        m_virtual = clock.get();
        m_clock = std::move(clock);
    } else {
        m_clock = std::make_unique<SteadyClock>();
        m_host.SetModalRunner([this](Window& window) { return RunModalLoop(window); });
    }
    m_dispatcher = std::make_unique<Dispatcher>(*m_clock);
    m_context = std::make_unique<UiContext>(
        UiContext{*m_dispatcher, m_host, m_language, m_factory, std::move(skinFolder), {}, {}, {}});
}

HeadlessHost::~HeadlessHost() {
    // Workers still sending learn that their calls will not run.
    m_dispatcher->Close();
}

size_t HeadlessHost::RunPending() {
    size_t total = 0;
    for (int round = 0; round < kMaxRounds; ++round) {
        size_t ran = m_dispatcher->ProcessOnce();
        if (ran == 0) {
            break;
        }
        total += ran;
    }
    return total;
}

void HeadlessHost::AdvanceBy(int64_t ms) {
    if (m_virtual == nullptr) {
        int64_t end = RealNowMs() + ms;
        RunUntil([end] { return RealNowMs() >= end; }, ms);
        return;
    }
    int64_t target = m_virtual->NowMs() + (ms > 0 ? ms : 0);
    RunPending();
    // Step from one due time to the next, so each timer sees the time it fell due at.
    for (;;) {
        std::optional<int64_t> due = m_dispatcher->Timers().NextDue();
        if (!due || *due > target) {
            break;
        }
        m_virtual->SetNow(*due);
        RunPending();
    }
    m_virtual->SetNow(target);
    RunPending();
}

bool HeadlessHost::RunUntil(const std::function<bool()>& done, int64_t timeoutMs) {
    int64_t deadline = RealNowMs() + timeoutMs;
    for (;;) {
        RunPending();
        if (done()) {
            return true;
        }
        int64_t left = deadline - RealNowMs();
        if (left <= 0) {
            return done();
        }
        int64_t wait = std::min<int64_t>(left, 5);
        if (std::optional<int64_t> next =
                m_clock->IsReal() ? m_dispatcher->TimeToNextTimer() : std::nullopt) {
            wait = std::min(wait, *next);
        }
        m_dispatcher->WaitForWork(wait);
    }
}

void HeadlessHost::Run() {
    m_dispatcher->Run();
}

void HeadlessHost::Quit() {
    m_dispatcher->Quit();
}

int HeadlessHost::RunModalLoop(Window& window) {
    // A nested loop until the window closes or the application quits.
    while (!window.IsClosed() && !m_dispatcher->IsQuitRequested() && !m_dispatcher->IsClosed()) {
        m_dispatcher->ProcessOnce();
        if (window.IsClosed()) {
            break;
        }
        std::optional<int64_t> next = m_dispatcher->TimeToNextTimer();
        m_dispatcher->WaitForWork(next ? *next : 100);
    }
    return window.GetCloseCode();
}

}  // namespace ui
