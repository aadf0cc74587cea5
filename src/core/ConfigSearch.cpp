#include "core/ConfigSearch.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

bool IsAbsolute(std::string_view dir) {
    return !dir.empty() && dir.front() == '/';
}

// `dir`/`rest`, with no doubled slash when `dir` ends in one (HOME=/, XDG_CONFIG_DIRS=/etc/xdg/).
std::string Join(std::string_view dir, std::string_view rest) {
    while (dir.size() > 1 && dir.back() == '/')
        dir.remove_suffix(1);
    std::string path(dir);
    if (path.empty() || path.back() != '/')
        path += '/';
    path += rest;
    return path;
}

std::string_view Value(const EnvLookup& env, const char* name) {
    const char* value = env(name);
    return value ? std::string_view(value) : std::string_view();
}

} // namespace

std::vector<std::string> ConfigurationCandidates(std::string_view fileName, std::string_view folder,
                                                 const EnvLookup& env) {
    std::vector<std::string> paths;
    const std::string inFolder = Join(folder, fileName);
    const auto add = [&](std::string path) {
        if (std::find(paths.begin(), paths.end(), path) == paths.end())
            paths.push_back(std::move(path));
    };

    std::error_code error;
    const std::filesystem::path workingDir = std::filesystem::current_path(error);
    add(error ? std::string(fileName) : Join(workingDir.string(), fileName));

    const std::string_view configHome = Value(env, "XDG_CONFIG_HOME");
    if (IsAbsolute(configHome)) {
        add(Join(configHome, inFolder));
    } else {
        const std::string_view home = Value(env, "HOME");
        if (IsAbsolute(home))
            add(Join(Join(home, ".config"), inFolder));
    }

    std::string_view configDirs = Value(env, "XDG_CONFIG_DIRS");
    if (configDirs.empty())
        configDirs = "/etc/xdg";
    while (!configDirs.empty()) {
        const size_t colon = configDirs.find(':');
        const std::string_view dir = configDirs.substr(0, colon);
        if (IsAbsolute(dir))
            add(Join(dir, inFolder));
        configDirs.remove_prefix(colon == std::string_view::npos ? configDirs.size() : colon + 1);
    }
    return paths;
}

std::string FirstPresent(const std::vector<std::string>& candidates) {
    for (const std::string& path : candidates) {
        std::error_code error;
        if (std::filesystem::exists(std::filesystem::symlink_status(path, error)))
            return path;
    }
    return {};
}
