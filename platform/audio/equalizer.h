#pragma once
// An equaliser on the sound server: ten peaking filters at 31, 62, 125, 250,
// 500, 1k, 2k, 4k, 8k and 16 kHz in front of the headset's playback, with the
// gains (dB) of the chosen preset. Apply replaces whatever was playing;
// Remove takes the filters away. Both return at once: the work is done in
// the background, newest request first, so a dragged slider never waits.
//
// Threads: any thread.

#include <array>

namespace platform::audio {

inline constexpr std::array<double, 10> kEqualizerBandsHz = {31,   62,   125,  250,  500,
                                                             1000, 2000, 4000, 8000, 16000};

class Equalizer {
  public:
    virtual ~Equalizer() = default;
    // Whether the sound server runs, so gains can be applied at all.
    virtual bool Available() const = 0;
    virtual void Apply(const std::array<int, 10>& gainsDb) = 0;
    virtual void Remove() = 0;
};

// The equaliser the program uses; set once by the composition root, null
// when the program has none (the simulated devices, tests).
Equalizer* ProcessEqualizer();
void SetProcessEqualizer(Equalizer* equalizer);

}  // namespace platform::audio
