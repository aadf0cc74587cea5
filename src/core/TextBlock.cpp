#include "core/TextBlock.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "core/ByteText.h"
#include "core/DisplayList.h"
#include "core/LineFile.h"
#include "core/LineStore.h"
#include "core/Parallel.h"
#include "core/SafeSave.h"

namespace {

// Lines a copy gives each thread at the least.
constexpr size_t kLinesPerPart = 256 * 1024;
// Saved text goes to the file in pieces of about this size, so a log of gigabytes is never
// held a second time in memory.
constexpr size_t kWriteChunk = 4u << 20;
constexpr const char* kSourceChangedReason =
    "the log's file was changed by another program after it was loaded, so its lines can no longer be read";

SaveStatus WriteListToFile(const DisplayList& list, const std::string& path, std::string& error) {
    const int count = list.GetCount();
    SafeSave file;
    const auto failed = [&] {
        error = file.ErrorText();
        return SaveStatus::Failed;
    };
    if (!file.Open(path))
        return failed();
    // Filled to kWriteChunk and written in one call; a line never makes it grow much past
    // that, so it is allocated once.
    std::string chunk;
    chunk.reserve(kWriteChunk + 64 * 1024);
    for (int i = 0; i < count; ++i) {
        CLineFile::AppendTextMode(chunk, list.GetText(i));
        chunk.append("\r\n");
        if (chunk.size() >= kWriteChunk) {
            if (!file.Write(chunk.data(), chunk.size()))
                return failed();
            chunk.clear();
        }
    }
    if (!file.Write(chunk.data(), chunk.size()))
        return failed();
    // Lines read from a file that another program changed meanwhile read empty: such a
    // list is never written over anything.
    if (list.Store() && list.Store()->SourceChanged()) {
        error = kSourceChangedReason;
        return SaveStatus::Failed;
    }
    if (!file.Commit())
        return failed();
    return SaveStatus::Saved;
}

} // namespace

CopyBlock::CopyBlock(const DisplayList& list)
    : m_list(list), m_bounds(SplitForParallel(static_cast<size_t>(list.GetCount()), kLinesPerPart)) {
    const size_t parts = m_bounds.size() - 1;
    std::vector<size_t> sizes(parts, 0);
    m_invalid.resize(parts);
    RunInParallel(parts, [&](size_t part) {
        for (size_t i = m_bounds[part]; i < m_bounds[part + 1]; ++i) {
            const std::string_view text = m_list.GetText(static_cast<int>(i));
            const bool valid = bytetext::IsValidUtf8(text);
            if (!valid)
                m_invalid[part].push_back(i);
            sizes[part] += bytetext::LineUtf8Size(text, valid) + 1;
        }
    });
    m_offsets.assign(parts + 1, 0);
    for (size_t part = 0; part < parts; ++part)
        m_offsets[part + 1] = m_offsets[part] + sizes[part];
}

bool CopyBlock::Fill(char* out) const {
    const size_t parts = m_bounds.size() - 1;
    std::vector<char> cutShort(parts, 0);
    // Most of the time is the first write to fresh memory, and the kernel backs pages for
    // several threads at once.
    RunInParallel(parts, [&](size_t part) {
        char* at = out + m_offsets[part];
        char* const end = out + m_offsets[part + 1];
        auto nextInvalid = m_invalid[part].begin();
        const auto lastInvalid = m_invalid[part].end();
        for (size_t i = m_bounds[part]; i < m_bounds[part + 1]; ++i) {
            const bool valid = nextInvalid == lastInvalid || *nextInvalid != i;
            if (!valid)
                ++nextInvalid;
            const std::string_view text = m_list.GetText(static_cast<int>(i));
            // A line read from a file grows only when the file changed after the measure
            // (an invalid line's bytes then weigh differently): the run stops short of
            // its end rather than write past it.
            const size_t size = valid ? text.size() : bytetext::LineUtf8Size(text, false);
            if (size + 1 > static_cast<size_t>(end - at)) {
                cutShort[part] = 1;
                return;
            }
            at = bytetext::CopyLineAsUtf8(text, valid, at);
            *at++ = '\n';
        }
        if (at != end)
            cutShort[part] = 1;
    });
    return std::find(cutShort.begin(), cutShort.end(), 1) == cutShort.end();
}

SaveStatus SaveListToFile(const DisplayList& list, const std::string& path, std::string& error) {
    if (list.GetCount() == 0)
        return SaveStatus::EmptyList;
    try {
        return WriteListToFile(list, path, error);
    } catch (const std::bad_alloc&) {
        // The new file went with the SafeSave that was not committed: nothing half written
        // is left, and the target is as it was.
        error = std::strerror(ENOMEM);
        return SaveStatus::Failed;
    }
}
