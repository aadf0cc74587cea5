// ProbeFile: one look at a path before the program reads or writes it as a log.
//
// The log view asks whether a log can be opened, the document whether its own file can be
// saved over, Help > Readme whether a readme has something in it. Symbolic links are
// followed. Any thread; no Qt object is touched.
#pragma once

#include <QString>
#include <cstdint>

struct FileProbe {
    enum class Access { None, Read, Write };

    // A regular file is there (not a directory, a device or a FIFO).
    bool regular = false;
    int64_t size = 0;
    // The system's reason the asked-for access was refused; empty when it was granted or
    // not asked for.
    QString refusal;

    // A regular file with something in it: the only kind a log window opens.
    bool HasText() const { return regular && size > 0; }
    bool Granted() const { return regular && refusal.isEmpty(); }
};

// Reads `path`'s status and, for a regular file, tries `access`: Read opens it without
// waiting (a path that turned into a FIFO since must not block the GUI thread), Write asks
// the system whether this process may write it.
FileProbe ProbeFile(const QString& path, FileProbe::Access access = FileProbe::Access::None);
