#include "device/hid_device.h"

#include "device/hid_identity.h"

namespace {

std::atomic<platform::hid::HidBackend*> g_processBackend{nullptr};

bool ToBool(platform::hid::IoStatus status) {
    return status == platform::hid::IoStatus::Ok;
}

// Raises a pending flag for the length of one I/O call.
class PendingScope {
  public:
    explicit PendingScope(std::atomic<bool>& flag) : m_flag(flag) { m_flag.store(true); }
    ~PendingScope() { m_flag.store(false); }
    PendingScope(const PendingScope&) = delete;
    PendingScope& operator=(const PendingScope&) = delete;

  private:
    std::atomic<bool>& m_flag;
};

// Keeps the "on" usages within the item's range, in place, and ends the list
// with a 0 when it is shorter than the item's capacity.
void UnpackButtons(const platform::hid::ReportDescriptor& descriptor, int collection,
                   HidReportType type, std::span<const uint8_t> report, HidDataItem& item) {
    std::vector<uint16_t> on;
    item.status =
        descriptor.GetUsages(type, collection, item.usagePage, report.data(), report.size(), on);
    std::vector<uint16_t>& usages = item.button.usages;
    usages.assign(item.button.maxUsageLength, 0);
    size_t kept = 0;
    for (const uint16_t usage : on) {
        if (kept < usages.size() && usage >= item.button.usageMin &&
            usage <= item.button.usageMax) {
            usages[kept++] = usage;
        }
    }
}

bool UnpackValue(const platform::hid::ReportDescriptor& descriptor, int collection,
                 HidReportType type, std::span<const uint8_t> report, HidDataItem& item) {
    item.status = descriptor.GetUsageValue(type, collection, item.usagePage, item.value.usage,
                                           report.data(), report.size(), item.value.value);
    if (item.status != platform::hid::HidStatus::Success) {
        return false;
    }
    // A value without a usable physical range keeps its previous scaled value.
    (void)descriptor.GetScaledUsageValue(type, collection, item.usagePage, item.value.usage,
                                         report.data(), report.size(), item.value.scaledValue);
    return true;
}

}  // namespace

void SetProcessHidBackend(platform::hid::HidBackend* backend) {
    g_processBackend.store(backend);
}

platform::hid::HidBackend* ProcessHidBackend() {
    return g_processBackend.load();
}

CHidDevice::CHidDevice() = default;

CHidDevice::CHidDevice(platform::hid::HidBackend& backend) : m_backend(&backend) {}

CHidDevice::~CHidDevice() {
    Close();
    FreeList();
}

platform::hid::HidBackend* CHidDevice::Backend() const {
    return m_backend != nullptr ? m_backend : ProcessHidBackend();
}

std::shared_ptr<platform::hid::HidHandle> CHidDevice::Handle() const {
    std::lock_guard<std::mutex> lock(m_handleMutex);
    return m_handle;
}

bool CHidDevice::Enumerate() {
    FreeList();
    platform::hid::HidBackend* backend = Backend();
    std::vector<platform::hid::CollectionEntry> entries;
    if (backend == nullptr || !backend->Enumerate(entries)) {
        return false;
    }
    m_list.reserve(entries.size());
    for (auto& entry : entries) {
        m_list.push_back(std::move(entry.path));
    }
    return true;
}

std::optional<std::string> CHidDevice::NextPath() {
    if (m_listCursor >= m_list.size()) {
        return std::nullopt;
    }
    return m_list[m_listCursor++];
}

void CHidDevice::FreeList() {
    m_list.clear();
    m_list.shrink_to_fit();
    m_listCursor = 0;
}

bool CHidDevice::Open(const std::string& path, bool read, bool write, bool overlapped,
                      bool exclusive) {
    m_openedForRead = read;
    m_openedForWrite = write;
    m_openedOverlapped = overlapped;
    m_openedExclusive = exclusive;
    m_path = path;
    Close();

    platform::hid::HidBackend* backend = Backend();
    if (backend == nullptr) {
        return false;
    }
    platform::hid::OpenMode mode;
    mode.read = read;
    mode.write = write;
    mode.overlapped = overlapped;
    mode.exclusive = exclusive;
    std::shared_ptr<platform::hid::HidHandle> handle = backend->Open(path, mode);
    if (!handle) {
        return false;
    }
    if (!ReadDescription(*handle)) {
        FreeDescription();
        return false;
    }
    std::lock_guard<std::mutex> lock(m_handleMutex);
    m_handle = std::move(handle);
    return true;
}

void CHidDevice::Close() {
    std::shared_ptr<platform::hid::HidHandle> handle;
    {
        std::lock_guard<std::mutex> lock(m_handleMutex);
        handle.swap(m_handle);
    }
    // A Read or Write that already holds the handle is woken; one that has not
    // taken it yet finds no handle.
    if (handle && (m_readPending.load() || m_writePending.load())) {
        handle->Cancel();
    }
    FreeDescription();
}

bool CHidDevice::IsOpen() const {
    return Handle() != nullptr;
}

bool CHidDevice::Read(std::span<uint8_t> buffer, int timeoutMs, size_t& bytesRead) {
    bytesRead = 0;
    PendingScope pending(m_readPending);
    const std::shared_ptr<platform::hid::HidHandle> handle = Handle();
    if (!handle) {
        return false;
    }
    return ToBool(handle->Read(buffer.data(), buffer.size(), timeoutMs, bytesRead));
}

