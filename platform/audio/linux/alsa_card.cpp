// The system's sound cards through alsa-lib's control interface: the only
// file that includes <alsa/asoundlib.h>.
#include <alsa/asoundlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/audio/linux/alsa_conf_lib.h"
#include "platform/audio/linux/card_controls.h"

namespace platform::audio {

namespace {

struct ElemId {
    snd_ctl_elem_id_t* id = nullptr;
    ElemId() { snd_ctl_elem_id_malloc(&id); }
    ~ElemId() { snd_ctl_elem_id_free(id); }
    ElemId(const ElemId&) = delete;
    ElemId& operator=(const ElemId&) = delete;
};

class AlsaCardControls : public CardControls {
  public:
    explicit AlsaCardControls(snd_ctl_t* ctl) : m_ctl(ctl) {}
    ~AlsaCardControls() override { snd_ctl_close(m_ctl); }

    std::vector<ControlInfo> List() override {
        std::vector<ControlInfo> out;
        snd_ctl_elem_list_t* list = nullptr;
        snd_ctl_elem_list_malloc(&list);
        if (snd_ctl_elem_list(m_ctl, list) == 0) {
            const unsigned count = snd_ctl_elem_list_get_count(list);
            if (snd_ctl_elem_list_alloc_space(list, count) == 0 &&
                snd_ctl_elem_list(m_ctl, list) == 0) {
                for (unsigned i = 0; i < snd_ctl_elem_list_get_used(list); ++i) {
                    if (snd_ctl_elem_list_get_interface(list, i) != SND_CTL_ELEM_IFACE_MIXER) {
                        continue;
                    }
                    if (std::optional<ControlInfo> info =
                            Describe(snd_ctl_elem_list_get_name(list, i))) {
                        out.push_back(std::move(*info));
                    }
                }
                snd_ctl_elem_list_free_space(list);
            }
        }
        snd_ctl_elem_list_free(list);
        return out;
    }

    bool Read(std::string_view name, int channel, long& value) override {
        snd_ctl_elem_value_t* v = nullptr;
        snd_ctl_elem_value_alloca(&v);
        ElemId id;
        Name(id, name);
        snd_ctl_elem_value_set_id(v, id.id);
        const std::optional<ControlInfo> info = Describe(name);
        if (!info || channel >= info->channels || snd_ctl_elem_read(m_ctl, v) != 0) {
            return false;
        }
        value = info->isBoolean ? snd_ctl_elem_value_get_boolean(v, static_cast<unsigned>(channel))
                                : snd_ctl_elem_value_get_integer(v, static_cast<unsigned>(channel));
        return true;
    }

    bool Write(std::string_view name, int channel, long value) override {
        const std::optional<ControlInfo> info = Describe(name);
        if (!info || channel >= info->channels) {
            return false;
        }
        snd_ctl_elem_value_t* v = nullptr;
        snd_ctl_elem_value_alloca(&v);
        ElemId id;
        Name(id, name);
        snd_ctl_elem_value_set_id(v, id.id);
        // The other channels keep their values.
        if (snd_ctl_elem_read(m_ctl, v) != 0) {
            return false;
        }
        for (int c = 0; c < info->channels; ++c) {
            if (channel >= 0 && c != channel) {
                continue;
            }
            if (info->isBoolean) {
                snd_ctl_elem_value_set_boolean(v, static_cast<unsigned>(c), value != 0 ? 1 : 0);
            } else {
                snd_ctl_elem_value_set_integer(v, static_cast<unsigned>(c), value);
            }
        }
        return snd_ctl_elem_write(m_ctl, v) >= 0;
    }

    std::optional<long> ToCentiDb(std::string_view name, long value) override {
        ElemId id;
        Name(id, name);
        long db = 0;
        if (snd_ctl_convert_to_dB(m_ctl, id.id, value, &db) != 0) {
            return std::nullopt;
        }
        return db;
    }

