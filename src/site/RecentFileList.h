#pragma once

#include <QString>
#include <QStringList>

namespace pelvaro::site {

// The site-info files last opened or saved, newest first, each once. Kept in the settings
// file under "MRUDateiliste".
class RecentFileList
{
public:
    static constexpr int MaxEntries = 6;

    explicit RecentFileList(const QString& settingsFile);

    void load();
    const QStringList& entries() const { return m_entries; }
    // Puts the path at the top (an equal entry, compared exactly, moves there) and saves.
    void add(const QString& path);

private:
    void save() const;

    QString m_settingsFile;
    QStringList m_entries;
};

} // namespace pelvaro::site
