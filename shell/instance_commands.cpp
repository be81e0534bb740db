#include "shell/instance_commands.h"

#include "shell/sim_audio_commands.h"

#include <atomic>

#include "device/catalogue.h"
#include "platform/session/local_socket.h"
#include "shell/app_messages.h"
#include "shell/routes_keys.h"
#include "shell/routes_macros.h"
#include "shell/sim_commands.h"
#include "shell/ui_script.h"
#include "sim/sim_bus.h"

namespace app {
namespace {

std::string Error(const std::string& text) {
    return "error: " + text;
}

}  // namespace

InstanceCommands::InstanceCommands(ui::WindowRef window, ui::Dispatcher& dispatcher,
                                   sim::SimBus* bus, std::shared_ptr<UiScript> script)
    : m_window(std::move(window)), m_dispatcher(dispatcher), m_bus(bus), m_script(script) {}

void InstanceCommands::Handle(const std::string& request, Reply reply) {
    std::vector<std::string> words = platform::session::SplitRequestWords(request);
    const std::string first = words.empty() ? std::string() : words.front();
    if (first == kRaiseRequest && words.size() == 1) {
        // lParam 1: a second copy asked, as the instance message carries it.
        const ui::WindowRef window = m_window;
        const bool posted = m_dispatcher.Post([window, reply] {
            reply(window.Send(app_msg::kInstance, 0, 1) ? "ok" : Error("the window is gone"));
        });
        if (!posted) {
            reply(Error("the program is closing"));
        }
        return;
    }
    if (first == "ui") {
        words.erase(words.begin());
        PostUi(std::move(words), std::move(reply));
        return;
    }
    if (first == "macro") {
        // veldmarkctl's macro changes run where the macro editor lives.
        const ui::WindowRef window = m_window;
        const bool posted = m_dispatcher.Post([window, request, reply] {
            MacroRequest macro{request, Error("the window is gone")};
            window.Send(app_msg::kMacroRequest, 0, reinterpret_cast<intptr_t>(&macro));
            reply(macro.reply);
        });
        if (!posted) {
            reply(Error("the program is closing"));
        }
        return;
    }
    if (first == "effect" && words.size() == 2 && words[1] == "refresh") {
        // veldmarkctl wrote a light store; the pages read what changed.
        const ui::WindowRef window = m_window;
        const bool posted = m_dispatcher.Post([window, reply] {
            reply(window.Send(app_msg::kLightStoreChanged, 0, 0).value_or(0) == 1
                      ? "ok"
                      : Error("the window is gone"));
        });
        if (!posted) {
            reply(Error("the program is closing"));
        }
        return;
    }
    if (first == "key") {
        // veldmarkctl's key changes run where the page keeps the key list.
        const ui::WindowRef window = m_window;
        const bool posted = m_dispatcher.Post([window, request, reply] {
            KeyRequest key{request, Error("the window is gone")};
            window.Send(app_msg::kKeyRequest, 0, reinterpret_cast<intptr_t>(&key));
            reply(key.reply);
        });
        if (!posted) {
            reply(Error("the program is closing"));
        }
        return;
    }
    if (first != "sim") {
        reply(Error("unknown request"));
        return;
    }
    if (m_bus == nullptr) {
        reply(Error("the program does not run on the simulated devices (VELDMARK_HID=sim)"));
        return;
    }
    words.erase(words.begin());
    if (!words.empty() && words[0] == "select") {
        if (words.size() != 2) {
            reply(Error("usage: sim select KIND"));
            return;
        }
        Select(words[1], std::move(reply));
        return;
    }
    if (!words.empty() && words[0] == "audio") {
        reply(m_audio ? RunSimAudioRequest(*m_audio, words)
                      : Error("the program has no simulated audio library"));
        return;
    }
    reply(RunSimRequest(*m_bus, words));
}

void InstanceCommands::Select(const std::string& kindName, Reply reply) {
    static constexpr std::pair<const char*, int> kKinds[] = {
        {"keyboard", device::kKindKeyboard},
        {"mouse", device::kKindMouse},
        {"mousepad", device::kKindMousePad},
        {"headset", device::kKindHeadset},
    };
    for (const auto& [name, pageKind] : kKinds) {
        if (kindName == name) {
            const ui::WindowRef window = m_window;
            const bool posted = m_dispatcher.Post([window, reply, kindName, kind = pageKind] {
                const std::optional<intptr_t> selected = window.Send(app_msg::kSelectKind, kind, 0);
                reply(selected.value_or(0) == 1 ? "ok selected " + kindName
                                                : Error("no " + kindName + " page is shown"));
            });
            if (!posted) {
                reply(Error("the program is closing"));
            }
            return;
        }
    }
    reply(Error("unknown device kind \"" + kindName +
                "\" (known: keyboard, mouse, mousepad, headset)"));
}

// The request runs on the UI thread. An action that opens a window of its own
// (a message box, a file dialog) runs that window's loop before it returns; a
// check queued just before it then answers from inside that loop, so the
// script can go on and close the window.
void InstanceCommands::PostUi(std::vector<std::string> words, Reply reply) {
    std::weak_ptr<UiScript> weak = m_script;
    auto answered = std::make_shared<std::atomic<bool>>(false);
    Reply once = [reply, answered](std::string text) {
        if (!answered->exchange(true)) {
            reply(std::move(text));
        }
    };
    ui::Dispatcher& dispatcher = m_dispatcher;
    const bool posted = dispatcher.Post([weak, words = std::move(words), once, &dispatcher] {
        std::shared_ptr<UiScript> script = weak.lock();
        if (!script) {
            once(Error("the program has no window to script"));
            return;
        }
        auto running = std::make_shared<bool>(true);
        dispatcher.Post([running, once, weak] {
            std::shared_ptr<UiScript> live = weak.lock();
            if (*running && live) {
                once("ok\na window of its own is open: " + live->ModalWindowName());
            }
        });
        script->Handle(words, once);
        *running = false;
    });
    if (!posted) {
        once(Error("the program is closing"));
    }
}

}  // namespace app