    std::optional<long> FromCentiDb(std::string_view name, long centiDb) override {
        ElemId id;
        Name(id, name);
        long value = 0;
        if (snd_ctl_convert_from_dB(m_ctl, id.id, centiDb, &value, 0) != 0) {
            return std::nullopt;
        }
        return value;
    }

  private:
    static void Name(ElemId& id, std::string_view name) {
        snd_ctl_elem_id_set_interface(id.id, SND_CTL_ELEM_IFACE_MIXER);
        snd_ctl_elem_id_set_name(id.id, std::string(name).c_str());
    }

    std::optional<ControlInfo> Describe(std::string_view name) {
        snd_ctl_elem_info_t* info = nullptr;
        snd_ctl_elem_info_alloca(&info);
        ElemId id;
        Name(id, name);
        snd_ctl_elem_info_set_id(info, id.id);
        if (snd_ctl_elem_info(m_ctl, info) != 0) {
            return std::nullopt;
        }
        const snd_ctl_elem_type_t type = snd_ctl_elem_info_get_type(info);
        if (type != SND_CTL_ELEM_TYPE_BOOLEAN && type != SND_CTL_ELEM_TYPE_INTEGER) {
            return std::nullopt;
        }
        ControlInfo c;
        c.name = std::string(name);
        c.isBoolean = type == SND_CTL_ELEM_TYPE_BOOLEAN;
        c.channels = static_cast<int>(snd_ctl_elem_info_get_count(info));
        if (c.isBoolean) {
            c.max = 1;
            return c;
        }
        c.min = snd_ctl_elem_info_get_min(info);
        c.max = snd_ctl_elem_info_get_max(info);
        long minDb = 0;
        long maxDb = 0;
        if (snd_ctl_get_dB_range(m_ctl, id.id, &minDb, &maxDb) == 0) {
            c.minCentiDb = minDb;
            c.maxCentiDb = maxDb;
        }
        return c;
    }

    snd_ctl_t* m_ctl;
};

class AlsaCardFinder : public CardFinder {
  public:
    explicit AlsaCardFinder(std::string procRoot) : m_procRoot(std::move(procRoot)) {}

    bool Available(std::string* why) override {
        std::error_code error;
        if (!std::filesystem::exists(m_procRoot + "/asound", error)) {
            if (why != nullptr) {
                *why = "the sound system (ALSA) is not available on this machine";
            }
            return false;
        }
        return true;
    }

    std::optional<int> FindUsbCard(uint16_t vendorId, uint16_t productId) override {
        return FindUsbCardIn(m_procRoot, vendorId, productId);
    }

    std::unique_ptr<CardControls> Open(int card, std::string* why) override {
        snd_ctl_t* ctl = nullptr;
        const std::string name = "hw:" + std::to_string(card);
        const int error = snd_ctl_open(&ctl, name.c_str(), 0);
        if (error < 0) {
            if (why != nullptr) {
                *why = name + ": " + snd_strerror(error);
            }
            return nullptr;
        }
        return std::make_unique<AlsaCardControls>(ctl);
    }

  private:
    std::string m_procRoot;
};

}  // namespace

std::optional<int> FindUsbCardIn(const std::string& procRoot, uint16_t vendorId,
                                 uint16_t productId) {
    char wanted[16];
    std::snprintf(wanted, sizeof wanted, "%04x:%04x", vendorId, productId);
    std::optional<int> best;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(procRoot + "/asound", error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("card", 0) != 0 || name.size() == 4 ||
            name.find_first_not_of("0123456789", 4) != std::string::npos || name.size() > 7) {
            continue;
        }
        std::ifstream file(entry.path() / "usbid");
        std::string id;
        if (!(file >> id) || id != wanted) {
            continue;
        }
        const int card = std::stoi(name.substr(4));
        best = best ? std::min(*best, card) : card;
    }
    return best;
}

std::unique_ptr<CardFinder> MakeAlsaCardFinder(std::string procRoot) {
    return std::make_unique<AlsaCardFinder>(std::move(procRoot));
}

}  // namespace platform::audio
