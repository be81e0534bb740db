#pragma once
// HidBackend over hidraw. Enumeration lists every top-level collection of every
// hidraw node with the identity sysfs and the report descriptor give; Open
// hands out handles that share one reader per node (see hidraw_node.h).

#include <map>
#include <memory>
#include <mutex>

#include "platform/hid/hid_backend.h"
#include "platform/hid/linux/hidraw_node.h"
#include "platform/hid/linux/linux_backend.h"
#include "platform/hid/linux/sysfs_hidraw.h"
#include "platform/hid/linux/udev_monitor.h"
#include "platform/hid/report_descriptor.h"

namespace platform::hid::linux_hid {

// The routing table of an interface: which collection owns each input report ID.
ReportRouting MakeRouting(const ReportDescriptor& descriptor);

// The collections of one described node, with their paths and identities, in
// descriptor order.
std::vector<CollectionEntry> CollectionsOfNode(const HidrawNodeInfo& info,
                                               const ReportDescriptor& descriptor);

class LinuxHidBackend final : public HidBackend {
  public:
    explicit LinuxHidBackend(const LinuxBackendOptions& options);

    bool Enumerate(std::vector<CollectionEntry>& out) override;
    std::unique_ptr<HidHandle> Open(const std::string& path, const OpenMode& mode,
                                    Error* error) override;
    uint64_t Generation() override;
    std::string Name() const override { return "linux"; }

  private:
    std::vector<std::string> NodeNames() const;
    // Describes the node a collection path names and checks that it still is
    // the device the path was made for.
    bool DescribePath(const std::string& path, HidrawNodeInfo& info, bool withDescriptor,
                      Error& error) const;
    std::unique_ptr<HidHandle> OpenForPresence(const HidrawNodeInfo& info, Error& error) const;
    std::unique_ptr<HidHandle> OpenForIo(const std::string& path, HidrawNodeInfo& info,
                                         const OpenMode& mode, Error& error);
    std::shared_ptr<HidrawNode> SharedNode(const std::string& devnode, const ReportRouting& routing,
                                           Error& error);

    LinuxBackendOptions m_options;
    SysfsHidraw m_sysfs;
    std::unique_ptr<UdevMonitor> m_monitor;
    std::mutex m_nodesLock;
    std::map<std::string, std::weak_ptr<HidrawNode>> m_nodes;
};

}  // namespace platform::hid::linux_hid
