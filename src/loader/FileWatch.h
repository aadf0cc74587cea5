// CFileWatch: tells when the file at a path may have changed: written to, cut short,
// renamed away, deleted or made again.
//
// The kernel tells (inotify, through QFileSystemWatcher) of changes to the file and to its
// folder, so an idle file costs nothing; a file that is made again after a rotation is
// watched anew. Some file systems (network ones) tell nothing: a slow look every few
// seconds covers them. Changed() only says "look again": what changed is for the reader
// to find out. It says so at most once every kSettleMs: a writer's many small writes are
// read together, a batch of lines at a time, not one batch (and one repaint) a write.
//
// Owned by the reader it pokes (a Qt child). GUI thread only.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>

class CFileWatch : public QObject {
    Q_OBJECT

public:
    // How often the file is looked at without being told.
    static constexpr int kSlowLookMs = 2000;
    // How long after the first change told the reader is asked to look.
    static constexpr int kSettleMs = 150;

    explicit CFileWatch(const QString& path, QObject* parent = nullptr);

signals:
    void Changed();

private:
    // Watches the file again when it is there and not watched (made again after a
    // rotation or a deletion).
    void Rewatch();

    QString m_path;
    uint64_t m_watchedInode = 0;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    QTimer m_slowLook;
};
