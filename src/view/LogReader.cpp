#include "view/LogReader.h"

#include <QWidget>
#include <new>

#include "core/LogViewCore.h"
#include "platform/QtText.h"
#include "res/Strings.h"

CLogReader::CLogReader(CLogViewCore& core, QWidget* progressOwner)
    : m_core(core), m_progressOwner(progressOwner) {}

CLogReader::~CLogReader() = default;

void CLogReader::Start(const QString& path) {
    if (m_reader)
        return;
    m_path = path;
    m_loadStarted = true;
    bool started = false;
    try {
        m_reader = std::make_unique<CTraceWnd>(PathToBytes(path), m_core, m_core.m_levelSlots,
                                               m_progressOwner ? m_progressOwner->window() : nullptr);
        // Every log is read on as its file grows.
        m_reader->SetFollow(true);
        CTraceWnd* reader = m_reader.get();
        connect(reader, &CTraceWnd::LoadEnded, this, &CLogReader::OnLoadEnded);
        connect(reader, &CTraceWnd::LinesTaken, this, &CLogReader::LinesTaken);
        connect(reader, &CTraceWnd::FileTruncated, this, &CLogReader::OnFileTruncated);
        connect(reader, &CTraceWnd::FileDeleted, this, [this] {
            m_fileGone = true;
            emit StatusText(QString::fromUtf8(res::kFollowDeleted).arg(DisplayName()));
        });
        connect(reader, &CTraceWnd::PathReplaced, this, &CLogReader::OnPathReplaced);
        connect(reader, &CTraceWnd::FollowEnded, this, &CLogReader::TellStopped);
        started = m_reader->Start();
    } catch (const std::bad_alloc&) {
    }
    // No thread or no memory to be had for the reader: the load ends before its first
    // line, as one that ran out of memory.
    if (!started)
        OnLoadEnded(CTraceWnd::LoadEnd::OutOfMemory);
}

void CLogReader::OnLoadEnded(CTraceWnd::LoadEnd how) {
    m_loadEnded = true;
    // A load that could not be read to its end says nothing more; the lines it brought stay.
    if (how != CTraceWnd::LoadEnd::Failed) {
        m_core.OnLoadDone();
        m_loadDone = true;
        if (m_reader)
            m_sourceState = m_reader->ReadState();
        TellStopped(how);
        if (how == CTraceWnd::LoadEnd::DataStopped || how == CTraceWnd::LoadEnd::NoRoom)
            TellCompressedStopped(how);
    }
    emit LoadEnded(how);
}

void CLogReader::TellStopped(CTraceWnd::LoadEnd how) {
    if (how != CTraceWnd::LoadEnd::OutOfMemory && how != CTraceWnd::LoadEnd::TooManyLines)
        return;
    const char* text =
        how == CTraceWnd::LoadEnd::OutOfMemory ? res::kLoadOutOfMemory : res::kLoadTooManyLines;
    emit Warning(QString::fromUtf8(text).arg(DisplayPath()).arg(m_core.m_lineEntries.GetCount()));
}

void CLogReader::TellCompressedStopped(CTraceWnd::LoadEnd how) {
    const QString lines = QString::number(m_core.m_lineEntries.GetCount());
    const QString reason = QString::fromStdString(m_reader->EndReason());
    emit Warning(how == CTraceWnd::LoadEnd::NoRoom
                     ? QString::fromUtf8(res::kLoadNoRoom).arg(DisplayPath(), lines, reason)
                     : QString::fromUtf8(res::kLoadDataStopped)
                           .arg(DisplayPath(),
                                QString::fromUtf8(CompressionName(m_reader->SourceCompression())),
                                QString::number(m_reader->EndOffset()),
                                QString::number(m_reader->SourceSize()), lines, reason));
}

void CLogReader::OnFileTruncated() {
    m_core.CloseOpenLine();
    m_fileGone = false;
    if (m_core.m_lineEntries.FileBacked())
        emit LinesLost();
    else
        emit StatusText(QString::fromUtf8(res::kFollowTruncated).arg(DisplayName()));
}

void CLogReader::OnPathReplaced(const FileState& file) {
    if (!m_reader)
        return;
    // The view's own save put this file there: its lines are the list's already.
    if (m_sourceState && m_sourceState->SameFile(file)) {
        m_reader->TakeNextFile(*m_sourceState, CTraceWnd::NextFile::FromEnd);
        return;
    }
    // The reader reads the rest of the old file first, a line still open there included.
    m_reader->TakeNextFile(file, CTraceWnd::NextFile::FromStart);
    emit StatusText(
        QString::fromUtf8(m_fileGone ? res::kFollowRecreated : res::kFollowRotated).arg(DisplayName()));
    m_fileGone = false;
}

void CLogReader::OnOwnFileSaved(std::optional<FileState> saved) {
    m_sourceState = std::move(saved);
    if (m_reader)
        m_reader->Poke();
}

QString CLogReader::DisplayPath() const {
    return PathForDisplay(m_path);
}

QString CLogReader::DisplayName() const {
    return PathForDisplay(PathFileName(m_path));
}
