#include "submit/IndexNowKey.h"

#include <QRandomGenerator>

namespace pelvaro::submit {

QString IndexNowKey::generate()
{
    static constexpr char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    constexpr quint32 alphabetSize = sizeof(alphabet) - 1;
    QString key;
    key.reserve(GeneratedLength);
    QRandomGenerator* random = QRandomGenerator::system();
    for (int i = 0; i < GeneratedLength; ++i)
        key += QLatin1Char(alphabet[random->bounded(alphabetSize)]);
    return key;
}

bool IndexNowKey::isValid(const QString& key)
{
    if (key.size() < MinLength || key.size() > MaxLength)
        return false;
    for (const QChar c : key) {
        const char16_t u = c.unicode();
        const bool ok = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') ||
                        (u >= u'0' && u <= u'9') || u == u'-';
        if (!ok)
            return false;
    }
    return true;
}

QString IndexNowKey::invalidKeyText(const QString& key)
{
    return QStringLiteral("Der IndexNow-Schlüssel \"%1\" ist ungültig: erlaubt sind 8 bis 128 "
                          "Buchstaben (A-Z, a-z), Ziffern und Bindestriche.")
        .arg(key);
}

QString IndexNowKey::noKeyText()
{
    return QStringLiteral("Für diese Site gibt es noch keinen IndexNow-Schlüssel. Erzeugen Sie "
                          "ihn auf der Seite \"Automatisch anmelden\" unter \"IndexNow ...\" "
                          "(oder mit \"pelvaro-cli indexnow key DATEI.sit\") und legen Sie "
                          "die Schlüsseldatei auf die Site.");
}

QUrl IndexNowKey::siteUrl(const QString& siteAddress)
{
    const QString trimmed = siteAddress.trimmed();
    const bool schemeGiven = trimmed.contains(QStringLiteral("://"));
    const QUrl url(schemeGiven ? trimmed : QStringLiteral("http://") + trimmed);
    const QString scheme = url.scheme().toLower();
    // "mailto:info@example.org" would read as a user name at a host once "http://" is put
    // before it.
    if (!url.isValid() || url.host().isEmpty() || (!schemeGiven && !url.userInfo().isEmpty()) ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return {};
    return url;
}

QString IndexNowKey::badSiteAddressText(const QString& siteAddress)
{
    return QStringLiteral("Die Adresse der Site \"%1\" ist keine gültige http- oder "
                          "https-Adresse. Tragen Sie sie in den Kenndaten ein, z. B. "
                          "\"https://www.example.org/\".")
        .arg(siteAddress);
}

QString IndexNowKey::keyFileUrl(const QString& siteAddress, const QString& key)
{
    const QUrl site = siteUrl(siteAddress);
    if (site.isEmpty())
        return {};
    QUrl keyFile;
    keyFile.setScheme(site.scheme().toLower());
    keyFile.setHost(site.host());
    keyFile.setPort(site.port());
    keyFile.setPath(QLatin1Char('/') + key + QStringLiteral(".txt"));
    return keyFile.toString(QUrl::FullyEncoded);
}

QString IndexNowKey::placementText(const QString& siteAddress, const QString& key)
{
    return QStringLiteral("Legen Sie im Stammverzeichnis der Site die Datei \"%1.txt\" an, die "
                          "genau den Schlüssel %1 enthält (ohne weitere Zeichen, UTF-8), so "
                          "dass sie unter %2 abrufbar ist.")
        .arg(key, keyFileUrl(siteAddress, key));
}

QString IndexNowKey::hostKey(const QUrl& url)
{
    QString host = url.host(QUrl::FullyEncoded).toLower();
    if (host.endsWith(QLatin1Char('.')))
        host.chop(1);
    return host;
}

} // namespace pelvaro::submit
