#include "profile/macro_image.h"

#include <new>

#include "profile/macro_store.h"

namespace {

void Put16(uint8_t* at, size_t value) {
    at[0] = static_cast<uint8_t>(value & 0xFF);
    at[1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

}  // namespace

size_t MacroImage::SizeOf(const std::vector<MacroEvents>& macros) {
    size_t total = kHeaderBytes;
    for (const MacroEvents& events : macros) {
        total += 2 + kBlockHeaderBytes + kEventBytes * events.size();
    }
    return total;
}

MacroImage MacroImage::Build(const std::vector<MacroEvents>& macros, size_t capacity) {
    MacroImage image;
    image.m_macroCount = macros.size();
    image.m_total = SizeOf(macros);
    if (macros.empty()) {
        image.m_status = Status::NoMacros;
        return image;
    }
    if (image.m_total > capacity || image.m_total > kMaxImageBytes) {
        image.m_status = Status::TooLarge;
        return image;
    }
    try {
        image.m_bytes.assign(image.m_total, 0);
    } catch (const std::bad_alloc&) {
        image.m_status = Status::NoMemory;
        return image;
    }
    uint8_t* const base = image.m_bytes.data();
    Put16(base, kMagic);
    Put16(base + 2, image.m_total);
    Put16(base + 4, macros.size());
    size_t block = kHeaderBytes + 2 * macros.size();
    for (size_t i = 0; i < macros.size(); ++i) {
        const MacroEvents& events = macros[i];
        Put16(base + kHeaderBytes + 2 * i, block);
        Put16(base + block, events.size());
        uint8_t* out = base + block + kBlockHeaderBytes;
        for (const MacroEventRecord& event : events) {
            out[0] = event.delayLow;
            out[1] = event.delayHigh;
            out[2] = event.type;
            out[3] = event.button;
            out += kEventBytes;
        }
        block += kBlockHeaderBytes + kEventBytes * events.size();
    }
    image.m_status = Status::Built;
    return image;
}

MacroImage MacroImage::FromStore(profile::MacroStore& store, size_t capacity) {
    store.Load();
    std::vector<MacroEvents> macros;
    macros.reserve(static_cast<size_t>(store.Count()));
    for (int i = 0; i < store.Count(); ++i) {
        macros.push_back(store.PackedEvents(i));
    }
    return Build(macros, capacity);
}

MacroImage MacroImage::FromStore(const std::string& folder, const std::string& listName,
                                 size_t capacity) {
    profile::MacroStore store;
    store.SetFolder(folder, listName);
    return FromStore(store, capacity);
}

int MacroImage::ExcessUnits(size_t capacity) const {
    if (m_total <= capacity) {
        return 0;
    }
    const size_t units = ((m_total - capacity) >> 2) + 1;
    return units > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(units);
}
