// The configuration loader on arbitrary files: whatever the bytes, it must read them to the
// end and leave tables whose slots a log view can use as they are.

#include "FuzzSupport.h"

#include "core/ByteText.h"
#include "core/LevelConfig.h"

namespace {

bool Untouched(const LevelType& type) {
    return type.name.empty() && type.value.empty() && type.keywords.empty();
}

bool Untouched(const LevelSlot& slot) {
    return slot.name.empty() && slot.colourIndex == 0 && slot.levelIndex == -1;
}

bool Inside(std::string_view input, std::string_view text) {
    return text.empty() || input.find(text) != std::string_view::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::InputFile file;
    const std::string_view input = fuzz::AsText(data, size);

    LevelTables tables;
    FUZZ_CHECK(LoadLevelConfiguration(file.Write({input}), tables));
    // Only a LOAD_STATUS line sets the switch.
    if (input.find("LOAD_STATUS") == std::string_view::npos)
        FUZZ_CHECK(tables.loadStatus == 0);

    // The closed levels come first; the entry after them may be half filled, any later one
    // is never reached.
    size_t closed = 0;
    while (closed < kLevelCount && !Untouched(tables.levelSlots[closed]))
        ++closed;
    for (size_t k = 0; k < kLevelCount; ++k) {
        const LevelType& type = tables.levelTypes[k];
        const LevelSlot& slot = tables.levelSlots[k];
        if (k < closed) {
            FUZZ_CHECK(slot.levelIndex == static_cast<int32_t>(k));
            // The slot refers to the table's own name, which nothing changed after it closed.
            FUZZ_CHECK(slot.name.data() == type.name.data() && slot.name.size() == type.name.size());
            FUZZ_CHECK(slot.colourIndex == bytetext::Atoi(type.value));
        } else {
            FUZZ_CHECK(Untouched(slot));
            if (k > closed)
                FUZZ_CHECK(Untouched(type));
        }

        // Every text comes from one line of the file, cut at the first ':' for a name,
        // trimmed on the left (names and values) or on both sides (keywords).
        FUZZ_CHECK(type.name.find(':') == std::string::npos);
        FUZZ_CHECK(bytetext::TrimLeft(type.name).size() == type.name.size());
        FUZZ_CHECK(bytetext::TrimLeft(type.value).size() == type.value.size());
        FUZZ_CHECK(type.name.find('\n') == std::string::npos && type.value.find('\n') == std::string::npos);
        FUZZ_CHECK(Inside(input, type.name) && Inside(input, type.value));
        for (const std::string& keyword : type.keywords) {
            FUZZ_CHECK(!keyword.empty() && bytetext::Trim(keyword).size() == keyword.size());
            FUZZ_CHECK(keyword.find(',') == std::string::npos && keyword.find('\n') == std::string::npos);
            FUZZ_CHECK(Inside(input, keyword));
        }
    }
    return 0;
}
