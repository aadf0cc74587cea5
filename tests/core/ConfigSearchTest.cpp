#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/ConfigSearch.h"
#include "support/TempDir.h"

namespace {

using Paths = std::vector<std::string>;

// An environment of exactly these variables.
EnvLookup Env(std::map<std::string, std::string> vars) {
    return [vars = std::move(vars)](const char* name) -> const char* {
        const auto it = vars.find(name);
        return it == vars.end() ? nullptr : it->second.c_str();
    };
}

Paths Candidates(std::map<std::string, std::string> vars) {
    return ConfigurationCandidates("quorvix.ini", "Vostrane", Env(std::move(vars)));
}

// The working directory's candidate.
std::string Here() {
    return (std::filesystem::current_path() / "quorvix.ini").string();
}

} // namespace

TEST(ConfigSearch, WorkingDirectoryThenTheUsersThenEachSystemFolder) {
    EXPECT_EQ(Candidates({{"HOME", "/home/ann"},
                          {"XDG_CONFIG_HOME", "/cfg/ann"},
                          {"XDG_CONFIG_DIRS", "/etc/site:/opt/xdg"}}),
              (Paths{Here(), "/cfg/ann/Vostrane/quorvix.ini", "/etc/site/Vostrane/quorvix.ini",
                     "/opt/xdg/Vostrane/quorvix.ini"}));

    // Unset, or set but empty: ~/.config and /etc/xdg.
    const Paths defaults{Here(), "/home/ann/.config/Vostrane/quorvix.ini", "/etc/xdg/Vostrane/quorvix.ini"};
    EXPECT_EQ(Candidates({{"HOME", "/home/ann"}}), defaults);
    EXPECT_EQ(Candidates({{"HOME", "/home/ann"}, {"XDG_CONFIG_HOME", ""}, {"XDG_CONFIG_DIRS", ""}}),
              defaults);
}

TEST(ConfigSearch, RelativeOrMissingFoldersArePassedOver) {
    // A relative XDG_CONFIG_HOME is invalid: the default under HOME stands in for it.
    EXPECT_EQ(Candidates(
                  {{"HOME", "/home/ann"}, {"XDG_CONFIG_HOME", "cfg"}, {"XDG_CONFIG_DIRS", "rel::/etc/site"}}),
              (Paths{Here(), "/home/ann/.config/Vostrane/quorvix.ini", "/etc/site/Vostrane/quorvix.ini"}));
    // Without HOME (or with a relative one) there is no user folder at all.
    EXPECT_EQ(Candidates({}), (Paths{Here(), "/etc/xdg/Vostrane/quorvix.ini"}));
    EXPECT_EQ(Candidates({{"HOME", "ann"}, {"XDG_CONFIG_DIRS", "only/relative"}}), (Paths{Here()}));
}

TEST(ConfigSearch, TrailingSlashesAndRepeatsGiveOnePathEach) {
    EXPECT_EQ(Candidates({{"HOME", "/"}, {"XDG_CONFIG_DIRS", "/etc/xdg/:/etc/xdg:/"}}),
              (Paths{Here(), "/.config/Vostrane/quorvix.ini", "/etc/xdg/Vostrane/quorvix.ini",
                     "/Vostrane/quorvix.ini"}));
}

TEST(ConfigSearch, TheFirstPathThatIsThereWinsEvenWhenItIsBroken) {
    TempDir dir;
    const std::string absent = dir.File("absent.ini");
    const std::string file = dir.Write("file.ini", "x\n");
    const std::string folder = dir.File("folder.ini");
    const std::string dangling = dir.File("dangling.ini");
    std::filesystem::create_directory(folder);
    std::filesystem::create_symlink(dir.File("nowhere"), dangling);

    EXPECT_EQ(FirstPresent({absent, file, folder}), file);
    // A directory or a dangling link of that name is what the user put there: it is taken
    // (and then fails to read, and is reported) rather than skipped for the next one.
    EXPECT_EQ(FirstPresent({absent, folder, file}), folder);
    EXPECT_EQ(FirstPresent({dangling, file}), dangling);
    EXPECT_EQ(FirstPresent({absent}), "");
    EXPECT_EQ(FirstPresent({}), "");
}
