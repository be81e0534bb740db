#pragma once
// The custom light effects of a profile folder: the light store
// ("orvix_light.config": "LightInfo", one array of { "LightName", "Guid" } per
// device family's type code) and one step file Guid + ".light" per effect
// ("LEDEffectList": the steps, in order), both in the profile folder.
//
// - CheckEffectFile: whether the bytes of a step file can be played as they
//   stand: a JSON object whose "LEDEffectList" holds 1 to kMaxEffectSteps
//   objects, each with the ten step keys as integers in their ranges. A
//   refusal names the line of the file and the reason.
// - ListLightEffects: a family's effects as the store lists them (reading
//   only).
// - ImportLightEffect: a checked step file becomes the family's next effect.
//   Under the folder's lock the step file is created under a fresh
//   identifier and the store rewritten with the new entry, through the user
//   file helper; when either write fails nothing is left behind, and a store
//   that cannot be read or is damaged is refused, never replaced.
//
// Threads: any; the folder lock serialises writers across processes.

#include <json/json.h>

#include <cstddef>
#include <string>
#include <vector>

namespace profile {

inline constexpr const char* kLightStoreFile = "orvix_light.config";
inline constexpr std::size_t kMaxEffectSteps = 256;
inline constexpr int kMinStepMs = 1;
inline constexpr int kMaxStepMs = 60000;
// Longest effect name taken, in bytes.
inline constexpr std::size_t kMaxEffectNameBytes = 64;

struct EffectFileCheck {
    bool ok = false;
    int line = 0;        // line of the file the refusal is about (1-based; 0: the whole file)
    std::string reason;  // empty when ok
    Json::Value steps;   // ok: the "LEDEffectList" array, only the ten keys of each step

    // "line 7: LEDSpeed is 9, not 0-4" or the reason alone without a line.
    std::string Describe() const;
};

EffectFileCheck CheckEffectFile(const std::string& bytes);

struct LightEffectEntry {
    std::string name;
    std::string guid;
    int steps = -1;  // steps of its file; -1 when the file is missing, unsafe or damaged
};

struct EffectListing {
    bool ok = false;
    std::string reason;  // why the store could not be read
    std::vector<LightEffectEntry> effects;
};

// The effects of type code `typeCode` listed in `folder` (ending with "/").
// A missing store lists none and is ok.
EffectListing ListLightEffects(const std::string& folder, int typeCode);

struct EffectImport {
    bool ok = false;
    std::string reason;  // the refusal, for the user
    std::string guid;    // ok: the new effect's identifier
    int position = -1;   // ok: its position in the family's list
};

// Adds the step file at `path` as effect `name` of `typeCode` in `folder`.
// `maxEffects` is how many effects the family's mode numbers can reach.
EffectImport ImportLightEffect(const std::string& folder, int typeCode, const std::string& path,
                               const std::string& name, int maxEffects);

}  // namespace profile
