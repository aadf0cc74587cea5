// The program's per-user settings store and the recent-file list kept in it.
//
// The store is a QSettings of organisation "Vostrane" and application "Quorvix" in the
// user scope (on Linux ~/.config/Vostrane/Quorvix.conf, following XDG_CONFIG_HOME).
// Tests point it elsewhere with QSettings::setPath before the first store is opened.
//
// GUI thread only.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class QSettings;

inline constexpr char kOrganizationName[] = "Vostrane";
inline constexpr char kApplicationName[] = "Quorvix";

// A new handle on the settings store; changes reach the disk when it is destroyed.
std::unique_ptr<QSettings> OpenSettings();

// The most recently used files, newest first, at most GetSize() of them. Entries are
// absolute paths (holding their bytes as PathFromBytes does); positions past the filled
// part read as empty strings. In the store a path is text, or its bytes where they are no
// UTF-8, so every name comes back as the same bytes.
class CRecentFileList {
public:
    // `size` entries kept under the group `section`, as keys made from `entryFormat` with
    // the position from 1 ("File%1" gives File1, File2 ...).
    explicit CRecentFileList(int size, QString section = QStringLiteral("Recent File List"),
                             QString entryFormat = QStringLiteral("File%1"));

    // The fixed number of entries the list can hold.
    int GetSize() const { return m_size; }
    // The number of entries filled.
    int GetCount() const { return static_cast<int>(m_names.size()); }
    // Entry `index` (0 = newest), empty past the filled part and for a negative index.
    QString At(int index) const;
    QString operator[](int index) const { return At(index); }

    // Puts `path` first, made absolute. An equal entry already in the list moves to the
    // front instead of appearing twice; past the size the oldest entry is dropped. An
    // empty path is ignored.
    void Add(const QString& path);
    // Removes entry `index`; the ones after it move up. A bad index is ignored.
    void Remove(int index);

    // Replaces the list by what the store holds; empty entries are skipped and entries
    // past the size ignored.
    void ReadList();
    // Writes the list to the store, replacing the group's earlier keys. Returns false when
    // the store could not be written.
    bool WriteList() const;

private:
    int m_size;
    QString m_section;
    QString m_entryFormat;
    QStringList m_names;
};
