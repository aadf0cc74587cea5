#include "support/LogGenerator.h"

#include <cstdio>
#include <stdexcept>
#include <string_view>

namespace {

// A small fast generator (xorshift64*), so the output never depends on the library.
class Random {
public:
    explicit Random(uint64_t seed) : m_state(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint64_t Next() {
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return m_state * 0x2545F4914F6CDD1Dull;
    }
    uint32_t Below(uint32_t n) { return static_cast<uint32_t>((Next() >> 32) % n); }

private:
    uint64_t m_state;
};

constexpr std::string_view kLevels[] = {"ERROR", "WARN", "INFO", "DEBUG", "TRACE"};
// Rough share of lines per level, out of 100; the rest name no level.
constexpr uint32_t kLevelShare[] = {3, 7, 45, 25, 10};
constexpr std::string_view kWords[] = {"gateway",  "link",    "frame",  "queue",     "worker",
                                       "socket",   "timer",   "buffer", "handshake", "payload",
                                       "checksum", "channel", "cache",  "timeout",   "retry"};
constexpr std::string_view kAlerts[] = {"PowerOn reset. Auto startup", "tgtdbg application started",
                                        "Abnormal Link Loss"};

} // namespace

std::string GeneratorConfig() {
    return "@ levels of the generated benchmark logs\n"
           "LOAD_STATUS=1\n"
           "{\n$Type ERROR:10\ntimeout, refused, corrupt,\n}\n"
           "{\n$Type WARN:6\nretry, degraded, slow,\n}\n"
           "{\n$Type INFO:3\nframe, queue, handshake,\n}\n"
           "{\n$Type DEBUG:9\n}\n"
           "{\n$Type TRACE:5\n}\n";
}

GeneratedLog GenerateLog(const std::string& path, uint64_t bytes, uint32_t seed) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        throw std::runtime_error("cannot write " + path);
    std::string block;
    block.reserve(1 << 20);
    GeneratedLog log;
    Random random(seed);
    char stamp[64];
    uint64_t second = 0;
    bool crlf = false;
    while (log.bytes + block.size() < bytes) {
        const uint64_t n = log.lines + 1;
        if (n % 50000 == 0)
            crlf = !crlf; // stretches of CR LF ends
        std::snprintf(stamp, sizeof stamp, "2026-11-%02u %02u:%02u:%02u.%03u ",
                      static_cast<unsigned>(second / 86400 % 28 + 1),
                      static_cast<unsigned>(second / 3600 % 24), static_cast<unsigned>(second / 60 % 60),
                      static_cast<unsigned>(second % 60), random.Below(1000));
        if (random.Below(4) == 0)
            ++second;
        block += stamp;
        uint32_t roll = random.Below(100);
        for (size_t level = 0; level < std::size(kLevels); ++level) {
            if (roll < kLevelShare[level]) {
                block += kLevels[level];
                block += ' ';
                break;
            }
            roll -= kLevelShare[level];
        }
        block += kWords[random.Below(std::size(kWords))];
        block += ": ";
        const uint32_t words = 3 + random.Below(7);
        for (uint32_t w = 0; w < words; ++w) {
            block += kWords[random.Below(std::size(kWords))];
            block += (w % 3 == 2) ? " id=" + std::to_string(random.Below(100000)) + ' ' : std::string(" ");
        }
        if (random.Below(10) < 4) {
            block += kCommonWord;
            block += ' ';
        }
        if (random.Below(10000) == 0) {
            block += kRareWord;
            block += ' ';
        }
        if (random.Below(20000) == 0)
            block += kAlerts[random.Below(3)];
        if (random.Below(2000) == 0)
            block.append(1500 + random.Below(3000), 'x'); // long line: several pieces
        block += crlf ? "\r\n" : "\n";
        ++log.lines;
        if (block.size() >= (1 << 20) - 8192) {
            if (std::fwrite(block.data(), 1, block.size(), out) != block.size())
                throw std::runtime_error("cannot write " + path);
            log.bytes += block.size();
            block.clear();
        }
    }
    if (std::fwrite(block.data(), 1, block.size(), out) != block.size() || std::fclose(out) != 0)
        throw std::runtime_error("cannot write " + path);
    log.bytes += block.size();
    return log;
}
