#pragma once
// `sim audio KIND` of the instance endpoint: every property the simulated
// audio library holds, one a line, "playback|recording NAME VALUE" (values
// as the library keeps them: levels 0-1, gains and switches as integers).
// Only the headset has audio. Threads: any (the library locks itself).

#include <string>
#include <vector>

namespace platform::audio {
class SimAudio;
}

namespace app {

// `words` are the words after "sim", starting with "audio".
std::string RunSimAudioRequest(const platform::audio::SimAudio& audio,
                               const std::vector<std::string>& words);

}  // namespace app
