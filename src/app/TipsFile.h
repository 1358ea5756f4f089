#pragma once

#include <QString>
#include <QStringList>

namespace pelvaro::app {

// The tips of the day: one tip per line of a text file whose first line is shown next.
// Every opening of the tip window rotates the file, so the next opening starts further on.
class TipsFile
{
public:
    // Reads the file. Throws pelvaro::Error with a German text when it is missing, cannot
    // be read or holds no tip; nothing is changed then.
    static TipsFile load(const QString& path);

    // Tips held in memory only, for showing the window without a file (pictures of it);
    // finish() then fails.
    static TipsFile fromTips(const QStringList& tips);

    const QStringList& tips() const { return m_tips; }
    // The tip the window shows.
    QString current() const { return m_tips.value(0); }
    // "Nächster Tip": the shown tip goes to the end; the file is not touched.
    void next();
    // "OK": the shown tip goes to the end once more and the list replaces the file, in the
    // encoding and with the line ends it was read with. Throws pelvaro::Error when the file
    // cannot be written; the file then stays as it was.
    void finish();

    static QString missingText(const QString& path);
    static QString unreadableText(const QString& path, const QString& reason);
    static QString emptyText(const QString& path);
    static QString unwritableText(const QString& path, const QString& reason);

private:
    QString m_path;
    QStringList m_tips;
    bool m_utf8 = false;
    bool m_byteOrderMark = false;
    bool m_crlf = true;
};

} // namespace pelvaro::app
