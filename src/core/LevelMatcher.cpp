#include "core/LevelMatcher.h"

#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

// Level names are a few bytes long: a loop beats a call to memcmp.
bool SameBytes(const char* a, const char* b, size_t size) {
    for (size_t k = 0; k < size; ++k) {
        if (a[k] != b[k])
            return false;
    }
    return true;
}

} // namespace

LevelMatcher::LevelMatcher(const LevelSlotTable& slots, Scan scan) {
#if defined(__x86_64__)
    m_wide = scan == Scan::Widest && __builtin_cpu_supports("avx2");
#else
    (void)scan;
#endif
    for (size_t i = 0; i < kLevelCount; ++i) {
        m_names[i] = slots[i].name;
        if (m_names[i].empty())
            continue;
        m_live |= 1u << i;
        const auto first = static_cast<unsigned char>(m_names[i].front());
        if (m_startingWith[first] == 0)
            m_firsts[static_cast<size_t>(m_firstCount++)] = first;
        m_startingWith[first] = static_cast<uint16_t>(m_startingWith[first] | (1u << i));
    }
}

bool LevelMatcher::VisitAll(std::string_view text, size_t at, uint64_t mask, uint32_t& undecided,
                            int& best) const {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (; mask != 0; mask &= mask - 1) {
        const size_t where = at + static_cast<size_t>(std::countr_zero(mask));
        if (Visit(text, where, m_startingWith[bytes[where]], undecided, best))
            return true;
    }
    return false;
}

bool LevelMatcher::Visit(std::string_view text, size_t pos, uint32_t candidates, uint32_t& undecided,
                         int& best) const {
    candidates &= undecided;
    while (candidates != 0) {
        const int i = std::countr_zero(candidates);
        candidates &= candidates - 1;
        const std::string_view name = m_names[static_cast<size_t>(i)];
        if (name.size() > text.size() - pos ||
            !SameBytes(text.data() + pos + 1, name.data() + 1, name.size() - 1))
            continue;
        // The name's first occurrence: it matches when that lies after the first byte.
        undecided &= ~(1u << i);
        if (pos > 0 && i < best)
            best = i;
    }
    // Only a name numbered below the best match so far could still change the result.
    return (undecided & ((1u << best) - 1)) == 0;
}

#if defined(__x86_64__)
namespace {

// Bit k set for each byte k of the 32 at `at` that equals one of `firsts`.
__attribute__((target("avx2"))) uint32_t FirstsIn32(const unsigned char* at, const __m256i* firsts,
                                                    int count) {
    const __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    __m256i hits = _mm256_setzero_si256();
    for (int k = 0; k < count; ++k)
        hits = _mm256_or_si256(hits, _mm256_cmpeq_epi8(block, firsts[k]));
    return static_cast<uint32_t>(_mm256_movemask_epi8(hits));
}

} // namespace

// The sixteen-byte scan of Classify, 32 bytes a step.
__attribute__((target("avx2"))) int LevelMatcher::ClassifyWide(std::string_view text) const {
    uint32_t undecided = m_live;
    int best = kLevelCount;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const size_t size = text.size();
    __m256i firsts[kLevelCount];
    for (size_t k = 0; k < static_cast<size_t>(m_firstCount); ++k)
        firsts[k] = _mm256_set1_epi8(static_cast<char>(m_firsts[k]));
    const auto visitAll = [&](size_t at, uint32_t mask) { return VisitAll(text, at, mask, undecided, best); };
    const auto hitsAt = [&](size_t at) { return FirstsIn32(bytes + at, firsts, m_firstCount); };
    size_t pos = 0;
    for (; pos + 32 <= size; pos += 32) {
        if (visitAll(pos, hitsAt(pos)))
            return best < kLevelCount ? best : -1;
    }
    if (pos < size) {
        const size_t at = size - 32;
        visitAll(at, hitsAt(at) & (0xffffffffu << (pos - at)));
    }
    return best < kLevelCount ? best : -1;
}
#else
int LevelMatcher::ClassifyWide(std::string_view) const {
    return -1;
}
#endif

