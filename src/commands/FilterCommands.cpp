#include "commands/Commands.h"

namespace filter_commands {
void OnOptions(CommandHost&) {}
} // namespace filter_commands
