#include "platform/hid/linux/linux_hid_backend.h"

#include <fcntl.h>
#include <libudev.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/hid/linux/collection_path.h"
#include "platform/hid/linux/hidraw_handle.h"
#include "platform/trace/trace.h"

namespace platform::hid::linux_hid {
namespace {

Error MakeError(int code, const std::string& what) {
    return Error{code, what + ": " + std::strerror(code)};
}

int IoctlRetrying(int fd, unsigned long request, void* argument) {
    int result = -1;
    do {
        result = ::ioctl(fd, request, argument);
    } while (result < 0 && errno == EINTR);
    return result;
}

// The descriptor as the kernel holds it; empty, with the reason in
// `problem`, when it cannot be had.
std::vector<uint8_t> DescriptorFromNode(int fd, std::string* problem = nullptr) {
    int size = 0;
    hidraw_report_descriptor raw{};
    const auto fail = [&](const std::string& why) {
        if (problem != nullptr) {
            *problem = why;
        }
        return std::vector<uint8_t>();
    };
    if (IoctlRetrying(fd, HIDIOCGRDESCSIZE, &size) < 0) {
        return fail(std::string("HIDIOCGRDESCSIZE: ") + std::strerror(errno));
    }
    if (size <= 0 || size > HID_MAX_DESCRIPTOR_SIZE) {
        return fail("the kernel reports a descriptor of " + std::to_string(size) +
                    " bytes, more than HIDIOCGRDESC can give");
    }
    raw.size = static_cast<uint32_t>(size);
    if (IoctlRetrying(fd, HIDIOCGRDESC, &raw) < 0) {
        return fail(std::string("HIDIOCGRDESC: ") + std::strerror(errno));
    }
    return std::vector<uint8_t>(raw.value, raw.value + size);
}

// When sysfs gives no descriptor (too large for the attribute, unreadable),
// the node itself is asked, as Open does; the reason a node is still left out
// goes to the trace instead of vanishing.
void DescriptorFromDevnode(HidrawNodeInfo& info) {
    if (!info.descriptor.empty()) {
        return;
    }
    int fd = -1;
    do {
        fd = ::open(info.devnode.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    std::string problem;
    if (fd < 0) {
        problem = "open " + info.devnode + ": " + std::strerror(errno);
    } else {
        info.descriptor = DescriptorFromNode(fd, &problem);
        ::close(fd);
    }
    if (info.descriptor.empty()) {
        platform::trace::Format("hidraw %s left out: %s; %s", info.node.c_str(),
                                info.descriptorProblem.c_str(), problem.c_str());
    }
}

int AccessFlags(const OpenMode& mode) {
    if (mode.read && mode.write) {
        return O_RDWR;
    }
    return mode.write ? O_WRONLY : O_RDONLY;
}

// Sysnames of the hidraw class as udev knows it.
std::vector<std::string> UdevNodeNames() {
    std::vector<std::string> names;
    udev* context = udev_new();
    if (context == nullptr) {
        return names;
    }
    udev_enumerate* enumerate = udev_enumerate_new(context);
    if (enumerate != nullptr && udev_enumerate_add_match_subsystem(enumerate, "hidraw") >= 0 &&
        udev_enumerate_scan_devices(enumerate) >= 0) {
        udev_list_entry* entry = nullptr;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate)) {
            const char* syspath = udev_list_entry_get_name(entry);
            const char* slash = std::strrchr(syspath, '/');
            names.emplace_back(slash != nullptr ? slash + 1 : syspath);
        }
    }
    if (enumerate != nullptr) {
        udev_enumerate_unref(enumerate);
    }
    udev_unref(context);
    return names;
}

}  // namespace

ReportRouting MakeRouting(const ReportDescriptor& descriptor) {
    ReportRouting routing;
    routing.numbered = descriptor.UsesReportIds();
    routing.collectionCount = static_cast<int>(descriptor.Collections().size());
    for (int id = 0; id < 256; ++id) {
        routing.ownerOfId[id] = static_cast<int16_t>(
            descriptor.CollectionForReport(ReportType::Input, static_cast<uint8_t>(id)));
    }
    return routing;
}

std::vector<CollectionEntry> CollectionsOfNode(const HidrawNodeInfo& info,
                                               const ReportDescriptor& descriptor) {
    std::vector<CollectionEntry> entries;
    const auto& collections = descriptor.Collections();
    for (size_t i = 0; i < collections.size(); ++i) {
        CollectionPathParts parts;
        parts.vendorId = info.vendorId;
        parts.productId = info.productId;
        parts.interfaceNumber = info.interfaceNumber;
        parts.collectionNumber = collections.size() > 1 ? static_cast<uint16_t>(i + 1) : 0;
        CollectionEntry entry;
        entry.path = MakeCollectionPath(info.devnode, parts);
        entry.identity.vendorId = info.vendorId;
        entry.identity.productId = info.productId;
        entry.identity.version = info.version;
        entry.identity.interfaceNumber = info.interfaceNumber.value_or(0);
        entry.identity.collectionNumber = parts.collectionNumber;
        entry.identity.usagePage = collections[i].usagePage;
        entry.identity.usage = collections[i].usage;
        entries.push_back(std::move(entry));
    }
    return entries;
}

LinuxHidBackend::LinuxHidBackend(const LinuxBackendOptions& options)
    : m_options(options), m_sysfs(options.sysRoot, options.devDir) {
    if (options.watchHotplug) {
        m_monitor = std::make_unique<UdevMonitor>();
    }
}

std::vector<std::string> LinuxHidBackend::NodeNames() const {
    return m_options.sysRoot == "/" ? UdevNodeNames() : m_sysfs.ListNodes();
}

bool LinuxHidBackend::Enumerate(std::vector<CollectionEntry>& out) {
    out.clear();
    for (const std::string& node : NodeNames()) {
        HidrawNodeInfo info;
        if (!m_sysfs.Describe(node, info)) {
            continue;  // gone since it was listed, or not a hid device
        }
        DescriptorFromDevnode(info);
        // A node whose descriptor cannot be read or parsed has no collection
        // the program could use; it is left out rather than guessed at.
        const auto descriptor = ReportDescriptor::Parse(info.descriptor);
        if (!descriptor) {
            continue;
        }
        for (auto& entry : CollectionsOfNode(info, *descriptor)) {
            out.push_back(std::move(entry));
        }
    }
    return true;
}

bool LinuxHidBackend::DescribePath(const std::string& path, HidrawNodeInfo& info,
                                   bool withDescriptor, Error& error) const {
    const std::string devnode = NodeOfPath(path);
    const std::string prefix = m_options.devDir + "/";
    const std::string node = devnode.rfind(prefix, 0) == 0 ? devnode.substr(prefix.size()) : "";
    if (node.empty() || !m_sysfs.Describe(node, info, withDescriptor)) {
        error = MakeError(ENODEV, "open " + (devnode.empty() ? path : devnode));
        return false;
    }
    // Node numbers are reused: a path stays valid only for the device it was made for.
    const auto vid = TokenValue(path, "vid_");
    const auto pid = TokenValue(path, "pid_");
    const auto mi = TokenValue(path, "&mi_");
    if (!vid || !pid || *vid != info.vendorId || *pid != info.productId ||
        (mi.has_value() != info.interfaceNumber.has_value()) ||
        (mi && *mi != *info.interfaceNumber)) {
        error = MakeError(ENODEV, "open " + devnode);
        return false;
    }
    return true;
}

std::unique_ptr<HidHandle> LinuxHidBackend::Open(const std::string& path, const OpenMode& mode,
                                                 Error* error) {
    Error failure;
    std::unique_ptr<HidHandle> handle;
    HidrawNodeInfo info;
    if (DescribePath(path, info, mode.read || mode.write, failure)) {
        handle = mode.read || mode.write ? OpenForIo(path, info, mode, failure)
                                         : OpenForPresence(info, failure);
    }
    if (!handle && error != nullptr) {
        *error = failure;
    }
    return handle;
}

std::unique_ptr<HidHandle> LinuxHidBackend::OpenForPresence(const HidrawNodeInfo& info,
                                                            Error& error) const {
    // DescribePath has checked that the node still is this device.
    if (::access(info.devnode.c_str(), F_OK) != 0) {
        error = MakeError(errno, "open " + info.devnode);
        return nullptr;
    }
    HidrawHandleSetup setup;
    setup.devnode = info.devnode;
    setup.identity.vendorId = info.vendorId;
    setup.identity.productId = info.productId;
    setup.identity.version = info.version;
    return std::make_unique<HidrawHandle>(std::move(setup));
}

std::unique_ptr<HidHandle> LinuxHidBackend::OpenForIo(const std::string& path, HidrawNodeInfo& info,
                                                      const OpenMode& mode, Error& error) {
    HidrawHandleSetup setup;
    setup.devnode = info.devnode;
    setup.fd = ::open(info.devnode.c_str(), AccessFlags(mode) | O_NONBLOCK | O_CLOEXEC);
    if (setup.fd < 0) {
        error = MakeError(errno, "open " + info.devnode);
        return nullptr;
    }
    setup.descriptor =
        info.descriptor.empty() ? DescriptorFromNode(setup.fd) : std::move(info.descriptor);
    const auto descriptor = ReportDescriptor::Parse(setup.descriptor);
    const uint16_t number = CollectionNumberOfPath(path);
    const size_t count = descriptor ? descriptor->Collections().size() : 0;
    // Without a collection part the path names the node's only collection.
    if (count == 0 || (number == 0 ? count != 1 : number > count)) {
        ::close(setup.fd);
        error = MakeError(ENODEV, "open " + path);
        return nullptr;
    }
    setup.collectionIndex = number == 0 ? 0 : number - 1;
    setup.identity = CollectionsOfNode(info, *descriptor)[setup.collectionIndex].identity;
    if (mode.read) {
        setup.node = SharedNode(info.devnode, MakeRouting(*descriptor), error);
        if (!setup.node) {
            ::close(setup.fd);
            return nullptr;
        }
    }
    return std::make_unique<HidrawHandle>(std::move(setup));
}

std::shared_ptr<HidrawNode> LinuxHidBackend::SharedNode(const std::string& devnode,
                                                        const ReportRouting& routing,
                                                        Error& error) {
    std::lock_guard<std::mutex> guard(m_nodesLock);
    std::erase_if(m_nodes, [](const auto& entry) { return entry.second.expired(); });
    auto& slot = m_nodes[devnode];
    if (auto node = slot.lock(); node && !node->IsDead()) {
        return node;
    }
    const int fd = ::open(devnode.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = MakeError(errno, "open " + devnode);
        return nullptr;
    }
    auto node = std::make_shared<HidrawNode>(fd, routing);
    slot = node;
    return node;
}

uint64_t LinuxHidBackend::Generation() {
    if (!m_monitor || !m_monitor->IsActive()) {
        return HidBackend::Generation();
    }
    // The first call must differ from the "nothing seen yet" a caller starts with.
    return m_monitor->Poll() + 1;
}

}  // namespace platform::hid::linux_hid

namespace platform::hid {

std::unique_ptr<HidBackend> MakeLinuxBackend(const LinuxBackendOptions& options) {
    LinuxBackendOptions chosen = options;
    const char* hotplug = std::getenv("VELDMARK_HID_HOTPLUG");
    if (hotplug != nullptr && std::string(hotplug) == "0") {
        chosen.watchHotplug = false;
    }
    return std::make_unique<linux_hid::LinuxHidBackend>(chosen);
}

bool IsPermissionDenied(const Error& error) {
    return error.code == EACCES || error.code == EPERM;
}

std::string PermissionAdvice(const Error& error, const std::string& rulesCommand) {
    return "The device is present, but this user may not open it (" + error.context +
           ").\n"
           "Install the udev rules that give the logged-in user access, then unplug and replug "
           "the device:\n"
           "    " +
           rulesCommand + " | sudo tee /etc/udev/rules.d/" + kUdevRulesFile +
           " >/dev/null\n"
           "    sudo udevadm control --reload-rules && sudo udevadm trigger "
           "--subsystem-match=hidraw\n";
}

}  // namespace platform::hid
