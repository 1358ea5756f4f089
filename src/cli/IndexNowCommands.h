#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QTextStream;

namespace pelvaro::cli {

// "indexnow key|check FILE.sit": the site's IndexNow key and its key file.
class IndexNowCommands
{
public:
    // The key file is fetched with the proxy, time limit and extra certificates of the
    // settings in `settingsFile`, as a run would fetch it.
    IndexNowCommands(QTextStream& out, QTextStream& err, const QString& settingsFile)
        : m_out(out), m_err(err), m_settingsFile(settingsFile)
    {
    }

    int run(const QStringList& arguments);

private:
    // Prints the key, creating and saving one when the file has none (or an unusable one).
    int key(const QString& path);
    // Fetches the key file; 0 when it holds the key.
    // An empty proxy or CA file: the setting's; std::nullopt for the CA file, too.
    int check(const QString& path, const QString& proxy, const std::optional<QString>& caFile);
    int fail(const QString& message);

    QTextStream& m_out;
    QTextStream& m_err;
    QString m_settingsFile;
};

} // namespace pelvaro::cli
