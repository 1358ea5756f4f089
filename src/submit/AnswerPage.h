#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace pelvaro::submit {

// The answer page of a successful exchange, stored as "<answer dir>/<service name>.html".
// The worker that ran the exchange writes it.
class AnswerPage
{
public:
    // The body split into lines: a line ends at CR, CR LF counts as one end, a lone LF stays
    // inside its line, and text after the last CR is the last line. An empty body has none.
    static QList<QByteArray> lines(const QByteArray& body);

    // Whether a service name can become a file name inside the answer folder: not empty,
    // not "." or "..", no control character and none of \ / : * ? " < > |.
    static bool fileNameAllowed(const QString& serviceName);

    // The answer file for a service, or an empty text when its name is not allowed.
    static QString path(const QString& answerDirectory, const QString& serviceName);

    // The bytes of the answer file: the lines of `body`, each followed by CR LF.
    static QByteArray fileBytes(const QByteArray& body);

    // Writes fileBytes(body), replacing an earlier file. Refuses (writes nothing, returns
    // false) a path whose last part is no allowed name; false too when the file cannot be
    // written. Safe to call from any thread; two writers of one file must take turns.
    static bool write(const QString& filePath, const QByteArray& body);
};

} // namespace pelvaro::submit
