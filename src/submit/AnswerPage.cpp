#include "submit/AnswerPage.h"

#include "base/AtomicFile.h"

#include <QFileInfo>

namespace pelvaro::submit {

namespace {

const QString Suffix = QStringLiteral(".html");

} // namespace

QList<QByteArray> AnswerPage::lines(const QByteArray& body)
{
    QList<QByteArray> out;
    qsizetype start = 0;
    for (;;) {
        const qsizetype cr = body.indexOf('\r', start);
        if (cr < 0)
            break;
        out << body.mid(start, cr - start);
        start = cr + 1;
        if (start < body.size() && body.at(start) == '\n')
            ++start;
    }
    if (start < body.size())
        out << body.mid(start);
    return out;
}

bool AnswerPage::fileNameAllowed(const QString& serviceName)
{
    if (serviceName.isEmpty() || serviceName == QLatin1String(".") ||
        serviceName == QLatin1String(".."))
        return false;
    for (QChar c : serviceName) {
        if (c.category() == QChar::Other_Control || QStringView(u"\\/:*?\"<>|").contains(c))
            return false;
    }
    return true;
}

QString AnswerPage::path(const QString& answerDirectory, const QString& serviceName)
{
    if (!fileNameAllowed(serviceName))
        return {};
    return answerDirectory + QLatin1Char('/') + serviceName + Suffix;
}

bool AnswerPage::write(const QString& filePath, const QByteArray& body)
{
    // The same check as for the service name, so no path can reach outside its folder
    // through a name such as "../x".
    QString name = QFileInfo(filePath).fileName();
    if (name.endsWith(Suffix))
        name.chop(Suffix.size());
    if (!fileNameAllowed(name))
        return false;
    QByteArray text;
    text.reserve(body.size() + body.size() / 16);
    for (const QByteArray& line : lines(body))
        text += line + "\r\n";
    // A failed write keeps the earlier page.
    return base::AtomicFile::write(filePath, text).isEmpty();
}

} // namespace pelvaro::submit
