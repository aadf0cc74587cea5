// Where the level configuration is looked for at start-up.
//
// The working directory comes first, as it always has; a program started from the
// desktop's menu has no useful one, so the user's and the system's configuration folders
// follow, as the XDG base directory rules name them. Qt-free.
#pragma once

#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Reads one environment variable: null when it is not set.
using EnvLookup = std::function<const char*(const char*)>;

// The paths `fileName` is looked for at, in order:
//   1. the working directory (as an absolute path when the directory can be named);
//   2. $XDG_CONFIG_HOME/`folder`/`fileName`, or $HOME/.config/`folder`/`fileName` when
//      XDG_CONFIG_HOME is unset, empty or relative (none when HOME is too);
//   3. DIR/`folder`/`fileName` for each DIR of the ':'-separated $XDG_CONFIG_DIRS, or of
//      /etc/xdg when it is unset or empty.
// Relative folders in the variables are passed over, as the XDG rules ask; a path already
// in the list is not repeated.
std::vector<std::string> ConfigurationCandidates(std::string_view fileName, std::string_view folder,
                                                 const EnvLookup& env = std::getenv);

// The first of `candidates` that is there, or an empty string when none is. Anything of
// that name counts (a directory, a dangling link), so that a broken configuration is
// reported as such instead of one further down the list being read in its place.
std::string FirstPresent(const std::vector<std::string>& candidates);
