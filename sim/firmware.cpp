#include "sim/firmware.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace sim {

namespace {

using platform::hid::ReportType;

constexpr size_t kColorGroupBytes = 512;
constexpr size_t kDataOffset = 8;
// The host's exit hand-back writes its lighting block here before BeginWrite.
constexpr uint16_t kExitWriteAddress = 25;

// Commands whose data must come between BeginWrite and EndWrite.
bool NeedsBracket(uint8_t command) {
    return command == cmd::kWriteParameters || command == cmd::kWriteKeyTable ||
           command == cmd::kWriteColorTable || command == cmd::kWriteMacroImage;
}

bool IsKnownCommand(uint8_t command) {
    switch (command) {
        case cmd::kBeginWrite:
        case cmd::kEndWrite:
        case cmd::kReadDeviceInfo:
        case cmd::kReadParameters:
        case cmd::kWriteParameters:
        case cmd::kReadKeyTable:
        case cmd::kWriteKeyTable:
        case cmd::kWriteColorTable:
        case cmd::kStreamFrame:
        case cmd::kNotifyHostExit:
        case cmd::kWriteMacroImage:
        case cmd::kReadBytes:
        case cmd::kReadLedMap:
        case cmd::kProbe:
            return true;
        default:
            return false;
    }
}

}  // namespace

const char* KindName(DeviceKind kind) {
    switch (kind) {
        case DeviceKind::Keyboard:
            return "keyboard";
        case DeviceKind::Mouse:
            return "mouse";
        case DeviceKind::Mousepad:
            return "mousepad";
        case DeviceKind::Headset:
            return "headset";
    }
    return "?";
}

const char* ViolationName(Violation v) {
    switch (v) {
        case Violation::BadChecksum:
            return "BadChecksum";
        case Violation::WriteOutsideBracket:
            return "WriteOutsideBracket";
        case Violation::UnbalancedBracket:
            return "UnbalancedBracket";
        case Violation::UnknownCommand:
            return "UnknownCommand";
        case Violation::WrongReport:
            return "WrongReport";
        case Violation::BadLength:
            return "BadLength";
        case Violation::OutOfRange:
            return "OutOfRange";
        case Violation::BadValue:
            return "BadValue";
        case Violation::NotAwake:
            return "NotAwake";
        case Violation::kCount:
            break;
    }
    return "?";
}

uint32_t ViolationCounts::Total() const {
    uint32_t total = 0;
    for (uint32_t c : counts) {
        total += c;
    }
    return total;
}

std::string ViolationCounts::Describe() const {
    std::ostringstream out;
    for (size_t i = 0; i < counts.size(); ++i) {
        if (counts[i] != 0) {
            out << (out.tellp() > 0 ? " " : "") << ViolationName(static_cast<Violation>(i)) << "="
                << counts[i];
        }
    }
    return out.tellp() > 0 ? out.str() : "none";
}

uint16_t CommandChecksum(const uint8_t* report) {
    uint32_t sum = 0;
    for (size_t i = 3; i < kCommandReportSize; ++i) {
        sum += report[i];
    }
    return static_cast<uint16_t>(sum);
}

std::array<uint8_t, kCommandReportSize> BuildRequest(uint8_t command, uint16_t address,
                                                     const uint8_t* data, size_t length) {
    std::array<uint8_t, kCommandReportSize> r{};
    length = std::min(length, kMaxChunk);
    r[0] = kCommandReportId;
    r[3] = command;
    r[4] = static_cast<uint8_t>(length);
    r[5] = static_cast<uint8_t>(address & 0xFF);
    r[6] = static_cast<uint8_t>(address >> 8);
    if (data != nullptr && length > 0) {
        std::memcpy(&r[kDataOffset], data, length);
    }
    const uint16_t sum = CommandChecksum(r.data());
    r[1] = static_cast<uint8_t>(sum & 0xFF);
    r[2] = static_cast<uint8_t>(sum >> 8);
    return r;
}

