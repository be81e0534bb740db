// Two processes on one profile folder at the same time: the command-line
// tool's code and the app's list and document code.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "profile/mouse_profile.h"
#include "profile/profile_list.h"
#include "profile/profile_paths.h"
#include "tests/profile/profile_test_support.h"
#include "tools/ctl_profile.h"

namespace {

using SharedFolder = TempHomeTest;

constexpr int kOperations = 50;

// The command-line tool: copies and renames. Exit code: profiles created.
int ToolProcess() {
    int created = 0;
    for (int i = 0; i < kOperations; ++i) {
        std::ostringstream out;
        std::ostringstream err;
        const std::vector<std::string> args =
            i % 2 == 0 ? std::vector<std::string>{"copy", "mouse"}
                       : std::vector<std::string>{"rename", "mouse", "Tool " + std::to_string(i)};
        const int code = RunProfileCommand(args, out, err);
        created += i % 2 == 0 && code == 0 ? 1 : 0;
    }
    return created;
}

// The app: copies, and edits and saves the selected profile's document.
int AppProcess(const std::string& folder, const std::string& defaults) {
    profile::ProfileList list;
    list.SetPaths(folder, defaults);
    list.SetDeviceKind(2);
    CMouseProfiledata document;
    document.SetDefaultPath(defaults);
    int created = 0;
    for (int i = 0; i < kOperations; ++i) {
        if (i % 2 == 0) {
            created += list.CopyProfile().Ok() ? 1 : 0;
            continue;
        }
        if (!list.InitProfiles().Ok() || list.GetSelectedId().empty()) {
            continue;
        }
        const std::string path = folder + list.GetSelectedId() + ".Json";
        document.SetProfilePath(path);
        document.Load(path);
        document.WriteActiveStage(i % 5);
        document.Save();
    }
    return created;
}

pid_t Start(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(body());
    }
    return child;
}

int Finish(pid_t child) {
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(SharedFolder, TwoProcessesLoseNoProfileAndLeaveEveryDocumentWhole) {
    const std::string folder = profile::ProfileFolder("mouse");
    const std::string defaults = profile::DefaultDocument("mouse");
    profile::ProfileList first;
    first.SetPaths(folder, defaults);
    ASSERT_TRUE(first.InitProfiles().Ok());

    const pid_t tool = Start(ToolProcess);
    const pid_t app = Start([&] { return AppProcess(folder, defaults); });
    const int toolCreated = Finish(tool);
    const int appCreated = Finish(app);
    ASSERT_GE(toolCreated, 0);
    ASSERT_GE(appCreated, 0);
    EXPECT_EQ(toolCreated, kOperations / 2);
    EXPECT_EQ(appCreated, kOperations / 2);

    profile::ProfileList list;
    list.SetPaths(folder, defaults);
    ASSERT_TRUE(list.ReadOnly().Ok());
    EXPECT_EQ(list.GetEntries().size(), static_cast<size_t>(1 + toolCreated + appCreated));

    std::map<std::string, int> listed;
    for (const auto& entry : list.GetEntries()) {
        ++listed[entry.uuid];
        const Json::Value document = ReadJson(list.DocumentPath(entry.uuid));
        ASSERT_TRUE(document.isObject()) << entry.uuid << " does not parse";
        EXPECT_EQ(document["profileUUID"].asString(), entry.uuid);
        EXPECT_EQ(document["profilename"].asString(), entry.name);
        EXPECT_TRUE(document["Device"][0].isObject()) << entry.uuid;
    }
    for (const auto& file : std::filesystem::directory_iterator(folder)) {
        const std::string name = file.path().filename().string();
        if (file.path().extension() == ".Json") {
            EXPECT_EQ(listed[file.path().stem().string()], 1) << name << " listed once";
        } else {
            EXPECT_TRUE(name == "ProfileList.ini" || name == profile::kLockFileName) << name;
        }
    }
}

}  // namespace
