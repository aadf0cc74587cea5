// The level table: up to ten log levels read once from "quorvix.ini" at start-up.
//
// The tables are filled on the GUI thread before any log is opened and are
// read-only afterwards, so every thread may read them without locking.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/ByteText.h"

inline constexpr int kLevelCount = 10;

// One level as written in the configuration file.
struct LevelType {
    std::string name;                  // marker text that identifies the level in a line
    std::string value;                 // colour index as written
    std::vector<std::string> keywords; // Analyze keywords, trimmed, in file order, duplicates kept
};

// The compact per-level record each log view copies. `name` refers to the name of the
// level table entry it was closed from; the table never changes after loading, so the
// reference stays valid until exit. A slot never closed is (empty, 0, -1) and matches nothing.
struct LevelSlot {
    std::string_view name;
    int32_t colourIndex = 0;
    int32_t levelIndex = -1;
};

using LevelTypeTable = std::array<LevelType, kLevelCount>;
using LevelSlotTable = std::array<LevelSlot, kLevelCount>;

// The level of a log line: the lowest-numbered slot whose name first occurs in `text` at
// a position after its first byte, or -1. Case-sensitive, on bytes. Slots are read only,
// so a reader may classify with a copy on its own thread. Each call builds a LevelMatcher;
// whoever classifies many lines keeps one.
int ClassifyLine(const LevelSlotTable& slots, std::string_view text);

// Everything one configuration file yields. The process-wide tables below are one
// instance of it; tests parse into instances of their own.
struct LevelTables {
    LevelTables() = default;
    // Slots refer into `levelTypes`, so a copy would point into the original.
    LevelTables(const LevelTables&) = delete;
    LevelTables& operator=(const LevelTables&) = delete;

    LevelTypeTable levelTypes;
    LevelSlotTable levelSlots;
    int32_t loadStatus = 0;
};

// Reads the configuration file at `path` into `tables` (which should start in their
// initial state). Returns true when the file was read to its end or to the ten-entry
// limit, false when it cannot be opened or a read fails; what was filled before a
// failing read stays; `error`, when given, then gets the path and the system's reason.
// Never shows anything.
bool LoadLevelConfiguration(const std::string& path, LevelTables& tables, std::string* error = nullptr);

// The process-wide tables. Written once by CQuorvixApp::LoadConfiguration.
extern LevelTypeTable& g_levelTypes;
extern LevelSlotTable& g_levelSlots;
extern int32_t& g_loadStatus;
LevelTables& GlobalLevelTables();