Firmware::Firmware(FirmwareLayout layout) : m_layout(std::move(layout)) {
    for (InterfaceSpec& spec : m_layout.interfaces) {
        if (spec.parsed.Collections().empty()) {
            auto parsed = platform::hid::ReportDescriptor::Parse(spec.descriptor);
            if (parsed) {
                spec.parsed = std::move(*parsed);
            }
        }
    }
    m_parameters = m_layout.parameters;
    m_keyTable = m_layout.keyTable;
    m_colors.assign(m_layout.colorGroups * kColorGroupBytes, 0);
    m_macro.assign(m_layout.macroBytes, 0);
    m_frame.assign(m_layout.frameBytes, 0);
    m_frameFilled.assign(m_layout.frameBytes, false);
}

const InterfaceSpec* Firmware::Interface(int number) const {
    for (const InterfaceSpec& spec : m_layout.interfaces) {
        if (spec.number == number) {
            return &spec;
        }
    }
    return nullptr;
}

Firmware::Accept Firmware::HandleOutput(int interfaceNumber, const uint8_t* data, size_t length,
                                        std::vector<InputReport>& replies) {
    std::lock_guard lock(m_mutex);
    const InterfaceSpec* spec = Interface(interfaceNumber);
    const uint8_t id = length > 0 ? data[0] : 0;
    const uint16_t expected =
        spec != nullptr ? spec->parsed.ReportByteLength(ReportType::Output, id) : 0;
    const int collection =
        spec != nullptr ? spec->parsed.CollectionForReport(ReportType::Output, id) : -1;
    const uint16_t longest =
        collection >= 0
            ? spec->parsed.Collections()[static_cast<size_t>(collection)].outputReportByteLength
            : 0;
    if (expected == 0 || length < expected || length > longest) {
        LogLocked(interfaceNumber, data, length);
        NoteViolationLocked(Violation::WrongReport);
        return Accept::Rejected;
    }
    if (interfaceNumber == m_layout.commandInterface && id == kCommandReportId &&
        expected == kCommandReportSize) {
        HandleCommandLocked(data, replies);
        return Accept::Taken;
    }
    // Other output reports (keyboard LED state, the headset's LED report) are
    // the kind's business; the keyboard LEDs need no answer.
    HandleExtraOutput(interfaceNumber, data, length, replies);
    return Accept::Taken;
}

bool Firmware::HandleExtraOutput(int, const uint8_t*, size_t, std::vector<InputReport>&) {
    return false;
}

bool Firmware::AnswerCommandLocked(uint8_t, uint8_t&, uint8_t*) {
    return false;
}

void Firmware::RejectCommand(const uint8_t* request, uint8_t status, InputReport& reply) {
    std::lock_guard lock(m_mutex);
    LogLocked(m_layout.commandInterface, request, kCommandReportSize);
    BuildReply(request, status, nullptr, reply);
}

void Firmware::LogOnly(int interfaceNumber, const uint8_t* data, size_t length) {
    std::lock_guard lock(m_mutex);
    LogLocked(interfaceNumber, data, length);
}

void Firmware::NoteViolation(Violation v) {
    std::lock_guard lock(m_mutex);
    NoteViolationLocked(v);
}

void Firmware::NoteViolationLocked(Violation v) {
    ++m_violations.counts[static_cast<size_t>(v)];
}

void Firmware::LogLocked(int interfaceNumber, const uint8_t* data, size_t length) {
    ++m_received;
    LoggedReport entry{std::chrono::steady_clock::now(), interfaceNumber,
                       std::vector<uint8_t>(data, data + length)};
    if (m_log.size() < kMaxLog) {
        m_log.push_back(std::move(entry));
    } else {
        m_log[m_logNext] = std::move(entry);
        m_logNext = (m_logNext + 1) % kMaxLog;
    }
}

void Firmware::HandleCommandLocked(const uint8_t* request, std::vector<InputReport>& replies) {
    LogLocked(m_layout.commandInterface, request, kCommandReportSize);
    const uint8_t command = request[3];
    const uint8_t length = request[4];
    const uint16_t address = static_cast<uint16_t>(request[5] | request[6] << 8);
    const uint16_t stored = static_cast<uint16_t>(request[1] | request[2] << 8);
    // The exit notice is the one request sent without a checksum.
    const uint16_t expected = command == cmd::kNotifyHostExit ? 0 : CommandChecksum(request);
    ++m_commandCounts[command];
    InputReport reply;
    if (stored != expected) {
        NoteViolationLocked(Violation::BadChecksum);
        BuildReply(request, kStatusRejected, nullptr, reply);
    } else if (!IsKnownCommand(command)) {
        NoteViolationLocked(Violation::UnknownCommand);
        BuildReply(request, kStatusRejected, nullptr, reply);
    } else if (length > kMaxChunk) {
        NoteViolationLocked(Violation::BadLength);
        BuildReply(request, kStatusRejected, nullptr, reply);
    } else {
        uint8_t data[kCommandReportSize] = {};
        uint8_t status = kStatusOk;
        if (!AnswerCommandLocked(command, status, data)) {
            CheckBracketLocked(command, address, length);
            status = ExecuteLocked(command, address, length, request + kDataOffset, data);
        }
        BuildReply(request, status, data, reply);
    }
    replies.push_back(std::move(reply));
}

