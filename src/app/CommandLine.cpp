#include "app/CommandLine.h"

CCommandLineInfo ParseCommandLine(const std::vector<std::string>& args) {
    CCommandLineInfo info;
    bool help = false;
    bool version = false;
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
            info.files.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            help = true;
        } else if (arg == "--version") {
            version = true;
        } else if (info.badOption.empty()) {
            info.badOption = arg;
        }
    }
    if (help)
        info.action = CCommandLineInfo::Action::Help;
    else if (version)
        info.action = CCommandLineInfo::Action::Version;
    else if (!info.badOption.empty())
        info.action = CCommandLineInfo::Action::Error;
    return info;
}
