#pragma once
// A private data home per test: XDG_DATA_HOME and HOME point into a fresh
// temporary folder, so no test touches the real home folder.

#include <grp.h>
#include <gtest/gtest.h>
#include <json/json.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "profile/json_file.h"

class TempHomeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/veldmark-profile-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_root = pattern;
        ::setenv("XDG_DATA_HOME", (m_root + "/data").c_str(), 1);
        ::setenv("HOME", (m_root + "/home").c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(m_root); }

    std::string Root() const { return m_root + "/"; }

    static void WriteText(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string ReadText(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }
    static Json::Value ReadJson(const std::string& path) { return CJsonFile().Load(path); }
    static void WriteJson(const std::string& path, const Json::Value& value) {
        WriteText(path, CJsonFile::StyledText(value));
    }
    static Json::Value ParseJson(const std::string& text) { return CJsonFile::Parse(text); }

  private:
    std::string m_root;
};

// Runs `body` in a forked child as an ordinary user: as root the child drops
// to "nobody" (65534) first, so that file permissions apply to it. Returns
// the child's exit code (body's result), or -1 when it could not be run.
// The child gets a fresh private folder of its own as `folder` (ending "/").
inline int RunAsOrdinaryUser(const std::function<int(const std::string& folder)>& body) {
    const pid_t child = ::fork();
    if (child < 0) {
        return -1;
    }
    if (child == 0) {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(100);
        }
        char pattern[] = "/tmp/veldmark-user-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) {
            ::_exit(101);
        }
        const std::string folder = std::string(pattern) + "/";
        ::setenv("XDG_DATA_HOME", (folder + "data").c_str(), 1);
        const int code = body(folder);
        std::error_code ignored;
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ignored);
        for (std::filesystem::recursive_directory_iterator
                 it(folder, std::filesystem::directory_options::skip_permission_denied, ignored),
             end;
             it != end; it.increment(ignored)) {
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all, ignored);
        }
        std::filesystem::remove_all(folder, ignored);
        ::_exit(code);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Skips the test when the child could not become an ordinary user.
#define EXPECT_ORDINARY_USER_RUN(code)                                                     \
    do {                                                                                   \
        const int ordinaryUserCode = (code);                                               \
        if (ordinaryUserCode == 100) {                                                     \
            GTEST_SKIP() << "cannot switch to an unprivileged user for a permission test"; \
        }                                                                                  \
        EXPECT_EQ(ordinaryUserCode, 0) << "see the child's lines on stderr";               \
    } while (false)

// For bodies run by RunAsOrdinaryUser: a failed check prints its line and
// ends the body with that line number as its result.
#define CHILD_CHECK(condition)                                                          \
    do {                                                                                \
        if (!(condition)) {                                                             \
            std::fprintf(stderr, "%s:%d: child check failed: %s\n", __FILE__, __LINE__, \
                         #condition);                                                   \
            return __LINE__ % 90 + 1;                                                   \
        }                                                                               \
    } while (false)