bool Firmware::CheckBracketLocked(uint8_t command, uint16_t address, uint8_t length) {
    const bool exitWrite =
        m_exitWriteDue && command == cmd::kWriteParameters && address == kExitWriteAddress;
    m_exitWriteDue = command == cmd::kNotifyHostExit;
    if (command == cmd::kBeginWrite) {
        if (m_inBracket) {
            NoteViolationLocked(Violation::UnbalancedBracket);
        }
        m_inBracket = true;
    } else if (command == cmd::kEndWrite) {
        if (!m_inBracket) {
            NoteViolationLocked(Violation::UnbalancedBracket);
            return false;
        }
        m_inBracket = false;
        ++m_commits;
    } else if (NeedsBracket(command) && !m_inBracket) {
        if (m_outsideWrites.size() >= kMaxOutsideWrites) {
            m_outsideWrites.erase(m_outsideWrites.begin());
        }
        m_outsideWrites.push_back({command, address, length, exitWrite});
        if (exitWrite) {
            return true;
        }
        // Still applied: the device is lenient, the host is at fault.
        NoteViolationLocked(Violation::WriteOutsideBracket);
        return false;
    }
    return true;
}

uint8_t Firmware::ExecuteLocked(uint8_t command, uint16_t address, uint8_t length,
                                const uint8_t* data, uint8_t* replyData) {
    switch (command) {
        case cmd::kReadDeviceInfo:
            return ReadArea(
                std::vector<uint8_t>(m_layout.deviceInfo.begin(), m_layout.deviceInfo.end()),
                address, length, replyData);
        case cmd::kReadParameters:
            return ReadArea(m_parameters, address, length, replyData);
        case cmd::kWriteParameters:
            return WriteArea(m_parameters, address, length, data);
        case cmd::kReadKeyTable:
            return ReadArea(m_keyTable, address, length, replyData);
        case cmd::kWriteKeyTable:
            return WriteArea(m_keyTable, address, length, data);
        case cmd::kWriteColorTable:
            return WriteArea(m_colors, address, length, data);
        case cmd::kStreamFrame:
            return StreamChunkLocked(address, length, data);
        case cmd::kNotifyHostExit:
            ++m_hostExits;
            return kStatusOk;
        case cmd::kWriteMacroImage:
            return WriteArea(m_macro, address, length, data);
        case cmd::kReadBytes:
            return ReadArea(m_layout.status, address, length, replyData);
        case cmd::kReadLedMap:
            return ReadArea(m_layout.ledMap, address, length, replyData);
        case cmd::kProbe:
            replyData[0] = 0xFF;
            return kStatusOk;
        default:  // BeginWrite, EndWrite
            return kStatusOk;
    }
}

uint8_t Firmware::ReadArea(const std::vector<uint8_t>& area, uint16_t address, uint8_t length,
                           uint8_t* out) {
    const size_t end = static_cast<size_t>(address) + length;
    const size_t available = address < area.size() ? std::min(end, area.size()) - address : 0;
    if (available > 0) {
        std::memcpy(out, area.data() + address, available);
    }
    if (end > area.size() && length > 0) {
        NoteViolationLocked(Violation::OutOfRange);
        return kStatusOutOfRange;
    }
    return kStatusOk;
}

uint8_t Firmware::WriteArea(std::vector<uint8_t>& area, uint16_t address, uint8_t length,
                            const uint8_t* data) {
    // A chunk that does not fit is refused whole rather than half written.
    if (static_cast<size_t>(address) + length > area.size()) {
        NoteViolationLocked(Violation::OutOfRange);
        return kStatusOutOfRange;
    }
    if (length > 0) {
        std::memcpy(area.data() + address, data, length);
    }
    return kStatusOk;
}