int LevelMatcher::Classify(std::string_view text) const {
    uint32_t undecided = m_live;
    int best = kLevelCount;
    if (undecided == 0)
        return -1;
    if (m_wide && text.size() >= 32)
        return ClassifyWide(text);
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const size_t size = text.size();
    size_t pos = 0;
#if defined(__SSE2__)
    __m128i firsts[kLevelCount];
    for (size_t k = 0; k < static_cast<size_t>(m_firstCount); ++k)
        firsts[k] = _mm_set1_epi8(static_cast<char>(m_firsts[k]));
    const auto hitsAt = [&](size_t at) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at));
        __m128i hits = _mm_cmpeq_epi8(block, firsts[0]);
        for (size_t k = 1; k < static_cast<size_t>(m_firstCount); ++k)
            hits = _mm_or_si128(hits, _mm_cmpeq_epi8(block, firsts[k]));
        return static_cast<uint32_t>(_mm_movemask_epi8(hits));
    };
    const auto visitAll = [&](size_t at, uint32_t mask) { return VisitAll(text, at, mask, undecided, best); };
    for (; pos + 16 <= size; pos += 16) {
        if (visitAll(pos, hitsAt(pos)))
            return best < kLevelCount ? best : -1;
    }
    if (pos < size && size >= 16) {
        // The last bytes as the end of a block of sixteen that overlaps the one before,
        // its bytes seen already left out.
        const size_t at = size - 16;
        visitAll(at, hitsAt(at) & (0xffffu << (pos - at)));
        return best < kLevelCount ? best : -1;
    }
#endif
    for (; pos < size; ++pos) {
        const uint32_t candidates = m_startingWith[bytes[pos]];
        if (candidates != 0 && Visit(text, pos, candidates, undecided, best))
            break;
    }
    return best < kLevelCount ? best : -1;
}

#if defined(__x86_64__)
namespace {

// MarkStarts 32 bytes a step, for the whole blocks of 64 bytes of `size`.
__attribute__((target("avx2"))) size_t MarkStartsWide(const unsigned char* bytes, size_t size,
                                                      const unsigned char* firstBytes, int count,
                                                      uint64_t* marks) {
    __m256i firsts[kLevelCount];
    for (int k = 0; k < count; ++k)
        firsts[k] = _mm256_set1_epi8(static_cast<char>(firstBytes[k]));
    size_t at = 0;
    for (; at + 64 <= size; at += 64) {
        const uint64_t low = FirstsIn32(bytes + at, firsts, count);
        const uint64_t high = FirstsIn32(bytes + at + 32, firsts, count);
        marks[at / 64] = low | high << 32;
    }
    return at;
}

} // namespace
#endif

void LevelMatcher::MarkStarts(std::string_view block, std::vector<uint64_t>& marks) const {
    const auto* bytes = reinterpret_cast<const unsigned char*>(block.data());
    const size_t size = block.size();
    marks.assign((size + 63) / 64, 0);
    if (m_live == 0)
        return;
    size_t at = 0;
#if defined(__x86_64__)
    if (m_wide)
        at = MarkStartsWide(bytes, size, m_firsts.data(), m_firstCount, marks.data());
#endif
#if defined(__SSE2__)
    __m128i firsts[kLevelCount];
    for (size_t k = 0; k < static_cast<size_t>(m_firstCount); ++k)
        firsts[k] = _mm_set1_epi8(static_cast<char>(m_firsts[k]));
    for (; at + 16 <= size; at += 16) {
        const __m128i step = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at));
        __m128i hits = _mm_setzero_si128();
        for (size_t k = 0; k < static_cast<size_t>(m_firstCount); ++k)
            hits = _mm_or_si128(hits, _mm_cmpeq_epi8(step, firsts[k]));
        marks[at / 64] |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(hits))) << (at % 64);
    }
#endif
    for (; at < size; ++at) {
        if (m_startingWith[bytes[at]] != 0)
            marks[at / 64] |= uint64_t{1} << (at % 64);
    }
}

int LevelMatcher::ClassifyMarked(std::string_view line, size_t at, const std::vector<uint64_t>& marks) const {
    uint32_t undecided = m_live;
    int best = kLevelCount;
    if (undecided == 0 || line.empty())
        return -1;
    // The words of marks the line lies in: the first shifted down to the line's first byte,
    // the last cut at its end.
    for (size_t word = at / 64, from = 0; from < line.size(); from = ++word * 64 - at) {
        uint64_t mask = from == 0 ? marks[word] >> (at % 64) : marks[word];
        if (const size_t left = line.size() - from; left < 64)
            mask &= (uint64_t{1} << left) - 1;
        if (VisitAll(line, from, mask, undecided, best))
            break;
    }
    return best < kLevelCount ? best : -1;
}
