#include "commands/Commands.h"

namespace analyze_commands {
void OnAnalyze(CommandHost&) {}
} // namespace analyze_commands