uint8_t Firmware::StreamChunkLocked(uint16_t address, uint8_t length, const uint8_t* data) {
    if (static_cast<size_t>(address) + length > m_frame.size()) {
        NoteViolationLocked(Violation::OutOfRange);
        return kStatusOutOfRange;
    }
    if (address == 0) {
        std::fill(m_frameFilled.begin(), m_frameFilled.end(), false);
    }
    std::memcpy(m_frame.data() + address, data, length);
    std::fill(m_frameFilled.begin() + address, m_frameFilled.begin() + address + length, true);
    if (!m_frame.empty() &&
        std::all_of(m_frameFilled.begin(), m_frameFilled.end(), [](bool b) { return b; })) {
        m_lastFrame = m_frame;
        ++m_frameCount;
        std::fill(m_frameFilled.begin(), m_frameFilled.end(), false);
    }
    return kStatusOk;
}

void Firmware::BuildReply(const uint8_t* request, uint8_t status, const uint8_t* data,
                          InputReport& reply) const {
    reply.interfaceNumber = m_layout.commandInterface;
    reply.bytes.assign(kCommandReportSize, 0);
    uint8_t* r = reply.bytes.data();
    r[0] = kCommandReportId;
    std::memcpy(r + 3, request + 3, 4);  // command, length, address
    r[7] = status;
    if (data != nullptr) {
        std::memcpy(r + kDataOffset, data, kMaxChunk);
    }
    const uint16_t sum = CommandChecksum(r);
    r[1] = static_cast<uint8_t>(sum & 0xFF);
    r[2] = static_cast<uint8_t>(sum >> 8);
}

bool Firmware::EventReport(uint16_t usage, InputReport& out) const {
    if (m_layout.eventInterface < 0) {
        return false;
    }
    out.interfaceNumber = m_layout.eventInterface;
    out.bytes = {m_layout.eventReportId, static_cast<uint8_t>(usage & 0xFF),
                 static_cast<uint8_t>(usage >> 8)};
    return true;
}

ViolationCounts Firmware::Violations() const {
    std::lock_guard lock(m_mutex);
    return m_violations;
}

std::vector<LoggedReport> Firmware::RequestLog() const {
    std::lock_guard lock(m_mutex);
    std::vector<LoggedReport> out(m_log.begin() + static_cast<std::ptrdiff_t>(m_logNext),
                                  m_log.end());
    out.insert(out.end(), m_log.begin(), m_log.begin() + static_cast<std::ptrdiff_t>(m_logNext));
    return out;
}

uint64_t Firmware::RequestCount() const {
    std::lock_guard lock(m_mutex);
    return m_received;
}

void Firmware::ClearLog() {
    std::lock_guard lock(m_mutex);
    m_log.clear();
    m_logNext = 0;
    m_received = 0;
    m_violations = ViolationCounts{};
    m_commandCounts.fill(0);
    m_outsideWrites.clear();
}

std::array<uint8_t, kDeviceInfoSize> Firmware::DeviceInfo() const {
    std::lock_guard lock(m_mutex);
    return m_layout.deviceInfo;
}

std::vector<uint8_t> Firmware::Parameters() const {
    std::lock_guard lock(m_mutex);
    return m_parameters;
}

std::vector<uint8_t> Firmware::KeyTable() const {
    std::lock_guard lock(m_mutex);
    return m_keyTable;
}

std::vector<uint8_t> Firmware::LedMap() const {
    std::lock_guard lock(m_mutex);
    return m_layout.ledMap;
}

std::vector<uint8_t> Firmware::ColorGroup(size_t group) const {
    std::lock_guard lock(m_mutex);
    if (group >= m_layout.colorGroups) {
        return {};
    }
    const auto begin = m_colors.begin() + static_cast<std::ptrdiff_t>(group * kColorGroupBytes);
    return std::vector<uint8_t>(begin, begin + kColorGroupBytes);
}

std::vector<uint8_t> Firmware::MacroMemory() const {
    std::lock_guard lock(m_mutex);
    return m_macro;
}

std::vector<uint8_t> Firmware::LastFrame() const {
    std::lock_guard lock(m_mutex);
    return m_lastFrame;
}

