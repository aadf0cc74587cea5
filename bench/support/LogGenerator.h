// Deterministic generated logs for the benchmarks: the same size and seed always give
// the same bytes. Lines carry the level names of GeneratorConfig() at varied places, a
// few alert phrases, rare and common words for searches, and now and then a long line
// (over 1023 bytes) and CR LF line ends.
#pragma once

#include <cstdint>
#include <string>

struct GeneratedLog {
    uint64_t bytes = 0;
    uint64_t lines = 0;
};

// Writes about `bytes` bytes of log to `path`. Throws std::runtime_error on a write error.
GeneratedLog GenerateLog(const std::string& path, uint64_t bytes, uint32_t seed = 1);

// A configuration matching the generated logs: levels ERROR, WARN, INFO, DEBUG, TRACE
// with colours, three keywords for each of the first three (nine for Analyze), and the
// progress dialog on (LOAD_STATUS 1).
std::string GeneratorConfig();

// The word that appears in about 0.01% of generated lines, and one in about 40%.
inline constexpr const char* kRareWord = "zanzibar";
inline constexpr const char* kCommonWord = "session";
