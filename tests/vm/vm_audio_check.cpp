// Runs inside the test machine: the ALSA audio library against a real kernel
// sound card, snd-dummy: its own microphone level and capture switch, and
// the microphone playback pair a USB headset has for monitoring (added as
// the card's user controls, kernel objects like any other). The library sets
// and reads them back; each value is also read straight from the kernel. Prints PASS/FAIL lines;
// exits non-zero on a failure.
#include <alsa/asoundlib.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <string>

#include "platform/audio/linux/alsa_conf_lib.h"

namespace {

using namespace platform::audio;

int g_failed = 0;

void Check(bool ok, const std::string& what) {
    std::printf("%s %s\n", ok ? "PASS" : "FAIL", what.c_str());
    g_failed += ok ? 0 : 1;
}

bool AddInteger(snd_ctl_t* ctl, const char* name, unsigned channels, long min, long max) {
    snd_ctl_elem_id_t* id = nullptr;
    snd_ctl_elem_id_alloca(&id);
    snd_ctl_elem_id_set_interface(id, SND_CTL_ELEM_IFACE_MIXER);
    snd_ctl_elem_id_set_name(id, name);
    return snd_ctl_elem_add_integer(ctl, id, channels, min, max, 1) >= 0;
}

bool AddBoolean(snd_ctl_t* ctl, const char* name, unsigned channels) {
    snd_ctl_elem_id_t* id = nullptr;
    snd_ctl_elem_id_alloca(&id);
    snd_ctl_elem_id_set_interface(id, SND_CTL_ELEM_IFACE_MIXER);
    snd_ctl_elem_id_set_name(id, name);
    return snd_ctl_elem_add_boolean(ctl, id, channels) >= 0;
}

// The kernel's own value of one channel of a control.
long Kernel(snd_ctl_t* ctl, const char* name, unsigned channel) {
    snd_ctl_elem_value_t* v = nullptr;
    snd_ctl_elem_value_alloca(&v);
    snd_ctl_elem_value_set_interface(v, SND_CTL_ELEM_IFACE_MIXER);
    snd_ctl_elem_value_set_name(v, name);
    if (snd_ctl_elem_read(ctl, v) < 0) {
        return -1000;
    }
    snd_ctl_elem_info_t* info = nullptr;
    snd_ctl_elem_info_alloca(&info);
    snd_ctl_elem_info_set_interface(info, SND_CTL_ELEM_IFACE_MIXER);
    snd_ctl_elem_info_set_name(info, name);
    snd_ctl_elem_info(ctl, info);
    return snd_ctl_elem_info_get_type(info) == SND_CTL_ELEM_TYPE_BOOLEAN
               ? snd_ctl_elem_value_get_boolean(v, channel)
               : snd_ctl_elem_value_get_integer(v, channel);
}

struct Session {
    ConfLib& lib;
    EndpointRecord mic;

    int SetFloat(const wchar_t* name, float value, int32_t channel) {
        std::array<uint8_t, kBufferBytes> v{}, p{};
        PutFloat(v, value);
        PutInt(p, channel);
        return lib.PropertyControl(mic, name, v, p, 1);
    }
    int SetInt(const wchar_t* name, int32_t value) {
        std::array<uint8_t, kBufferBytes> v{};
        PutInt(v, value);
        return lib.PropertyControl(mic, name, v, {}, 1);
    }
    double Get(const wchar_t* name, int32_t channel = -1) {
        std::array<uint8_t, kBufferBytes> v{}, p{};
        PutInt(p, channel);
        if (lib.PropertyControl(mic, name, v, p, 0) != 0) {
            return NAN;
        }
        return ParseNumber(TakeWideText(v)).value_or(NAN);
    }
};

}  // namespace

