// Recoil pattern documents from arbitrary bytes: reading every bullet never
// fails, and a bullet written into any pattern document reads back as
// written while the document stays a pattern document. Works from memory.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "mouse/shoot_pattern_file.h"
#include "profile/json_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 6) {
        return 0;
    }
    // The first bytes choose the bullet written and its values.
    const int index = data[0] % 30;
    mouse::Bullet bullet;
    bullet.left = (data[1] & 1) != 0;
    bullet.up = (data[1] & 2) != 0;
    bullet.x = static_cast<int8_t>(data[2]) * 1000;
    bullet.y = data[3];
    bullet.delay = data[4] << 8 | data[5];
    const std::string text(reinterpret_cast<const char*>(data + 6), size - 6);

    bool parsed = false;
    Json::Value document = CJsonFile::Parse(text, &parsed);
    const bool pattern = parsed && mouse::IsPatternDocument(document);
    for (int b = 0; b < 30; ++b) {
        (void)mouse::ReadBullet(document, b);
    }
    if (!pattern) {
        document = Json::Value(Json::objectValue);
    }
    mouse::WriteBullet(document, index, bullet);
    if (!mouse::IsPatternDocument(document) || !(mouse::ReadBullet(document, index) == bullet)) {
        std::abort();
    }
    // The styled text the editor writes parses back to the same bullet.
    const Json::Value again = CJsonFile::Parse(CJsonFile::StyledText(document), &parsed);
    if (!parsed || !(mouse::ReadBullet(again, index) == bullet)) {
        std::abort();
    }
    return 0;
}
