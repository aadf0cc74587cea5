#include "loader/FileWatch.h"

#include <QFileInfo>
#include <sys/stat.h>

#include "platform/QtText.h"

CFileWatch::CFileWatch(const QString& path, QObject* parent) : QObject(parent), m_path(path) {
    // The folder tells of renames, deletions and files made again; the file of writes.
    const QString folder = QFileInfo(path).absolutePath();
    if (!folder.isEmpty())
        m_watcher.addPath(folder);
    Rewatch();
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, [this] { emit Changed(); });
    // A write costs only a look at the timer; the folder's changes (a rotation) may have
    // put another file at the path, which is watched anew.
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, [this] {
        if (!m_settle.isActive())
            m_settle.start();
    });
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        Rewatch();
        if (!m_settle.isActive())
            m_settle.start();
    });
    m_slowLook.setInterval(kSlowLookMs);
    connect(&m_slowLook, &QTimer::timeout, this, [this] {
        Rewatch();
        emit Changed();
    });
    m_slowLook.start();
}

void CFileWatch::Rewatch() {
    // The kernel watches a file, not a name: after a rotation the watch would follow the
    // renamed file, so another file at the path is watched anew.
    struct stat st {};
    const bool there = ::stat(PathToBytes(m_path).c_str(), &st) == 0;
    const auto inode = there ? static_cast<uint64_t>(st.st_ino) : 0;
    const bool watched = m_watcher.files().contains(m_path);
    if (watched && inode == m_watchedInode)
        return;
    if (watched)
        m_watcher.removePath(m_path);
    m_watchedInode = 0;
    if (there && m_watcher.addPath(m_path))
        m_watchedInode = inode;
}
