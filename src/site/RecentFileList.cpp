#include "site/RecentFileList.h"

#include <QSettings>

namespace pelvaro::site {

namespace {

const QString key = QStringLiteral("MRUDateiliste/MRUList/FileMenuList.Items");

} // namespace

RecentFileList::RecentFileList(const QString& settingsFile) : m_settingsFile(settingsFile) {}

void RecentFileList::load()
{
    const QSettings settings(m_settingsFile, QSettings::IniFormat);
    const QVariant stored = settings.value(key);
    m_entries.clear();
    // A hand-edited or foreign value may be a single text or hold duplicates; keep what
    // makes sense of it.
    const QStringList items = stored.typeId() == QMetaType::QString ? QStringList{stored.toString()}
                                                                    : stored.toStringList();
    for (const QString& item : items)
        if (!item.isEmpty() && !m_entries.contains(item) && m_entries.size() < MaxEntries)
            m_entries << item;
}

void RecentFileList::add(const QString& path)
{
    m_entries.removeAll(path);
    m_entries.prepend(path);
    while (m_entries.size() > MaxEntries)
        m_entries.removeLast();
    save();
}

void RecentFileList::save() const
{
    QSettings settings(m_settingsFile, QSettings::IniFormat);
    settings.setValue(key, m_entries);
}

} // namespace pelvaro::site
