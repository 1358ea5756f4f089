#include "cli/CliCommands.h"

#include "app/Error.h"
#include "cli/SiteJson.h"
#include "site/FieldValues.h"
#include "site/SiteRecord.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QTextStream>

#include <cstdio>

namespace pelvaro::cli {

using site::SiteRecord;

namespace {

SiteRecord readSiteFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Die Datei %1 kann nicht gelesen werden: %2")
                        .arg(path, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (bytes.size() != SiteRecord::ByteSize)
        throw Error(QStringLiteral("Die Datei %1 ist keine gültige Site-Info-Datei: sie ist %2 "
                                   "Byte groß statt %3 Byte.")
                        .arg(path)
                        .arg(bytes.size())
                        .arg(SiteRecord::ByteSize));
    return SiteRecord::decode(bytes);
}

} // namespace

CliCommands::CliCommands(QTextStream& out, QTextStream& err) : m_out(out), m_err(err) {}

QString CliCommands::usage()
{
    return QStringLiteral(
        "Aufruf: pelvaro-cli [--home VERZEICHNIS] BEFEHL ...\n"
        "\n"
        "Die Funktionen von Pelvaro! ohne Fenster.\n"
        "\n"
        "Globale Optionen:\n"
        "  --home VERZEICHNIS   Programmverzeichnis (wie die Umgebungsvariable PELVARO_HOME)\n"
        "  --help               diese Hilfe\n"
        "\n"
        "Befehle:\n"
        "  site new DATEI.sit [--from DATEI.json]\n"
        "        legt eine Site-Info-Datei aus JSON an (ohne --from von der Standardeingabe).\n"
        "        Schlüssel sind die Feldnamen (FirstNameEdit ... productsEdit, ageEdit,\n"
        "        KeywordsMemo, DescriptionMemo, Key1 ... Key15) und die sechs Listen als\n"
        "        Eintragsnummern (LanguageCombo, webtypeCombo, CategoryCombo, countryCombo,\n"
        "        GreetingCombo, sexCombo; -1 = keine Auswahl). Fehlende Schlüssel bleiben leer,\n"
        "        zu lange Texte werden gekürzt, FullName wird berechnet; FullName und dates\n"
        "        werden bei der Eingabe ignoriert, die Datumstabelle bleibt leer.\n"
        "  site show DATEI.sit\n"
        "        gibt die Kenndaten als JSON aus, mit FullName und dates ([Nr, \"JJJJ-MM-TT\"]).\n"
        "  site value DATEI.sit N\n"
        "        gibt den Wert der Feldnummer N (1 bis 46) aus.\n");
}

int CliCommands::fail(const QString& message)
{
    m_err << QStringLiteral("Fehler: ") << message << '\n';
    m_err.flush();
    return 1;
}

int CliCommands::run(const QStringList& arguments)
{
    QStringList rest;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            m_out << usage();
            m_out.flush();
            return 0;
        }
        if (arg == QLatin1String("--home")) {
            if (i + 1 >= arguments.size())
                return fail(QStringLiteral("--home erwartet ein Verzeichnis."));
            m_home = arguments.at(++i);
            continue;
        }
        rest << arg;
    }
    if (rest.isEmpty()) {
        m_err << usage();
        m_err.flush();
        return 1;
    }
    try {
        if (rest.first() == QLatin1String("site"))
            return siteCommand(rest.mid(1));
        return fail(QStringLiteral("Unbekannter Befehl \"%1\". Siehe pelvaro-cli --help.")
                        .arg(rest.first()));
    } catch (const Error& e) {
        return fail(e.message());
    }
}

int CliCommands::siteCommand(const QStringList& arguments)
{
    const QString sub = arguments.value(0);
    if (sub == QLatin1String("new"))
        return siteNew(arguments.mid(1));
    if (sub == QLatin1String("show"))
        return siteShow(arguments.mid(1));
    if (sub == QLatin1String("value"))
        return siteValue(arguments.mid(1));
    return fail(
        QStringLiteral("Unbekannter Befehl \"site %1\". Siehe pelvaro-cli --help.").arg(sub));
}

QByteArray CliCommands::readStandardInput()
{
    if (m_stdinSet)
        return m_stdin;
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly))
        throw Error(QStringLiteral("Die Standardeingabe kann nicht gelesen werden."));
    return in.readAll();
}

int CliCommands::siteNew(const QStringList& arguments)
{
    QString target;
    QString from;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--from")) {
            if (i + 1 >= arguments.size())
                return fail(QStringLiteral("--from erwartet eine JSON-Datei."));
            from = arguments.at(++i);
        } else if (target.isEmpty()) {
            target = arguments.at(i);
        } else {
            return fail(QStringLiteral("Zu viele Angaben: \"%1\".").arg(arguments.at(i)));
        }
    }
    if (target.isEmpty())
        return fail(QStringLiteral("site new erwartet den Namen der Site-Info-Datei."));

    QByteArray json;
    if (from.isEmpty()) {
        json = readStandardInput();
    } else {
        QFile file(from);
        if (!file.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("Die Datei %1 kann nicht gelesen werden: %2")
                            .arg(from, file.errorString()));
        json = file.readAll();
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return fail(QStringLiteral("Ungültiges JSON an Position %1: %2")
                        .arg(parseError.offset)
                        .arg(parseError.errorString()));
    if (!document.isObject())
        return fail(QStringLiteral("Das JSON muss ein Objekt sein."));

    const SiteRecord record = SiteJson::fromJson(document.object());
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(record.encode()) != SiteRecord::ByteSize ||
        !file.commit())
        return fail(QStringLiteral("Die Datei %1 kann nicht geschrieben werden: %2")
                        .arg(target, file.errorString()));
    return 0;
}

int CliCommands::siteShow(const QStringList& arguments)
{
    if (arguments.size() != 1)
        return fail(QStringLiteral("site show erwartet genau eine Site-Info-Datei."));
    const SiteRecord record = readSiteFile(arguments.first());
    m_out << QString::fromUtf8(
        QJsonDocument(SiteJson::toJson(record)).toJson(QJsonDocument::Indented));
    m_out.flush();
    return 0;
}

int CliCommands::siteValue(const QStringList& arguments)
{
    if (arguments.size() != 2)
        return fail(
            QStringLiteral("site value erwartet eine Site-Info-Datei und eine Feldnummer."));
    bool ok = false;
    const int number = arguments.at(1).toInt(&ok);
    if (!ok)
        return fail(QStringLiteral("\"%1\" ist keine Feldnummer.").arg(arguments.at(1)));
    const SiteRecord record = readSiteFile(arguments.first());
    const std::optional<QString> value = site::FieldValues::FeldWert(record, number, nullptr);
    if (!value)
        return fail(QStringLiteral("Die Feldnummer %1 bezeichnet keinen Wert der Kenndaten "
                                   "(gültig sind 1 bis 46).")
                        .arg(number));
    m_out << *value << '\n';
    m_out.flush();
    return 0;
}

} // namespace pelvaro::cli
