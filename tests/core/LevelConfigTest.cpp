#include <gtest/gtest.h>

#include <string>

#include "core/LevelConfig.h"
#include "support/TempDir.h"

namespace {

class LevelConfigTest : public testing::Test {
protected:
    // Loads `text` as a configuration file into the fixture's own tables.
    bool Load(std::string_view text) {
        return LoadLevelConfiguration(dir.Write("quorvix.ini", text), tables);
    }

    static std::vector<std::string> Keywords(std::initializer_list<const char*> words) {
        return std::vector<std::string>(words.begin(), words.end());
    }

    TempDir dir;
    LevelTables tables;
};

TEST_F(LevelConfigTest, WorkedExampleGivesTheTablesItStates) {
    ASSERT_TRUE(Load("@ levels for the gateway logs\n"
                     "LOAD_STATUS = 1\n"
                     "{\n"
                     "$Type ERROR:12\n"
                     "fatal, timeout,\n"
                     "crash\n"
                     "}\n"
                     "{\n"
                     "$Type  WARN :14\n"
                     "retry,,\n"
                     "}\n"
                     "$Type INFO:2\n"
                     "heartbeat,\n"));
    EXPECT_EQ(tables.loadStatus, 1);

    EXPECT_EQ(tables.levelTypes[0].name, "ERROR");
    EXPECT_EQ(tables.levelTypes[0].value, "12");
    EXPECT_EQ(tables.levelTypes[0].keywords, Keywords({"fatal", "timeout"}));
    EXPECT_EQ(tables.levelSlots[0].name, "ERROR");
    EXPECT_EQ(tables.levelSlots[0].colourIndex, 12);
    EXPECT_EQ(tables.levelSlots[0].levelIndex, 0);

    EXPECT_EQ(tables.levelTypes[1].name, "WARN "); // trailing blank kept
    EXPECT_EQ(tables.levelTypes[1].keywords, Keywords({"retry"}));
    EXPECT_EQ(tables.levelSlots[1].name, "WARN ");
    EXPECT_EQ(tables.levelSlots[1].colourIndex, 14);
    EXPECT_EQ(tables.levelSlots[1].levelIndex, 1);

    // Entry 2 was filled but never closed: its slot stays in the initial state.
    EXPECT_EQ(tables.levelTypes[2].name, "INFO");
    EXPECT_EQ(tables.levelTypes[2].keywords, Keywords({"heartbeat"}));
    for (size_t k = 2; k < kLevelCount; ++k) {
        EXPECT_TRUE(tables.levelSlots[k].name.empty()) << k;
        EXPECT_EQ(tables.levelSlots[k].colourIndex, 0) << k;
        EXPECT_EQ(tables.levelSlots[k].levelIndex, -1) << k;
    }
    // The slot refers to the table's own name, not a copy.
    EXPECT_EQ(tables.levelSlots[0].name.data(), tables.levelTypes[0].name.data());
}

TEST_F(LevelConfigTest, EmptyAndMissingFiles) {
    ASSERT_TRUE(Load(""));
    EXPECT_EQ(tables.loadStatus, 0);
    for (size_t k = 0; k < kLevelCount; ++k) {
        EXPECT_TRUE(tables.levelTypes[k].name.empty());
        EXPECT_TRUE(tables.levelTypes[k].keywords.empty());
        EXPECT_EQ(tables.levelSlots[k].levelIndex, -1);
    }
    LevelTables other;
    std::string error;
    EXPECT_FALSE(LoadLevelConfiguration(dir.File("absent.ini"), other, &error));
    // The failure names the file and the system's reason, for the start-up message.
    EXPECT_EQ(error, dir.File("absent.ini") + ": No such file or directory");
    // A directory cannot be read as a configuration.
    EXPECT_FALSE(LoadLevelConfiguration(dir.Path(), other, &error));
    EXPECT_EQ(error, dir.Path() + ": Is a directory");
}

TEST_F(LevelConfigTest, LoadStatusForms) {
    ASSERT_TRUE(Load("LOAD_STATUS\n"));
    EXPECT_EQ(tables.loadStatus, 0);

    LevelTables two;
    ASSERT_TRUE(LoadLevelConfiguration(dir.Write("b.ini", "LOAD_STATUS=2\n"), two));
    EXPECT_EQ(two.loadStatus, 2);

    LevelTables later;
    ASSERT_TRUE(LoadLevelConfiguration(dir.Write("c.ini", "LOAD_STATUS=2\n$Type A:1\n}\nLOAD_STATUS = 5 x\n"),
                                       later));
    EXPECT_EQ(later.loadStatus, 5); // the later line wins

    // A closing brace that also holds LOAD_STATUS sets the switch and closes nothing.
    LevelTables brace;
    ASSERT_TRUE(LoadLevelConfiguration(dir.Write("d.ini", "$Type A:1\n} LOAD_STATUS=1\n"), brace));
    EXPECT_EQ(brace.loadStatus, 1);
    EXPECT_EQ(brace.levelSlots[0].levelIndex, -1);

    // Honoured even after the ten-entry limit was reached.
    std::string ten;
    for (int k = 0; k < 10; ++k)
        ten += "$Type L" + std::to_string(k) + ":1\n}\n";
    LevelTables full;
    ASSERT_TRUE(LoadLevelConfiguration(dir.Write("e.ini", ten + "LOAD_STATUS=3\n"), full));
    EXPECT_EQ(full.loadStatus, 3);
}

TEST_F(LevelConfigTest, TypeLinesAndKeywordLines) {
    ASSERT_TRUE(Load("$Type:7\n" // colon right after $Type: empty name
                     "}\n"
                     "$Type NOCOLON\n" // no colon: a keyword line without a comma, stores nothing
                     "lonely\n"        // one keyword, no comma: nothing
                     ", a,, b ,\n"     // a and b
                     "$Type FIRST:1\n"
                     "$Type SECOND:  4x\n" // the last $Type line of an entry wins
                     "}\n"
                     "}\n")); // a brace with no $Type closes an empty entry
    EXPECT_EQ(tables.levelTypes[0].name, "");
    EXPECT_EQ(tables.levelSlots[0].name, "");
    EXPECT_EQ(tables.levelSlots[0].colourIndex, 7);
    EXPECT_EQ(tables.levelSlots[0].levelIndex, 0);

    EXPECT_EQ(tables.levelTypes[1].name, "SECOND");
    EXPECT_EQ(tables.levelTypes[1].value, "4x");
    EXPECT_EQ(tables.levelTypes[1].keywords, Keywords({"a", "b"}));
    EXPECT_EQ(tables.levelSlots[1].colourIndex, 4);

    EXPECT_EQ(tables.levelSlots[2].levelIndex, 2);
    EXPECT_EQ(tables.levelSlots[2].name, "");
    EXPECT_EQ(tables.levelSlots[2].colourIndex, 0);
}

TEST_F(LevelConfigTest, IndentationCommentsAndBracesAreIgnored) {
    ASSERT_TRUE(Load("   @ comment\n"
                     "\t{\n"
                     "  \t$Type ERR:10\r\n"
                     "\t  boom, bang,\r\n"
                     "   }   \n"
                     "@ $Type HIDDEN:1\n"));
    EXPECT_EQ(tables.levelTypes[0].name, "ERR");
    EXPECT_EQ(tables.levelTypes[0].keywords, Keywords({"boom", "bang"}));
    EXPECT_EQ(tables.levelSlots[0].colourIndex, 10);
    EXPECT_EQ(tables.levelSlots[1].levelIndex, -1);
}

TEST_F(LevelConfigTest, TheEleventhEntryEndsReading) {
    std::string text;
    for (int k = 0; k < 11; ++k) {
        text.append("$Type L").append(std::to_string(k)).append(":").append(std::to_string(k));
        text.append("\nkw").append(std::to_string(k)).append(",\n}\n");
    }
    ASSERT_TRUE(Load(text));
    for (size_t k = 0; k < kLevelCount; ++k) {
        EXPECT_EQ(tables.levelSlots[k].levelIndex, static_cast<int32_t>(k));
        EXPECT_EQ(tables.levelSlots[k].name, std::string("L").append(std::to_string(k)));
    }
    // Nothing of the eleventh entry went anywhere.
    EXPECT_EQ(tables.levelTypes[9].keywords, Keywords({"kw9"}));
}

TEST_F(LevelConfigTest, LongLinesAndOddBytes) {
    // A line longer than 1023 bytes is read as two lines: the keyword line is cut after
    // 1023 bytes and its second piece is a line of its own.
    const std::string first = "k1, " + std::string(1019, 'x'); // 1023 bytes, no comma after the x's
    ASSERT_TRUE(Load("$Type A:1\n" + first + "tail, k2,\n}\n"));
    EXPECT_EQ(tables.levelTypes[0].keywords, Keywords({"k1", "tail", "k2"}));

    // NUL bytes and invalid UTF-8 are just bytes.
    LevelTables odd;
    const std::string text = std::string("$Type E\0R:3\n\xff\xfe, \x80,\n}\n", 21);
    ASSERT_TRUE(LoadLevelConfiguration(dir.Write("odd.ini", text), odd));
    EXPECT_EQ(odd.levelTypes[0].name, std::string("E\0R", 3));
    EXPECT_EQ(odd.levelTypes[0].keywords, Keywords({"\xff\xfe", "\x80"}));
    EXPECT_EQ(odd.levelSlots[0].colourIndex, 3);
}

// The configuration installed for every user of a machine (data/quorvix.ini).
TEST_F(LevelConfigTest, TheInstalledConfigurationGivesEveryLevelLinesOfItsOwn) {
    std::string error;
    ASSERT_TRUE(LoadLevelConfiguration(QUORVIX_DATA_DIR "/quorvix.ini", tables, &error)) << error;
    EXPECT_EQ(tables.loadStatus, 1);

    const std::vector<std::string> names{"EMERG", "FATAL",  "CRITICAL", "ERROR", "WARNING",
                                         "WARN",  "NOTICE", "INFO",     "DEBUG", "TRACE"};
    ASSERT_EQ(names.size(), size_t{kLevelCount});
    for (size_t k = 0; k < kLevelCount; ++k) {
        SCOPED_TRACE(names[k]);
        // Every level is closed, so its lines get its colour; the comments between the
        // levels were passed over, not taken as keywords.
        EXPECT_EQ(tables.levelTypes[k].name, names[k]);
        EXPECT_EQ(tables.levelSlots[k].levelIndex, static_cast<int32_t>(k));
        for (const std::string& keyword : tables.levelTypes[k].keywords)
            EXPECT_EQ(keyword.find('@'), std::string::npos) << keyword;
        // Readable on the list's white: neither black (the colour of lines of no level),
        // white, yellow (unreadable) nor outside the palette.
        const int colour = tables.levelSlots[k].colourIndex;
        EXPECT_TRUE(colour > 1 && colour < 16 && colour != 12 && colour != 11 && colour != 15) << colour;
        // No earlier level's name hides this one: a line that names it is its own.
        EXPECT_EQ(ClassifyLine(tables.levelSlots, "Dec  8 10:00:01 host app[7]: " + names[k] + " x"),
                  static_cast<int>(k));
    }
    EXPECT_EQ(tables.levelTypes[3].keywords, Keywords({"failed", "denied", "refused"}));
    EXPECT_EQ(tables.levelTypes[4].keywords, Keywords({"timeout", "timed out"}));

    // Lines as the common formats write them.
    const auto levelOf = [&](std::string_view line) {
        const int level = ClassifyLine(tables.levelSlots, line);
        return level < 0 ? std::string("none") : names[static_cast<size_t>(level)];
    };
    EXPECT_EQ(levelOf("2026-12-08 10:00:01,120 WARN  [pool-1] retrying"), "WARN");
    EXPECT_EQ(levelOf("2026-12-08T10:00:01+0000 host app: WARNING: disk 91% full"), "WARNING");
    EXPECT_EQ(levelOf("[2026-12-08 10:00:01] app.EMERGENCY: database gone"), "EMERG");
    EXPECT_EQ(levelOf("10:00:01 CRITICAL root: no space left"), "CRITICAL");
    EXPECT_EQ(levelOf("10:00:01.5 ERROR [main] c.v.Server - bind failed"), "ERROR");
    // The most severe name of a line wins, wherever it stands.
    EXPECT_EQ(levelOf("10:00:01 INFO job done, 2 ERROR lines"), "ERROR");
    EXPECT_EQ(levelOf("10:00:01 DEBUG FATAL signal handler armed"), "FATAL");
    EXPECT_EQ(levelOf("Dec  8 10:00:01 host systemd[1]: Started Session 4."), "none");
    // Names are case-sensitive, as the file's comment says.
    EXPECT_EQ(levelOf("2026/12/08 10:00:01 [error] 12#0: open() failed"), "none");
}

} // namespace
