#include "submit/AnswerPage.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

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

QByteArray AnswerPage::fileBytes(const QByteArray& body)
{
    // The lines of lines(), each followed by CR LF, in one pass: a lone CR gains its LF, a CR
    // LF stays, and text after the last CR is closed with CR LF.
    QByteArray out;
    out.reserve(body.size() + body.count('\r') + 2);
    qsizetype start = 0;
    for (;;) {
        const qsizetype cr = body.indexOf('\r', start);
        if (cr < 0)
            break;
        out.append(body.constData() + start, cr - start).append("\r\n");
        start = cr + 1;
        if (start < body.size() && body.at(start) == '\n')
            ++start;
    }
    if (start < body.size())
        out.append(body.constData() + start, body.size() - start).append("\r\n");
    return out;
}

bool AnswerPage::write(const QString& filePath, const QByteArray& body)
{
    // Only the path's last part is checked here. What keeps a service name such as "../x"
    // from leaving the answer folder is the scheduler: it hands a worker the answer file
    // only when fileNameAllowed() accepts the service name itself, because once such a
    // name is joined into a path, its last part ("x.html") looks harmless.
    QStringView name = filePath;
    name = name.sliced(name.lastIndexOf(QLatin1Char('/')) + 1);
    if (name.endsWith(Suffix))
        name.chop(Suffix.size());
    if (!fileNameAllowed(name.toString()))
        return false;
    // A disposable copy for the user to look at: written plainly, without a sync or a
    // rename. The old page is overwritten in place and only then cut to the new length:
    // emptying a file first makes the file system push the new one to disk at close, which
    // for hundreds of pages a run costs more than everything else the worker does. A
    // failed write may leave the earlier page mangled.
    const QByteArray text = fileBytes(body);
    const int fd =
        ::open(QFile::encodeName(filePath).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    struct stat before
    {
    };
    bool ok = ::fstat(fd, &before) == 0;
    qsizetype written = 0;
    while (ok && written < text.size()) {
        const ssize_t n = ::write(fd, text.constData() + written, size_t(text.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        written += std::max<ssize_t>(n, 0);
    }
    if (ok && before.st_size > written)
        ok = ::ftruncate(fd, off_t(written)) == 0;
    return ::close(fd) == 0 && ok;
}

} // namespace pelvaro::submit