int main() {
    int card = -1;
    if (snd_card_next(&card) < 0 || card < 0) {
        std::printf("FAIL no sound card in the machine\n");
        return 1;
    }
    const std::string name = "hw:" + std::to_string(card);
    snd_ctl_t* ctl = nullptr;
    if (snd_ctl_open(&ctl, name.c_str(), 0) < 0) {
        std::printf("FAIL open %s\n", name.c_str());
        return 1;
    }
    // The card's own microphone level ("Mic Volume", -45 ... 0 dB over
    // -50 ... 100) and capture switch; the microphone mixed into the
    // headphones (monitoring) as a USB headset names it, added to the card.
    Check(AddInteger(ctl, "Mic Playback Volume", 2, 0, 32), "monitoring level added");
    Check(AddBoolean(ctl, "Mic Playback Switch", 1), "monitoring switch added");
    // The controls stay with the card; a new handle uses them as any program would.
    snd_ctl_close(ctl);
    snd_ctl_open(&ctl, name.c_str(), 0);

    AlsaConfLib lib(MakeAlsaCardFinder(), HeadsetIdentity{0x0D8C, 0x01DA}, card);
    Check(lib.ConfLibInit() == 0 && lib.CreateDeviceList() == 0, "library initialised");
    int count = 0;
    lib.GetDeviceCount(kFlowRecording, count);
    Session s{lib, {}};
    Check(count == 1 && lib.GetDeviceById(kFlowRecording, 0, s.mic) == 0, "microphone endpoint");

    Check(s.Get(L"GetMinVol") == -45.0 && s.Get(L"GetMaxVol") == 0.0,
          "dB range from the card's own scale");
    Check(s.SetFloat(L"VolumeScalarControl", 0.5f, -1) == 0 && Kernel(ctl, "Mic Volume", 0) == 25 &&
              Kernel(ctl, "Mic Volume", 1) == 25,
          "scalar level set on both channels");
    Check(std::fabs(s.Get(L"VolumeScalarControl") - 0.5) < 1e-6, "scalar level read back");
    Check(s.SetFloat(L"VolumeControl", -15.0f, 0) == 0 && Kernel(ctl, "Mic Volume", 0) == 50 &&
              Kernel(ctl, "Mic Volume", 1) == 25 &&
              std::fabs(s.Get(L"VolumeControl", 0) + 15) < 1e-6,
          "-15 dB set on one channel and read back through the card's scale");
    Check(s.SetInt(L"MuteControl", 1) == 0 && Kernel(ctl, "Mic Capture Switch", 0) == 0 &&
              Kernel(ctl, "Mic Capture Switch", 1) == 0 && s.Get(L"MuteControl") == 1.0,
          "microphone muted");
    Check(s.SetInt(L"MuteControl", 0) == 0 && Kernel(ctl, "Mic Capture Switch", 0) == 1,
          "microphone unmuted");
    Check(s.SetFloat(L"AAVolumeScalarControl", 0.25f, 1) == 0 &&
              Kernel(ctl, "Mic Playback Volume", 1) == 8 &&
              Kernel(ctl, "Mic Playback Volume", 0) == 0 &&
              s.Get(L"AAVolumeScalarControl", 1) == 0.25,
          "monitoring level set on one channel");
    Check(s.SetInt(L"AAMuteControl", 0) == 0 && Kernel(ctl, "Mic Playback Switch", 0) == 1 &&
              s.Get(L"AAMuteControl") == 0.0,
          "monitoring on");
    Check(s.SetInt(L"MagicVoice_Selection", 2) != 0 && std::isnan(s.Get(L"Enable_ENC_LFX")),
          "voice effect and noise reduction not supported");

    // The dummy card has no USB id: looked for by the headset's identity, it is not taken.
    AlsaConfLib byId(MakeAlsaCardFinder(), HeadsetIdentity{0x0D8C, 0x01DA});
    byId.ConfLibInit();
    byId.CreateDeviceList();
    byId.GetDeviceCount(kFlowPlayback, count);
    Check(count == 0 && byId.Availability().find("0d8c:01da") != std::string::npos,
          "a card that is not the headset's is not taken");
    snd_ctl_close(ctl);
    std::printf("%d failed\n", g_failed);
    return g_failed == 0 ? 0 : 1;
}
