#include "platform/Settings.h"

#include <QSettings>
#include <utility>

#include "core/ByteText.h"
#include "platform/QtText.h"

std::unique_ptr<QSettings> OpenSettings() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QString::fromLatin1(kOrganizationName),
                                       QString::fromLatin1(kApplicationName));
}

CRecentFileList::CRecentFileList(int size, QString section, QString entryFormat)
    : m_size(size > 0 ? size : 0), m_section(std::move(section)), m_entryFormat(std::move(entryFormat)) {}

QString CRecentFileList::At(int index) const {
    if (index < 0 || index >= GetCount())
        return {};
    return m_names[index];
}

void CRecentFileList::Add(const QString& path) {
    if (path.isEmpty() || m_size == 0)
        return;
    // A relative name would mean another file once the program runs elsewhere.
    const QString absolute = AbsolutePath(path);
    m_names.removeAll(absolute);
    m_names.prepend(absolute);
    while (m_names.size() > m_size)
        m_names.removeLast();
}

void CRecentFileList::Remove(int index) {
    if (index >= 0 && index < GetCount())
        m_names.removeAt(index);
}

void CRecentFileList::ReadList() {
    const auto settings = OpenSettings();
    settings->beginGroup(m_section);
    m_names.clear();
    for (int i = 0; i < m_size; ++i) {
        const QVariant value = settings->value(m_entryFormat.arg(i + 1));
        QString name;
        if (value.typeId() == QMetaType::QByteArray) {
            // A path that is no UTF-8 was written as its bytes (see WriteList).
            const QByteArray bytes = value.toByteArray();
            name = PathFromBytes(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
        } else {
            name = value.toString();
        }
        if (!name.isEmpty())
            m_names.append(name);
    }
    settings->endGroup();
}

bool CRecentFileList::WriteList() const {
    const auto settings = OpenSettings();
    // Keys of a longer earlier list must not come back at the next start.
    settings->remove(m_section);
    settings->beginGroup(m_section);
    for (int i = 0; i < GetCount(); ++i) {
        // A path is kept as text, as it always was, unless its bytes are no UTF-8: text
        // would lose them, so those are kept as the bytes themselves.
        const std::string bytes = PathToBytes(m_names[i]);
        if (bytetext::IsValidUtf8(bytes))
            settings->setValue(m_entryFormat.arg(i + 1), m_names[i]);
        else
            settings->setValue(m_entryFormat.arg(i + 1),
                               QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    }
    settings->endGroup();
    settings->sync();
    return settings->status() == QSettings::NoError;
}
