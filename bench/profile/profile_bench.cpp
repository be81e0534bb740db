// Cost of the profile files: loading and saving the keyboard document (the
// largest), and the file work of a profile switch.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "profile/json_file.h"
#include "profile/keyboard_profile.h"
#include "profile/profile_list.h"
#include "profile/profile_paths.h"
#include "profile/user_file.h"

namespace {

// A private data home for one benchmark, removed afterwards.
// `base` is /tmp (the disk) or /dev/shm (memory, where a flush costs nothing).
class BenchHome {
  public:
    explicit BenchHome(const std::string& base = "/tmp") {
        std::string pattern = base + "/veldmark-bench-XXXXXX";
        m_root = ::mkdtemp(pattern.data()) != nullptr ? pattern : "/tmp";
        ::setenv("XDG_DATA_HOME", m_root.c_str(), 1);
        if (::getenv("VELDMARK_DATA_DIR") == nullptr) {
            ::setenv("VELDMARK_DATA_DIR", VELDMARK_SOURCE_DATA, 1);
        }
    }
    ~BenchHome() { std::filesystem::remove_all(m_root); }

  private:
    std::string m_root;
};

void ReadKeyboardSections(CKeyboardProfiledata& document) {
    benchmark::DoNotOptimize(document.ReadKeyList());
    benchmark::DoNotOptimize(document.ReadLightInfo());
    benchmark::DoNotOptimize(document.ReadLightList());
    benchmark::DoNotOptimize(document.ReadSystemStages());
    benchmark::DoNotOptimize(document.ReadCustomColors(document.ReadCustomGroupIndex(), 126));
}

void LoadSaveKeyboard(benchmark::State& state, const std::string& base) {
    BenchHome home(base);
    const std::string folder = profile::ProfileFolder("keyboard");
    const std::string path = folder + "bench.Json";
    CKeyboardProfiledata document;
    document.SetDefaultPath(profile::DefaultDocument("keyboard"));
    document.SetProfilePath(path);
    document.Load(path);  // creates the profile from the default document
    for (auto _ : state) {
        document.Load(path);
        ReadKeyboardSections(document);
        LightInfoRecord light = document.GetLightInfo();
        light.red = static_cast<uint8_t>(light.red + 1);
        document.WriteLightInfo(light);
        if (document.Save() != 0) {
            state.SkipWithError("save failed");
            break;
        }
    }
}

void BM_ProfileDocument_LoadSaveKeyboard(benchmark::State& state) {
    LoadSaveKeyboard(state, "/tmp");
}
BENCHMARK(BM_ProfileDocument_LoadSaveKeyboard)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The largest document the program accepts: the keyboard's default document
// with custom colour groups added until one more would pass the cap.
std::string WriteLargestKeyboardDocument(const std::string& path) {
    Json::Value document = CJsonFile().Load(profile::DefaultDocument("keyboard"));
    Json::Value& groups = document["Device"][0]["CustomLightMode"]["LightColorInfo"];
    const Json::Value group = groups[0];
    std::string text = CJsonFile::StyledText(document);
    for (;;) {
        groups.append(group);
        std::string bigger = CJsonFile::StyledText(document);
        if (bigger.size() > profile::kDocumentCap) {
            groups.resize(groups.size() - 1);
            break;
        }
        text = std::move(bigger);
    }
    profile::WriteUserFile(path, text);
    return text;
}

void BM_ProfileDocument_LoadLargestAllowed(benchmark::State& state) {
    BenchHome home;
    const std::string path = profile::ProfileFolder("keyboard") + "2020_01_01_00_00_00_000.Json";
    const std::string text = WriteLargestKeyboardDocument(path);
    CKeyboardProfiledata document;
    document.SetDefaultPath(profile::DefaultDocument("keyboard"));
    document.SetProfilePath(path);
    for (auto _ : state) {
        if (document.Load(path).isNull()) {
            state.SkipWithError("load failed");
            break;
        }
        ReadKeyboardSections(document);
    }
    state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_ProfileDocument_LoadLargestAllowed)->Unit(benchmark::kMillisecond);

// One edit saved: the folder lock, the check for another writer, the styled
// text and the flushed, renamed file.
void BM_ProfileDocument_SaveLargestAllowed(benchmark::State& state) {
    BenchHome home;
    const std::string path = profile::ProfileFolder("keyboard") + "2020_01_01_00_00_00_000.Json";
    const std::string text = WriteLargestKeyboardDocument(path);
    CKeyboardProfiledata document;
    document.SetDefaultPath(profile::DefaultDocument("keyboard"));
    document.SetProfilePath(path);
    document.Load(path);
    for (auto _ : state) {
        LightInfoRecord light = document.ReadLightInfo();
        light.red = static_cast<uint8_t>(light.red + 1);
        document.WriteLightInfo(light);
        if (document.Save() != 0) {
            state.SkipWithError("save failed");
            break;
        }
    }
    state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_ProfileDocument_SaveLargestAllowed)->Unit(benchmark::kMillisecond);

// The same without the cost of the disk flush: the JSON work and system calls.
void BM_ProfileDocument_LoadSaveKeyboardInMemory(benchmark::State& state) {
    LoadSaveKeyboard(state, "/dev/shm");
}
BENCHMARK(BM_ProfileDocument_LoadSaveKeyboardInMemory)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_ProfileDocument_ParseAndStyleKeyboard(benchmark::State& state) {
    BenchHome home;
    const std::string text = CJsonFile().ReadText(profile::DefaultDocument("keyboard"));
    for (auto _ : state) {
        const Json::Value document = CJsonFile::Parse(text);
        benchmark::DoNotOptimize(CJsonFile::StyledText(document));
    }
}
BENCHMARK(BM_ProfileDocument_ParseAndStyleKeyboard)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// What a switch between two keyboard profiles does with files: the list is
// re-read and written with the new selection, then the profile is loaded and
// its sections read.
void BM_ProfileList_SwitchKeyboardProfile(benchmark::State& state) {
    BenchHome home;
    profile::ProfileList list;
    list.SetPaths(profile::ProfileFolder("keyboard"), profile::DefaultDocument("keyboard"));
    list.SetDeviceKind(1);
    list.InitProfiles();
    list.AddProfile();
    CKeyboardProfiledata document;
    document.SetDefaultPath(profile::DefaultDocument("keyboard"));
    int next = 0;
    for (auto _ : state) {
        if (!list.SelectProfile(next).Ok()) {
            state.SkipWithError("select failed");
            break;
        }
        document.SetProfilePath(list.DocumentPath(list.GetSelectedId()));
        document.Load(document.GetProfilePath());
        ReadKeyboardSections(document);
        next = 1 - next;
    }
}
BENCHMARK(BM_ProfileList_SwitchKeyboardProfile)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
