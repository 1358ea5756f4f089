#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

namespace pelvaro::cli {

// "indexnow key|check FILE.sit": the site's IndexNow key and its key file.
class IndexNowCommands
{
public:
    IndexNowCommands(QTextStream& out, QTextStream& err) : m_out(out), m_err(err) {}

    int run(const QStringList& arguments);

private:
    // Prints the key, creating and saving one when the file has none (or an unusable one).
    int key(const QString& path);
    // Fetches the key file; 0 when it holds the key.
    int check(const QString& path, const QString& proxy);
    int fail(const QString& message);

    QTextStream& m_out;
    QTextStream& m_err;
};

} // namespace pelvaro::cli
