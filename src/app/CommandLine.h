// The program's command line: the logs to open, in order, or --help or --version.
// Qt-free, so that help and version need no display.
#pragma once

#include <string>
#include <vector>

struct CCommandLineInfo {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    // The log files, in the order given.
    std::vector<std::string> files;
    // The first argument that looked like an option and is none (Action::Error).
    std::string badOption;
};

// Reads the arguments after the program's name. "-h" or "--help" anywhere asks for the
// help, else "--version" for the version; else any other argument that begins with "-"
// (but is not "-" itself) is an error. "--" ends the options: what follows is a file
// whatever it looks like.
CCommandLineInfo ParseCommandLine(const std::vector<std::string>& args);
