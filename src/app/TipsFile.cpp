#include "app/TipsFile.h"

#include "base/AtomicFile.h"
#include "base/Error.h"
#include "base/Windows1252.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace pelvaro::app {

namespace {

const QByteArray byteOrderMark("\xEF\xBB\xBF");

// A file saved by a modern editor is UTF-8. Read as Windows-1252 its umlauts would turn
// into pairs of odd characters, and writing it back would make that permanent, so a file
// that is valid UTF-8 and uses more than ASCII is taken as UTF-8 and written back as such.
bool looksLikeUtf8(const QByteArray& bytes)
{
    bool beyondAscii = false;
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            beyondAscii = true;
            break;
        }
    }
    if (!beyondAscii)
        return false;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return !decoder.hasError() && !text.isEmpty();
}

} // namespace

QString TipsFile::missingText(const QString& path)
{
    return QStringLiteral("Die Datei mit den Tips \"%1\" wurde nicht gefunden.").arg(path);
}

QString TipsFile::unreadableText(const QString& path, const QString& reason)
{
    return QStringLiteral("Die Datei mit den Tips \"%1\" kann nicht gelesen werden: %2")
        .arg(path, reason);
}

QString TipsFile::emptyText(const QString& path)
{
    return QStringLiteral("Die Datei mit den Tips \"%1\" enthält keinen Tip.").arg(path);
}

QString TipsFile::unwritableText(const QString& path, const QString& reason)
{
    return QStringLiteral("Die Datei mit den Tips \"%1\" kann nicht geschrieben werden: %2")
        .arg(path, reason);
}

TipsFile TipsFile::load(const QString& path)
{
    if (!QFileInfo(path).isFile())
        throw Error(missingText(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(unreadableText(path, file.errorString()));
    // A tips file is a few kilobytes; anything far beyond is no tips file, and reading it
    // whole would only cost memory.
    constexpr qint64 sizeCap = 4 * 1024 * 1024;
    if (file.size() > sizeCap)
        throw Error(unreadableText(path, QStringLiteral("Die Datei ist zu groß.")));
    QByteArray bytes = file.readAll();
    if (file.error() != QFile::NoError)
        throw Error(unreadableText(path, file.errorString()));

    TipsFile tips;
    tips.m_path = path;
    if (bytes.startsWith(byteOrderMark)) {
        tips.m_utf8 = true;
        tips.m_byteOrderMark = true;
        bytes.remove(0, byteOrderMark.size());
    } else {
        tips.m_utf8 = looksLikeUtf8(bytes);
    }
    const QString text = tips.m_utf8 ? QString::fromUtf8(bytes) : base::Windows1252::decode(bytes);
    tips.m_crlf = text.contains(QStringLiteral("\r\n")) || !text.contains(u'\n');
    for (QString line : text.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        // A blank line is no tip: showing it would show an empty window.
        if (!line.trimmed().isEmpty())
            tips.m_tips << line;
    }
    if (tips.m_tips.isEmpty())
        throw Error(emptyText(path));
    return tips;
}

TipsFile TipsFile::fromTips(const QStringList& tips)
{
    TipsFile file;
    file.m_tips = tips;
    return file;
}

void TipsFile::next()
{
    if (!m_tips.isEmpty())
        m_tips.append(m_tips.takeFirst());
}

void TipsFile::finish()
{
    if (m_path.isEmpty())
        throw Error(unwritableText(m_path, QStringLiteral("Kein Dateiname.")));
    next();
    const QString lineEnd = m_crlf ? QStringLiteral("\r\n") : QStringLiteral("\n");
    const QString text = m_tips.join(lineEnd) + lineEnd;
    QByteArray bytes = m_utf8 ? text.toUtf8() : base::Windows1252::encode(text);
    if (m_byteOrderMark)
        bytes.prepend(byteOrderMark);
    const QString failure = base::AtomicFile::write(m_path, bytes);
    if (!failure.isEmpty())
        throw Error(unwritableText(m_path, failure));
}

} // namespace pelvaro::app
