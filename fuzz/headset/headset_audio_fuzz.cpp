// The headset's audio start-up and state read against a library whose every
// answer comes from the input: endpoint lists, feature texts and property
// texts of any length and content. Nothing it says may crash the start-up or
// leave a setting out of the range of its word.
#include <cstddef>
#include <cstdint>
#include <string>

#include "headset/headset_audio.h"

namespace {

using namespace platform::audio;

class Input {
  public:
    Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    uint8_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    std::wstring Text() {
        const size_t length = Byte() % 48;
        std::wstring text;
        for (size_t i = 0; i < length; ++i) {
            text.push_back(static_cast<wchar_t>(Byte()));
        }
        return text;
    }

  private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

class FuzzLibrary : public ConfLib {
  public:
    explicit FuzzLibrary(Input& in) : m_in(in) {}
    int ConfLibInit() override { return m_in.Byte() & 1; }
    int ConfLibUnInit() override { return 0; }
    int CreateDeviceList() override { return 0; }
    int GetDeviceCount(int, int& count) override {
        count = m_in.Byte() % 5;
        return 0;
    }
    int GetDeviceById(int flow, int index, EndpointRecord& out) override {
        out = {index, m_in.Byte() % 14, flow, m_in.Byte() % 3};
        return m_in.Byte() % 7 == 0;
    }
    int PropertyControl(const EndpointRecord&, std::wstring_view, std::span<uint8_t> value,
                        std::span<const uint8_t>, int set) override {
        if (set != 0) {
            return m_in.Byte() & 1;
        }
        const std::wstring text = m_in.Text();
        // Sometimes the whole buffer without a terminator.
        if (m_in.Byte() == 0xFF) {
            for (uint8_t& b : value) {
                b = '7';
            }
            return 0;
        }
        return PutWideText(value, text) ? (m_in.Byte() % 5 == 0) : 1;
    }

  private:
    Input& m_in;
};

class FuzzLoader : public ConfLibLoader {
  public:
    explicit FuzzLoader(Input& in) : m_in(in) {}
    std::unique_ptr<ConfLib> Load(const HeadsetIdentity&, std::string*) override {
        return std::make_unique<FuzzLibrary>(m_in);
    }

  private:
    Input& m_in;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    FuzzLoader loader(in);
    auto session = std::make_shared<headset::AudioSession>();
    session->loader = &loader;
    headset::HeadsetAudio audio(session);
    CHs6533Profiledata::Settings settings{};
    audio.StartUp({0x0D8C, 0x01DA}, settings, [](const std::string&) {});
    audio.ReadState(settings);
    const int32_t type = settings[CHs6533Profiledata::kMagicType];
    const int32_t level = settings[CHs6533Profiledata::kMicInValue];
    if ((type != 0 && (type < 1 || type > 4)) || level < 0 || level > 100) {
        __builtin_trap();
    }
    return 0;
}
