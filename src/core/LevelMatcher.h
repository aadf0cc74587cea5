// LevelMatcher: the level of a line (ClassifyLine's rule) in one pass over the line for
// every level name at once.
//
// The rule: the lowest-numbered slot whose name first occurs in the line at a position
// after its first byte, or -1; an empty name never matches. Searching the line once per
// name reads it up to ten times; the matcher reads it once, stopping at each byte that
// starts some name (found sixteen bytes at a time where the processor can), and compares
// there only the names that start with that byte. A name is decided at its first
// occurrence (a match at the line's first byte rules it out), and the walk ends as soon
// as no lower-numbered name is still undecided.
//
// Built from a slot table, which it refers to (the names must outlive it); read only
// afterwards, so any number of threads may classify with one matcher at once.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/LevelConfig.h"

class LevelMatcher {
public:
    // How many bytes a step of the scan looks at: 32 where the processor has AVX2 (it is
    // asked at run time), else 16; the narrower scan can be asked for (tests compare them).
    enum class Scan { Widest, Narrow };
    explicit LevelMatcher(const LevelSlotTable& slots, Scan scan = Scan::Widest);

    int Classify(std::string_view text) const;

    // Many lines of one block of bytes (a reader's block) at a lower cost a line: the block
    // is scanned once for bytes that start some name, in long steps, and each line then
    // visits only the marks that lie in it. MarkStarts sets bit (k % 64) of word k / 64 of
    // `marks` for each byte k of `block` that starts some name; ClassifyMarked gives
    // Classify(line) for a line that lies at `at` in a block so marked.
    void MarkStarts(std::string_view block, std::vector<uint64_t>& marks) const;
    int ClassifyMarked(std::string_view line, size_t at, const std::vector<uint64_t>& marks) const;

private:
    // Classify for a line of at least 32 bytes, 32 bytes a step.
    int ClassifyWide(std::string_view text) const;
    // Compares the names in `candidates` at `pos`; updates `undecided` and `best`. True
    // when the result can no longer change.
    bool Visit(std::string_view text, size_t pos, uint32_t candidates, uint32_t& undecided, int& best) const;
    // Visit at `at` + k for each bit k of `mask`, in order; true when the result can no
    // longer change.
    bool VisitAll(std::string_view text, size_t at, uint64_t mask, uint32_t& undecided, int& best) const;

    std::array<std::string_view, kLevelCount> m_names;
    // For each byte: the names (bit i for slot i) that start with it.
    std::array<uint16_t, 256> m_startingWith{};
    // The names that can match at all (not empty).
    uint32_t m_live = 0;
    // The distinct first bytes of the names, for the sixteen-byte filter.
    std::array<unsigned char, kLevelCount> m_firsts{};
    int m_firstCount = 0;
    bool m_wide = false;
};
