#include "shell/sim_audio_commands.h"

#include <cstdio>

#include "platform/audio/sim_conf_lib.h"

namespace app {

std::string RunSimAudioRequest(const platform::audio::SimAudio& audio,
                               const std::vector<std::string>& words) {
    if (words.size() != 2) {
        return "error: usage: sim audio headset";
    }
    if (words[1] != "headset") {
        return "error: only the headset has audio (sim audio headset)";
    }
    std::string reply = "ok";
    for (const auto& [flow, name] : {std::pair{platform::audio::kFlowPlayback, "playback"},
                                     std::pair{platform::audio::kFlowRecording, "recording"}}) {
        for (const auto& [property, value] : audio.Properties(flow)) {
            char number[64];
            std::snprintf(number, sizeof number, "%g", value);
            reply += "\n" + std::string(name) + " " +
                     std::string(property.begin(), property.end()) + " " + number;
        }
    }
    return reply;
}

}  // namespace app
