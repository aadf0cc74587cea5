#include "core/LevelConfig.h"

#include <cstring>

#include "core/LevelMatcher.h"
#include "core/LineFile.h"

using bytetext::Atoi;
using bytetext::Trim;
using bytetext::TrimLeft;

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// A keyword is taken only when a comma follows it; the text after the last comma is dropped.
void AddKeywords(std::string_view line, std::vector<std::string>& keywords) {
    for (size_t comma = line.find(','); comma != std::string_view::npos; comma = line.find(',')) {
        const std::string_view field = Trim(line.substr(0, comma));
        if (!field.empty())
            keywords.emplace_back(field);
        line.remove_prefix(comma + 1);
    }
}

} // namespace

bool LoadLevelConfiguration(const std::string& path, LevelTables& tables, std::string* error) {
    CLineFile file;
    if (!file.Open(path, CLineFile::modeRead | CLineFile::typeText, error))
        return false;

    try {
        size_t i = 0; // entries closed so far, and the entry being filled
        std::string_view piece;
        while (file.ReadPiece(piece)) {
            const std::string_view line = Trim(piece);
            if (StartsWith(line, "@") || StartsWith(line, "{") || line.empty())
                continue;
            if (line.find("LOAD_STATUS") != std::string_view::npos) {
                const size_t eq = line.find('=');
                tables.loadStatus = Atoi(Trim(eq == std::string_view::npos ? line : line.substr(eq + 1)));
                continue;
            }
            if (StartsWith(line, "}")) {
                if (i == kLevelCount)
                    break;
                const LevelType& entry = tables.levelTypes[i];
                tables.levelSlots[i] = LevelSlot{entry.name, Atoi(entry.value), static_cast<int32_t>(i)};
                ++i;
                continue;
            }
            if (i == kLevelCount)
                break;
            LevelType& entry = tables.levelTypes[i];
            const size_t colon = line.find(':');
            if (StartsWith(line, "$Type") && colon != std::string_view::npos) {
                // Leading blanks go, trailing ones stay: "$Type  WARN :14" names "WARN ".
                entry.name = TrimLeft(line.substr(5, colon - 5));
                entry.value = TrimLeft(line.substr(colon + 1));
                continue;
            }
            AddKeywords(line, entry.keywords);
        }
    } catch (const CFileException& e) {
        if (error)
            *error = path + ": " + std::strerror(e.OsError());
        return false;
    }
    return true;
}

LevelTables& GlobalLevelTables() {
    static LevelTables tables;
    return tables;
}

LevelTypeTable& g_levelTypes = GlobalLevelTables().levelTypes;
LevelSlotTable& g_levelSlots = GlobalLevelTables().levelSlots;
int32_t& g_loadStatus = GlobalLevelTables().loadStatus;

int ClassifyLine(const LevelSlotTable& slots, std::string_view text) {
    return LevelMatcher(slots).Classify(text);
}
