#pragma once
// A private data home per test: XDG_DATA_HOME and HOME point into a fresh
// temporary folder, so no test touches the real home folder.

#include <gtest/gtest.h>
#include <json/json.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
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
