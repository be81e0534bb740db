#include "tools/ctl_udev.h"

#include <ostream>

#include "device/catalogue.h"
#include "device/hid_identity.h"
#include "platform/hid/linux/linux_backend.h"
#include "platform/hid/linux/udev_rules.h"
#include "tools/backend_choice.h"

std::string CatalogueUdevRules() {
    std::vector<platform::hid::UdevRuleDevice> devices;
    for (const device::InterfaceRecord& row : device::InterfaceCatalogue()) {
        devices.push_back({row.vendorId, row.productId, device::KindName(row.kind)});
    }
    return platform::hid::FormatUdevRules(devices);
}

std::string DevicePermissionAdvice(const platform::hid::Error& error) {
    return platform::hid::PermissionAdvice(error, "veldmarkctl udev-rules");
}

bool ExplainInaccessibleDevices(platform::hid::HidBackend& backend, std::ostream& err) {
    std::vector<platform::hid::CollectionEntry> entries;
    if (!backend.Enumerate(entries)) {
        return false;
    }
    for (const platform::hid::CollectionEntry& entry : entries) {
        device::InterfaceRecord identity = device::ParsePathIdentity(entry.path);
        identity.usagePage = entry.identity.usagePage;
        identity.usage = entry.identity.usage;
        if (device::FindInterfaceRow(identity, device::RowMatch::Collection) < 0) {
            continue;
        }
        platform::hid::Error error;
        const platform::hid::OpenMode read{true, false, true, false};
        if (!backend.Open(entry.path, read, &error) && platform::hid::IsPermissionDenied(error)) {
            err << DevicePermissionAdvice(error);
            return true;
        }
    }
    return false;
}

int RunUdevRulesCommand(const std::vector<std::string>& args, std::ostream& out,
                        std::ostream& err) {
    if (!args.empty()) {
        err << "veldmarkctl udev-rules: takes no arguments\n";
        return 2;
    }
    for (const std::string& refused : CurrentMouseIdentity().refused) {
        err << "veldmarkctl udev-rules: not used: " << refused << '\n';
    }
    out << CatalogueUdevRules();
    return 0;
}
