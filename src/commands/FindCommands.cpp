#include "commands/Commands.h"

namespace find_commands {
void OnFind(CommandHost&) {}
} // namespace find_commands