bool CHidDevice::Write(std::span<const uint8_t> buffer, int timeoutMs, size_t& bytesWritten) {
    bytesWritten = 0;
    PendingScope pending(m_writePending);
    const std::shared_ptr<platform::hid::HidHandle> handle = Handle();
    if (!handle) {
        return false;
    }
    return ToBool(handle->Write(buffer.data(), buffer.size(), timeoutMs, bytesWritten));
}

bool CHidDevice::SetOutputReport(std::span<const uint8_t> report) {
    const std::shared_ptr<platform::hid::HidHandle> handle = Handle();
    return handle && handle->SetOutputReport(report.data(), report.size());
}

void CHidDevice::CancelPending() {
    const std::shared_ptr<platform::hid::HidHandle> handle = Handle();
    if (handle && (m_readPending.load() || m_writePending.load())) {
        handle->Cancel();
    }
}

void CHidDevice::CancelAlways() {
    const std::shared_ptr<platform::hid::HidHandle> handle = Handle();
    if (handle) {
        handle->Cancel();
    }
}

std::shared_ptr<const platform::hid::ReportDescriptor> CHidDevice::Descriptor() const {
    std::lock_guard<std::mutex> lock(m_handleMutex);
    return m_descriptor;
}

bool CHidDevice::ReadDescription(const platform::hid::HidHandle& handle) {
    std::optional<platform::hid::ReportDescriptor> parsed =
        platform::hid::ReportDescriptor::Parse(handle.ReportDescriptor());
    if (!parsed) {
        return false;
    }
    const int collection = handle.CollectionIndex();
    HidCaps caps;
    if (parsed->GetCaps(collection, caps) != platform::hid::HidStatus::Success) {
        return false;
    }
    const platform::hid::Identity attributes = handle.Attributes();
    m_attributes = {attributes.vendorId, attributes.productId, attributes.version};
    m_caps = caps;
    {
        std::lock_guard<std::mutex> lock(m_handleMutex);
        m_descriptor = std::make_shared<const platform::hid::ReportDescriptor>(std::move(*parsed));
        m_collection = collection;
    }
    FillReportType(HidReportType::Input);
    FillReportType(HidReportType::Output);
    FillReportType(HidReportType::Feature);
    m_interfaceNumber = device::ParsePathNumber(m_path, "&mi_");
    m_collectionNumber = device::ParsePathNumber(m_path, "&col");
    return true;
}

// One button item per button capability and one value item per value usage,
// a usage range giving one item per usage.
void CHidDevice::FillReportType(HidReportType type) {
    const platform::hid::ReportDescriptor& descriptor = *m_descriptor;
    HidReportTypeInfo& info = m_types[static_cast<size_t>(type)];
    info.report.assign(m_caps.ReportByteLength(type), 0);
    info.buttonCaps = descriptor.GetButtonCaps(type, m_collection);
    info.valueCaps = descriptor.GetValueCaps(type, m_collection);
    info.items.clear();
    for (const platform::hid::ButtonCaps& caps : info.buttonCaps) {
        HidDataItem item;
        item.isButtonData = true;
        item.usagePage = caps.usagePage;
        item.reportId = caps.reportId;
        item.button.usageMin = caps.usageMin;
        item.button.usageMax = caps.usageMax;
        item.button.maxUsageLength =
            descriptor.MaxUsageListLength(type, m_collection, caps.usagePage);
        item.button.usages.assign(item.button.maxUsageLength, 0);
        info.items.push_back(std::move(item));
    }
    for (const platform::hid::ValueCaps& caps : info.valueCaps) {
        const uint32_t last = caps.isRange ? caps.usageMax : caps.usageMin;
        for (uint32_t usage = caps.usageMin; usage <= last; ++usage) {
            HidDataItem item;
            item.usagePage = caps.usagePage;
            item.reportId = caps.reportId;
            item.value.usage = static_cast<uint16_t>(usage);
            info.items.push_back(std::move(item));
        }
    }
}

void CHidDevice::FreeDescription() {
    {
        std::lock_guard<std::mutex> lock(m_handleMutex);
        m_descriptor.reset();
        m_collection = 0;
    }
    m_caps = HidCaps{};
    m_attributes = HidAttributes{};
    for (HidReportTypeInfo& info : m_types) {
        info = HidReportTypeInfo{};
    }
    m_interfaceNumber = 0;
    m_collectionNumber = 0;
}

bool CHidDevice::UnpackReport(std::vector<HidDataItem>& items, HidReportType type,
                              std::span<const uint8_t> report) const {
    int collection = 0;
    std::shared_ptr<const platform::hid::ReportDescriptor> descriptor;
    {
        std::lock_guard<std::mutex> lock(m_handleMutex);
        descriptor = m_descriptor;
        collection = m_collection;
    }
    if (!descriptor || report.empty()) {
        return false;
    }
    for (HidDataItem& item : items) {
        if (item.reportId != report[0]) {
            continue;
        }
        if (item.isButtonData) {
            UnpackButtons(*descriptor, collection, type, report, item);
        } else if (!UnpackValue(*descriptor, collection, type, report, item)) {
            return false;
        }
        item.isDataSet = true;
    }
    return true;
}
