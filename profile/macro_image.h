#pragma once
// MacroImage: the whole macro memory of a keyboard or mouse, as written from
// address 0 with the macro-image command. Little-endian throughout:
//
//   offset 0   u16  0x55AA (bytes AA 55)
//          2   u16  total size in bytes = 16 + 6n + 4 x (all events)
//          4   u16  n, the number of macros
//          6   10 bytes reserved, 0
//         16   n x u16  offset of macro i's block from the start of the image
//   16 + 2n    the blocks, macro 0 first, each right after the previous one:
//              u16 event count, 2 reserved bytes (0), then 4 bytes per event
//              (MacroEventRecord: delay low, delay high, type | 0x80 for
//              "down", button)
//
// Macros appear in list order (their index is what key assignments play);
// a macro whose events cannot be read has an empty block, so the others
// keep their places.
//
// Building reads every event file exactly once and sizes the image from
// that one reading, so a file that changes meanwhile cannot make the image
// disagree with its header. The image is refused, with nothing built, when
// its total exceeds the device's macro memory or the 16-bit sizes and
// offsets of the format (65535 bytes). The bytes are allocated once.
//
// Pure data; any thread may build one.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "profile/macro_records.h"

namespace profile {
class MacroStore;
}

class MacroImage {
  public:
    static constexpr uint16_t kMagic = 0x55AA;
    static constexpr size_t kHeaderBytes = 16;
    static constexpr size_t kBlockHeaderBytes = 4;
    static constexpr size_t kEventBytes = 4;
    static constexpr size_t kMaxImageBytes = 0xFFFF;  // sizes and offsets are 16-bit

    enum class Status {
        Built,     // Bytes() holds the image
        NoMacros,  // the list is empty or could not be read: nothing to send
        TooLarge,  // Total() exceeds the capacity: nothing to send
        NoMemory,  // the image could not be allocated
    };

    using MacroEvents = std::vector<MacroEventRecord>;

    // The total size of an image of these macros (16 + 6n + 4 x all events),
    // counted without limit, so that an oversize image can say by how much.
    static size_t SizeOf(const std::vector<MacroEvents>& macros);

    // Builds the image of `macros` in order for a macro memory of `capacity`
    // bytes. No macros: NoMacros.
    static MacroImage Build(const std::vector<MacroEvents>& macros, size_t capacity);

    // Reads the list and every event file of `store` once (see MacroStore)
    // and builds the image. An unreadable or empty list: NoMacros.
    static MacroImage FromStore(const std::string& folder, const std::string& listName,
                                size_t capacity);
    static MacroImage FromStore(profile::MacroStore& store, size_t capacity);

    Status GetStatus() const { return m_status; }
    bool IsBuilt() const { return m_status == Status::Built; }
    // The size the macros need, also when the image was refused.
    size_t Total() const { return m_total; }
    size_t MacroCount() const { return m_macroCount; }
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }

    // How far a TooLarge image is over `capacity`, in 4-byte units plus one
    // (the number the keyboard page reports); 0 when it fits.
    int ExcessUnits(size_t capacity) const;

  private:
    Status m_status = Status::NoMacros;
    size_t m_total = 0;
    size_t m_macroCount = 0;
    std::vector<uint8_t> m_bytes;
};
