#include "frames/KeyIndicators.h"

#include <filesystem>
#include <fstream>
#include <string_view>

namespace {

bool LedLit(const std::filesystem::path& led) {
    std::ifstream in(led / "brightness");
    int brightness = 0;
    return (in >> brightness) && brightness > 0;
}

} // namespace

LockKeyState ReadLockKeyState(const std::string& ledsDirectory) {
    LockKeyState state;
    std::error_code error;
    std::filesystem::directory_iterator it(ledsDirectory, error);
    if (error)
        return state;
    for (const auto& entry : it) {
        const std::string name = entry.path().filename().string();
        const auto endsWith = [&name](std::string_view suffix) {
            return std::string_view(name).ends_with(suffix);
        };
        if (endsWith("::capslock"))
            state.caps = state.caps || LedLit(entry.path());
        else if (endsWith("::numlock"))
            state.num = state.num || LedLit(entry.path());
        else if (endsWith("::scrolllock"))
            state.scroll = state.scroll || LedLit(entry.path());
    }
    return state;
}
