#pragma once
// The headset's audio configuration library: a small property interface over
// the sound system. A program loads one library, initialises it, builds the
// list of audio endpoints, picks its endpoints by data flow and kind, and
// reads or sets named properties of an endpoint.
//
// Properties travel in two 1024-byte buffers, zeroed by the caller:
// - a set passes a 32-bit integer, or a 32-bit float where the property is a
//   level, at the start of the value buffer;
// - a get returns the value as wide decimal text ("12", "-7.500000") in the
//   value buffer, NUL-terminated;
// - the parameter buffer, when a property takes one, starts with a 32-bit
//   integer (a channel: -1 all channels, 0 or 1 one channel).
// Every operation returns 0 for success and non-zero for failure; a property
// the endpoint does not have fails.
//
// No sound-system header is included here. Backends: ALSA (linux/), and a
// simulated library (sim_conf_lib.h) for tests and the simulated devices.
//
// Threads: a library is used from the UI thread; the simulated one may also
// be inspected from any thread.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace platform::audio {

inline constexpr size_t kBufferBytes = 1024;

// Data flows of GetDeviceCount / GetDeviceById.
inline constexpr int kFlowPlayback = 0;
inline constexpr int kFlowRecording = 1;

// Endpoint kinds a library reports (word 1 of the record).
inline constexpr int32_t kKindSpeakers = 1;
inline constexpr int32_t kKindMicrophone = 2;
inline constexpr int32_t kKindDigital = 4;
inline constexpr int32_t kKindHeadphones = 7;
inline constexpr int32_t kKindHeadset = 12;
inline constexpr int32_t kStateActive = 1;

// One endpoint as the library lists it: word 0 its index in the library's
// list, word 1 its kind, word 2 its data flow, word 3 its state.
struct EndpointRecord {
    int32_t id = -1;
    int32_t kind = 0;
    int32_t flow = 0;
    int32_t state = 0;
};

class ConfLib {
  public:
    virtual ~ConfLib() = default;

    virtual int ConfLibInit() = 0;
    virtual int ConfLibUnInit() = 0;
    // Looks for the endpoints again; the list stays as it is until then.
    virtual int CreateDeviceList() = 0;
    virtual int GetDeviceCount(int flow, int& count) = 0;
    virtual int GetDeviceById(int flow, int index, EndpointRecord& out) = 0;
    // set 0: get into `value`; set 1: set from `value`. `param` is empty when
    // the property takes no parameter. Both buffers hold kBufferBytes.
    virtual int PropertyControl(const EndpointRecord& endpoint, std::wstring_view name,
                                std::span<uint8_t> value, std::span<const uint8_t> param,
                                int set) = 0;

    // A line for the user when the library cannot reach the headset's audio
    // (no sound card of its own, the sound system missing), else "".
    virtual std::string Availability() const { return {}; }
};

// Which headset the library is for: the vendor and product of its HID interface.
struct HeadsetIdentity {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
};

// Loads a library for a headset; null (and the reason in *why) when the
// sound system cannot be used at all.
class ConfLibLoader {
  public:
    virtual ~ConfLibLoader() = default;
    virtual std::unique_ptr<ConfLib> Load(const HeadsetIdentity& headset, std::string* why) = 0;
};

// The loader the program uses; set once by the composition root. Null until
// then, which device objects take as "no audio library".
ConfLibLoader* ProcessConfLibLoader();
void SetProcessConfLibLoader(ConfLibLoader* loader);
// Counts the calls of SetProcessConfLibLoader, so a user of the loader can
// tell a new loader from an old one at the same address.
uint64_t ProcessConfLibGeneration();

// --- buffer helpers ---------------------------------------------------------------
// Writes a 32-bit integer / float at the start of a buffer (the rest untouched).
void PutInt(std::span<uint8_t> buffer, int32_t value);
void PutFloat(std::span<uint8_t> buffer, float value);
int32_t TakeInt(std::span<const uint8_t> buffer);
float TakeFloat(std::span<const uint8_t> buffer);
// Writes `text` as NUL-terminated wide text; false when it does not fit.
bool PutWideText(std::span<uint8_t> buffer, std::wstring_view text);
// The wide text at the start of a buffer, up to its NUL or the buffer's end.
std::wstring TakeWideText(std::span<const uint8_t> buffer);
// Decimal text of a value: integers without a fraction, levels with six digits.
std::wstring IntText(int64_t value);
std::wstring FloatText(double value);
// The number a get returned; none when the text is not a decimal number.
std::optional<double> ParseNumber(std::wstring_view text);

}  // namespace platform::audio
