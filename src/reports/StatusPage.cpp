#include "reports/StatusPage.h"

#include "base/UiServices.h"
#include "submit/AnswerPage.h"

#include <QByteArray>
#include <QFileInfo>
#include <QUrl>

#include <cctype>

namespace pelvaro::reports {

QString StatusPage::statusText()
{
    return QStringLiteral("Wählen Sie einen Bericht.");
}

bool StatusPage::reportsEnabled(const QStringList& successLines, const QStringList& failureLines)
{
    return !successLines.isEmpty() || !failureLines.isEmpty();
}

QString StatusPage::successCaption()
{
    return QStringLiteral("Anmeldung erfolgreich");
}

QString StatusPage::failureCaption()
{
    return QStringLiteral("Verbindung fehlgeschlagen/nicht möglich (z. B. bei Timeout)");
}

QString StatusPage::answerPageCommand()
{
    return QStringLiteral("Antwort der Engine anzeigen (mit externen Browser)");
}

void StatusPage::showAnswerPage(base::UiServices& ui, const QString& answerDirectory,
                                const submit::ResultRow* row)
{
    if (!row) {
        ui.information(QStringLiteral(
            "Dieser Befehl kann nur aufgerufen werden, wenn das Listenfeld mit den erfolgreichen "
            "Einträgen (linkes Listenfeld) mindestens einen Eintrag enthält"));
        return;
    }
    const QString name = row->Suchdienst.trimmed();
    const QString path = submit::AnswerPage::path(answerDirectory, name);
    // A name that cannot be a file name never got its page, and a page may have been deleted
    // since: handing the desktop a file that is not there would open nothing, unexplained.
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        ui.information(
            QStringLiteral("Die Antwort von %1 liegt nicht als Datei vor und kann nicht angezeigt "
                           "werden.")
                .arg(name));
        return;
    }
    ui.openInBrowser(QUrl::fromLocalFile(path));
}

void StatusPage::openFailedAddress(base::UiServices& ui, const submit::ResultRow* row)
{
    if (!row) {
        ui.information(QStringLiteral("Dieser Befehl kann nur aufgerufen werden, wenn das "
                                      "Listenfeld \"") +
                       failureCaption() +
                       QStringLiteral("\" (Listenfeld oben, rechts) mindestens einen Eintrag "
                                      "enthält"));
        return;
    }
    const QString address = row->Reserviert.trimmed();
    const QUrl url = browserUrl(address);
    if (address.isEmpty() || !url.isValid() || url.scheme().isEmpty() || !ui.openUrl(url))
        ui.error(QStringLiteral("Aufruf der angeforderten URL nicht möglich!"));
}

QUrl StatusPage::browserUrl(const QString& address)
{
    static const QByteArray unsafe = QByteArrayLiteral("\"<>\\^`{|}");
    const QByteArray bytes = address.toUtf8();
    QByteArray encoded;
    encoded.reserve(bytes.size() * 3);
    const auto isHex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes.at(i));
        const bool escaped =
            byte == '%' && i + 2 < bytes.size() && isHex(bytes.at(i + 1)) && isHex(bytes.at(i + 2));
        if (byte <= 0x20 || byte >= 0x7f || unsafe.contains(char(byte)) ||
            (byte == '%' && !escaped))
            encoded += '%' + QByteArray::number(byte, 16).toUpper().rightJustified(2, '0');
        else
            encoded += char(byte);
    }
    return QUrl::fromEncoded(encoded, QUrl::StrictMode);
}

} // namespace pelvaro::reports