uint64_t Firmware::FrameCount() const {
    std::lock_guard lock(m_mutex);
    return m_frameCount;
}

uint32_t Firmware::HostExitCount() const {
    std::lock_guard lock(m_mutex);
    return m_hostExits;
}

uint32_t Firmware::CommitCount() const {
    std::lock_guard lock(m_mutex);
    return m_commits;
}

bool Firmware::InWriteBracket() const {
    std::lock_guard lock(m_mutex);
    return m_inBracket;
}

uint64_t Firmware::CommandCount(uint8_t command) const {
    std::lock_guard lock(m_mutex);
    return m_commandCounts[command];
}

std::vector<OutsideWrite> Firmware::OutsideWrites() const {
    std::lock_guard lock(m_mutex);
    return m_outsideWrites;
}

// --- inspection ----------------------------------------------------------------------

std::optional<std::vector<uint8_t>> Firmware::Memory(MemoryArea area, size_t group) const {
    std::vector<uint8_t> bytes;
    switch (area) {
        case MemoryArea::Params:
            bytes = Parameters();
            break;
        case MemoryArea::Keys:
            bytes = KeyTable();
            break;
        case MemoryArea::Leds:
            bytes = LedMap();
            break;
        case MemoryArea::Macros:
            bytes = MacroMemory();
            break;
        case MemoryArea::Colors:
            bytes = ColorGroup(group);
            break;
    }
    if (bytes.empty()) {
        return std::nullopt;
    }
    return bytes;
}

std::vector<std::string> Firmware::FrameLines() const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> lines{"frames: " + std::to_string(m_frameCount)};
    for (size_t i = 0; i + 2 < m_lastFrame.size(); i += 3) {
        lines.push_back(std::to_string(m_lastFrame[i]) + " " + std::to_string(m_lastFrame[i + 1]) +
                        " " + std::to_string(m_lastFrame[i + 2]));
    }
    return lines;
}

std::vector<std::string> Firmware::LogLines() const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> lines;
    char text[96];
    for (size_t code = 0; code < m_commandCounts.size(); ++code) {
        if (m_commandCounts[code] != 0) {
            std::snprintf(text, sizeof(text), "0x%02zx %s: %llu", code,
                          CommandName(static_cast<uint8_t>(code)),
                          static_cast<unsigned long long>(m_commandCounts[code]));
            lines.emplace_back(text);
        }
    }
    lines.push_back("outside a bracket: " + std::to_string(m_outsideWrites.size()));
    for (const OutsideWrite& w : m_outsideWrites) {
        std::snprintf(text, sizeof(text), "0x%02x %s address %u length %u%s", w.command,
                      CommandName(w.command), w.address, w.length,
                      w.allowed ? " (exit hand-back)" : "");
        lines.emplace_back(text);
    }
    lines.push_back("violations: " + m_violations.Describe());
    return lines;
}

namespace {
void Poke(std::vector<uint8_t>& area, size_t offset, const std::vector<uint8_t>& bytes) {
    if (offset + bytes.size() > area.size()) {
        area.resize(offset + bytes.size(), 0);
    }
    std::copy(bytes.begin(), bytes.end(), area.begin() + static_cast<std::ptrdiff_t>(offset));
}
}  // namespace

void Firmware::PokeDeviceInfo(size_t offset, uint8_t value) {
    std::lock_guard lock(m_mutex);
    if (offset < m_layout.deviceInfo.size()) {
        m_layout.deviceInfo[offset] = value;
    }
}

void Firmware::PokeParameters(size_t offset, const std::vector<uint8_t>& bytes) {
    std::lock_guard lock(m_mutex);
    Poke(m_parameters, offset, bytes);
}

void Firmware::PokeKeyTable(size_t offset, const std::vector<uint8_t>& bytes) {
    std::lock_guard lock(m_mutex);
    Poke(m_keyTable, offset, bytes);
}

void Firmware::PokeLedMap(size_t offset, const std::vector<uint8_t>& bytes) {
    std::lock_guard lock(m_mutex);
    Poke(m_layout.ledMap, offset, bytes);
}

void Firmware::PokeStatus(size_t offset, const std::vector<uint8_t>& bytes) {
    std::lock_guard lock(m_mutex);
    Poke(m_layout.status, offset, bytes);
}

}  // namespace sim
