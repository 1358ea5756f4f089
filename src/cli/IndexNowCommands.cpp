#include "cli/IndexNowCommands.h"

#include "base/SettingsStore.h"
#include "site/SiteFile.h"
#include "submit/IndexNowKey.h"
#include "submit/IndexNowKeyCheck.h"

#include <QTextStream>

namespace pelvaro::cli {

using submit::IndexNowKey;

int IndexNowCommands::fail(const QString& message)
{
    m_out.flush();
    m_err << QStringLiteral("Fehler: ") << message << '\n';
    m_err.flush();
    return 1;
}

int IndexNowCommands::run(const QStringList& arguments)
{
    const QString sub = arguments.value(0);
    if (sub == QLatin1String("key")) {
        if (arguments.size() != 2)
            return fail(QStringLiteral("indexnow key erwartet genau eine Site-Info-Datei."));
        return key(arguments.at(1));
    }
    if (sub == QLatin1String("check")) {
        QString path;
        QString proxy;
        std::optional<QString> caFile;
        for (qsizetype i = 1; i < arguments.size(); ++i) {
            if (arguments.at(i) == QLatin1String("--proxy")) {
                if (i + 1 >= arguments.size())
                    return fail(QStringLiteral("--proxy erwartet HOST[:PORT]."));
                proxy = arguments.at(++i);
            } else if (arguments.at(i) == QLatin1String("--ca-file")) {
                if (i + 1 >= arguments.size())
                    return fail(QStringLiteral("--ca-file erwartet eine PEM-Datei."));
                caFile = arguments.at(++i);
            } else if (path.isEmpty()) {
                path = arguments.at(i);
            } else {
                return fail(QStringLiteral("Zu viele Angaben: \"%1\".").arg(arguments.at(i)));
            }
        }
        if (path.isEmpty())
            return fail(QStringLiteral("indexnow check erwartet eine Site-Info-Datei."));
        return check(path, proxy, caFile);
    }
    return fail(
        QStringLiteral("Unbekannter Befehl \"indexnow %1\". Siehe pelvaro-cli --help.").arg(sub));
}

int IndexNowCommands::key(const QString& path)
{
    site::SiteFile::ReadResult read = site::SiteFile::read(path);
    if (read.failure != site::SiteFile::Failure::None)
        return fail(read.message);
    site::SiteRecord& record = read.record;
    if (!IndexNowKey::isValid(record.indexNowKey)) {
        // A key nobody could have published yet (none, or damaged) is simply replaced.
        record.indexNowKey = IndexNowKey::generate();
        const QString failure = site::SiteFile::write(path, record);
        if (!failure.isEmpty())
            return fail(QStringLiteral("Die Datei %1 kann nicht geschrieben werden: %2")
                            .arg(path, failure));
        m_out << QStringLiteral("Neuer IndexNow-Schlüssel erzeugt und in %1 gespeichert.\n")
                     .arg(path);
    }
    const QString key = record.indexNowKey;
    m_out << QStringLiteral("Schlüssel: %1\n").arg(key);
    const QString keyFileUrl = IndexNowKey::keyFileUrl(record.URLEdit, key);
    if (keyFileUrl.isEmpty())
        return fail(IndexNowKey::badSiteAddressText(record.URLEdit));
    m_out << QStringLiteral("Schlüsseldatei: %1\n").arg(keyFileUrl)
          << QStringLiteral("Inhalt: %1\n").arg(key)
          << IndexNowKey::placementText(record.URLEdit, key) << '\n';
    m_out.flush();
    return 0;
}

int IndexNowCommands::check(const QString& path, const QString& proxy,
                            const std::optional<QString>& caFile)
{
    const site::SiteFile::ReadResult read = site::SiteFile::read(path);
    if (read.failure != site::SiteFile::Failure::None)
        return fail(read.message);
    if (read.record.indexNowKey.isEmpty())
        return fail(QStringLiteral("Die Datei %1 enthält noch keinen IndexNow-Schlüssel. Legen "
                                   "Sie ihn an mit: pelvaro-cli indexnow key %1")
                        .arg(path));
    base::SettingsStore store(m_settingsFile);
    store.LoadSettings();
    submit::ExchangeRequest settings;
    settings.proxyHost = store.settings().proxyHost;
    settings.proxyPort = store.settings().proxyPort;
    settings.idleTimeLimit = store.settings().idleTimeLimit;
    settings.caFile = caFile.value_or(store.settings().caFile);
    if (!proxy.isEmpty()) {
        settings.proxyHost = proxy;
        settings.proxyPort.clear();
    }
    if (const QString problem = submit::HttpExchange::checkCaFile(settings.caFile);
        !problem.isEmpty())
        return fail(problem);
    const submit::IndexNowKeyCheck::Result result = submit::IndexNowKeyCheck::run(
        read.record.URLEdit, read.record.indexNowKey, submit::plainExchangeRunner(settings));
    m_out << result.message << '\n';
    m_out.flush();
    return result.ok() ? 0 : 1;
}

} // namespace pelvaro::cli
