#include "cli/CliCommands.h"

#include "base/Error.h"
#include "base/FileTexts.h"
#include "base/ProgramPaths.h"
#include "base/SettingsStore.h"
#include "catalogue/CatalogueImporter.h"
#include "catalogue/CatalogueSiteDates.h"
#include "catalogue/FilterCriteria.h"
#include "catalogue/SelectionFile.h"
#include "catalogue/TDataModule1.h"
#include "cli/ConsoleUiServices.h"
#include "cli/DemoServer.h"
#include "cli/IndexNowCommands.h"
#include "cli/SiteJson.h"
#include "cli/SubmitCommands.h"
#include "cli/ToolCommands.h"
#include "cli/UpdateCommands.h"
#include "reports/rtf/RtfCodec.h"
#include "site/FieldValues.h"
#include "site/SiteFile.h"
#include "site/SiteRecord.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextDocument>
#include <QTextStream>

#include <cstdio>

namespace pelvaro::cli {

using site::SiteRecord;

namespace {

SiteRecord readSiteFile(const QString& path)
{
    site::SiteFile::ReadResult read = site::SiteFile::read(path);
    if (read.failure != site::SiteFile::Failure::None)
        throw Error(read.message);
    return read.record;
}

} // namespace

CliCommands::CliCommands(QTextStream& out, QTextStream& err)
    : m_out(out), m_err(err), m_ui(std::make_unique<ConsoleUiServices>(out, err))
{
}

CliCommands::~CliCommands() = default;

QString CliCommands::usage()
{
    return QStringLiteral(
        "Aufruf: pelvaro-cli [--home VERZEICHNIS] BEFEHL ...\n"
        "\n"
        "Die Funktionen von Pelvaro! ohne Fenster.\n"
        "\n"
        "Globale Optionen:\n"
        "  --home VERZEICHNIS   Programmverzeichnis (wie die Umgebungsvariable PELVARO_HOME)\n"
        "  --help, -h           diese Hilfe\n"
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
        "        gibt den Wert der Feldnummer N (1 bis 46) aus.\n"
        "  catalogue import QUELLVERZEICHNIS\n"
        "        baut den Katalog in daten/ aus dba.csv, dbc.csv und dbd.csv neu auf.\n"
        "  catalogue counts\n"
        "        zeigt die vier Zähler der Auswahl.\n"
        "  catalogue list [SICHT]\n"
        "        listet Nr und Name der Sicht (Vorgabe: TableEngines).\n"
        "  catalogue filter-text [--kinds VSA] [--not-registered] [--top]\n"
        "                        [--before JJJJ-MM-TT] [--countries N,N,...]\n"
        "        zeigt den Filterausdruck, den der Filter-Dialog für diese Häkchen bildet, und\n"
        "        die Zahl der passenden Einträge (Treffer=N); ändert nichts.\n"
        "  catalogue select --all | --none | --nr N[,N...] | --filter AUSDRUCK\n"
        "        wählt alle, keine, die genannten oder die zum Filter passenden Suchdienste.\n"
        "  prepare DATEI.sit\n"
        "        zeigt, was eine Anmeldung senden würde (SEND-Zeilen und Fehlerzeilen), ohne zu\n"
        "        senden und ohne den Katalog zu ändern.\n"
        "  submit DATEI.sit [--threads N] [--proxy HOST[:PORT]] [--today JJJJ-MM-TT]\n"
        "                   [--report DATEI.rtf] [--standard-report DATEI.pdf]\n"
        "                   [--ca-file DATEI.pem]\n"
        "        meldet die Site bei den ausgewählten Suchdiensten an und gibt jede Ergebniszeile\n"
        "        aus (+ Erfolg, - Fehler). Strg+C fordert den Abbruch an, ein zweites Strg+C\n"
        "        bricht sofort ab. --today trägt statt des heutigen Datums das angegebene ein.\n"
        "        --report speichert danach das Anmeldungsprotokoll (RTF-Bericht),\n"
        "        --standard-report den Standardbericht (Ansicht \"Dienst\") als PDF.\n"
        "        --ca-file vertraut für https-Adressen zusätzlich den Zertifikaten der Datei\n"
        "        (statt der Einstellung IDZusatzZertifikate).\n"
        "  indexnow key DATEI.sit\n"
        "        gibt den IndexNow-Schlüssel der Site aus (legt ihn an und speichert ihn in der\n"
        "        Datei, wenn sie noch keinen hat), dazu Adresse und Inhalt der\n"
        "        Schlüsseldatei, die im Stammverzeichnis der Site liegen muss.\n"
        "  indexnow check DATEI.sit [--proxy HOST[:PORT]] [--ca-file DATEI.pem]\n"
        "        ruft die Schlüsseldatei ab und gibt das Ergebnis aus. Status 0, wenn sie genau\n"
        "        den Schlüssel enthält (ein Zeilenende danach ist erlaubt), sonst 1. Proxy,\n"
        "        Zeitlimit und zusätzliche Zertifikate kommen aus den Einstellungen; --proxy\n"
        "        und --ca-file ersetzen sie für diesen Aufruf.\n"
        "  demo-server [--port P] [--delay MS] [--verbose] [--ca-out DATEI.pem]\n"
        "        startet Demo-Suchdienste auf 127.0.0.1, auch als Proxy nutzbar (auch für\n"
        "        https: --ca-out speichert das Zertifikat der Farm für submit --ca-file), und\n"
        "        bietet unter /kelmora/ einen neueren Katalog (3.0) und ein neueres\n"
        "        Programm (1.7.0) für \"update check ... --server\" an.\n"
        "  report text DATEI.rtf\n"
        "        gibt den Text eines RTF-Berichts aus, einen Absatz je Zeile.\n"
        "  selection save DATEI.suc\n"
        "  selection load DATEI.suc\n"
        "        speichert bzw. lädt eine Suchdiensteauswahl.\n"
        "  metatags generate\n"
        "        liest das Meta-Tag-Formular als JSON-Objekt von der Standardeingabe und gibt\n"
        "        die Meta-Tags aus (Zeilenenden CR LF). Schlüssel: EditAutor, EditHerausgeber,\n"
        "        EditCopyright, ComboBoxThema, MemoKeys, MemoBeschreibung, ComboBoxSeitentyp,\n"
        "        ComboBoxZielgruppe (Texte), ComboBoxIndizierung (0 bis 3, -1 = keine Auswahl),\n"
        "        Verfaellt (\"Nie\", \"Sofort\", \"Datum\" oder \"\"),\n"
        "        DateTimePicker (JJJJ-MM-TT, Vorgabe: heute); Rot wird übergangen. Die Frage\n"
        "        nach fehlenden Feldern wird mit Nein beantwortet; Meldungen gehen auf die\n"
        "        Standardfehlerausgabe. Ohne erzeugte Tags ist der Status 1.\n"
        "  metatags import DATEI.html\n"
        "        liest die Meta-Tags einer HTML-Datei ins Formular und gibt es als JSON-Objekt\n"
        "        in einer Zeile aus (DateTimePicker null, wenn die Datei kein Datum setzt; Rot:\n"
        "        die rot markierten Felder), danach je Meldung eine Zeile. Status 1 nur, wenn\n"
        "        die Datei nicht gelesen werden kann.\n"
        "  metatags head DATEI.html\n"
        "        zeigt den HEAD-Abschnitt der Datei (Status 1 mit der Meldung, wenn keiner\n"
        "        gefunden wird).\n"
        "  ping ADRESSE [--name-server HOST:PORT] [--timeout MS]\n"
        "        prüft eine Adresse wie \"URL prüfen\" (Namensauflösung, Ping, Web-Server-Port)\n"
        "        und gibt jeden Schritt als Zeile aus. Status 0, wenn der Ping oder der\n"
        "        Web-Server antwortet, sonst 1. --name-server fragt diesen Namensserver statt\n"
        "        der Systemvorgabe (auch mehrere, durch Kommas getrennt), --timeout setzt die\n"
        "        Wartezeit für Ping und Web-Server (Vorgabe 4000 ms).\n"
        "  update info ADRESSE\n"
        "        liest eine Informationsseite und gibt ProductName, ProductVersion,\n"
        "        ProductDateStr, ProductAuthor, DownloadURL, ProductReadMe und RunParams als\n"
        "        NAME=Wert aus (Status 1 mit dem Fehlertext, wenn sie nicht gelesen werden kann).\n"
        "  update compare INSTALLIERT ANGEBOTEN\n"
        "        gibt true aus, wenn die angebotene Version neuer ist, sonst false.\n"
        "  update check catalogue|program [--server ADRESSE] [--yes|--no] [--to VERZEICHNIS]\n"
        "        läuft wie \"Suchdienste aktualisieren\" bzw. \"Software aktualisieren\" und gibt\n"
        "        jede Meldung und Frage aus. --yes beantwortet jede Frage mit Ja und speichert\n"
        "        unter dem vorgeschlagenen Namen im aktuellen Verzeichnis (oder --to), --no\n"
        "        (Vorgabe) mit Nein. --server ersetzt IDUpdateServer für diesen Aufruf.\n"
        "        Ein Suchdienstkatalog wird installiert wie im Fenster; ein Programmpaket wird\n"
        "        nur gespeichert und seine Adresse ausgegeben. Status 1 nach einem Fehler.\n");
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
        if (rest.first() == QLatin1String("catalogue"))
            return catalogueCommand(rest.mid(1));
        if (rest.first() == QLatin1String("selection"))
            return selectionCommand(rest.mid(1));
        if (rest.first() == QLatin1String("report"))
            return reportCommand(rest.mid(1));
        if (rest.first() == QLatin1String("metatags"))
            return ToolCommands(m_out, m_err).metatags(rest.mid(1), [this] {
                return readStandardInput();
            });
        if (rest.first() == QLatin1String("ping"))
            return ToolCommands(m_out, m_err).ping(rest.mid(1));
        if (rest.first() == QLatin1String("update"))
            return UpdateCommands(m_out, m_err, base::SettingsStore::defaultFilePath(),
                                  [this] { return openCatalogue(); })
                .run(rest.mid(1));
        if (rest.first() == QLatin1String("indexnow"))
            return IndexNowCommands(m_out, m_err, base::SettingsStore::defaultFilePath())
                .run(rest.mid(1));
        if (rest.first() == QLatin1String("demo-server"))
            return DemoServer::runCommand(rest.mid(1), m_out, m_err);
        if (rest.first() == QLatin1String("prepare") || rest.first() == QLatin1String("submit")) {
            const std::unique_ptr<catalogue::TDataModule1> module = openCatalogue();
            if (!module)
                return 1;
            SubmitCommands commands(*m_ui, m_out, m_err,
                                    base::ProgramPaths::fromEnvironment(m_home).programDirectory(),
                                    base::SettingsStore::defaultFilePath());
            return rest.first() == QLatin1String("prepare") ? commands.prepare(*module, rest.mid(1))
                                                            : commands.submit(*module, rest.mid(1));
        }
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

    SiteRecord record = SiteJson::fromJson(SiteJson::parseObject(json));
    // As "Speichern" in the window writes a new site: one date entry per catalogued
    // service, none of them with a date yet. Only read from the catalogue: its dates may
    // belong to the site a window beside us has open.
    const std::unique_ptr<catalogue::TDataModule1> module = openCatalogue();
    if (!module)
        return 1;
    catalogue::CatalogueSiteDates(*module, *m_ui).collectDates(record);
    for (site::EngineDateEntry& entry : record.dates)
        entry.date = 0.0;
    const QString failure = site::SiteFile::write(target, record);
    if (!failure.isEmpty())
        return fail(
            QStringLiteral("Die Datei %1 kann nicht geschrieben werden: %2").arg(target, failure));
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

QString CliCommands::dataDirectory() const
{
    return base::ProgramPaths::fromEnvironment(m_home).dataDirectory();
}

std::unique_ptr<catalogue::TDataModule1> CliCommands::openCatalogue()
{
    base::SettingsStore settings(base::SettingsStore::defaultFilePath());
    if (!settings.LoadSettings()) {
        m_ui->error(base::SettingsStore::readErrorText());
        return nullptr;
    }
    // A user of an installed program may call the command line before the window ever
    // ran; the catalogue is copied from the installation then, as the window's start does.
    const base::ProgramPaths paths = base::ProgramPaths::fromEnvironment(m_home);
    if (QDir().mkpath(paths.dataDirectory()))
        paths.seedDataDirectory(base::ProgramPaths::installedDataDirectory());
    auto module = std::make_unique<catalogue::TDataModule1>(*m_ui);
    if (!module->open(paths.dataDirectory(), settings.settings().catalogueVersion))
        return nullptr;
    return module;
}

void CliCommands::printCounts(const catalogue::TDataModule1& module)
{
    const catalogue::SelectionCounters& c = module.counters();
    m_out << "AnzNichtAusgewaehlt=" << c.AnzNichtAusgewaehlt << '\n'
          << "AnzAusgewaehlt=" << c.AnzAusgewaehlt << '\n'
          << "AnzAutomatisch=" << c.AnzAutomatisch << '\n'
          << "AnzManuell=" << c.AnzManuell << '\n';
    m_out.flush();
}

int CliCommands::catalogueCommand(const QStringList& arguments)
{
    const QString sub = arguments.value(0);
    if (sub == QLatin1String("import")) {
        if (arguments.size() != 2)
            return fail(
                QStringLiteral("catalogue import erwartet das Verzeichnis mit den CSV-Dateien."));
        const int services =
            catalogue::CatalogueImporter::importDirectory(arguments.at(1), dataDirectory());
        m_out << QStringLiteral("Katalog mit %1 Suchdiensten nach %2 eingelesen.\n")
                     .arg(services)
                     .arg(dataDirectory());
        m_out.flush();
        return 0;
    }
    if (sub != QLatin1String("counts") && sub != QLatin1String("list") &&
        sub != QLatin1String("select") && sub != QLatin1String("filter-text"))
        return fail(QStringLiteral("Unbekannter Befehl \"catalogue %1\". Siehe pelvaro-cli --help.")
                        .arg(sub));

    const std::unique_ptr<catalogue::TDataModule1> module = openCatalogue();
    if (!module)
        return 1;
    if (sub == QLatin1String("counts")) {
        if (arguments.size() != 1)
            return fail(QStringLiteral("catalogue counts erwartet keine weiteren Angaben."));
        printCounts(*module);
        return 0;
    }
    if (sub == QLatin1String("select"))
        return catalogueSelect(*module, arguments.mid(1));
    if (sub == QLatin1String("filter-text"))
        return catalogueFilterText(*module, arguments.mid(1));

    if (arguments.size() > 2)
        return fail(QStringLiteral("catalogue list erwartet höchstens den Namen einer Sicht."));
    catalogue::store::TableCursor& view =
        module->view(arguments.value(1, QStringLiteral("TableEngines")));
    if (view.table().name != QLatin1String("dba"))
        return fail(QStringLiteral("Die Sicht %1 zeigt keine Suchdienste.").arg(view.viewName()));
    if (!view.isOpen())
        view.open();
    const int nr = view.fieldIndex(QStringLiteral("Nr"));
    const int name = view.fieldIndex(QStringLiteral("Name"));
    for (int row = 0; row < view.rowCount(); ++row)
        m_out << view.valueAt(row, nr).toInt() << '\t' << view.valueAt(row, name).toString()
              << '\n';
    m_out.flush();
    return 0;
}

int CliCommands::catalogueFilterText(catalogue::TDataModule1& module, const QStringList& arguments)
{
    using catalogue::FilterCriteria;
    FilterCriteria criteria;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        const bool hasValue = i + 1 < arguments.size();
        if (arg == QLatin1String("--kinds") && hasValue) {
            for (const QChar letter : arguments.at(++i)) {
                if (letter == QLatin1Char('V'))
                    criteria.set(FilterCriteria::Directories, true);
                else if (letter == QLatin1Char('S'))
                    criteria.set(FilterCriteria::SpiderEngines, true);
                else if (letter == QLatin1Char('A'))
                    criteria.set(FilterCriteria::Other, true);
                else
                    return fail(
                        QStringLiteral("--kinds kennt nur V, S und A, nicht \"%1\".").arg(letter));
            }
        } else if (arg == QLatin1String("--not-registered")) {
            criteria.set(FilterCriteria::NotRegistered, true);
        } else if (arg == QLatin1String("--top")) {
            criteria.set(FilterCriteria::Top100, true);
        } else if (arg == QLatin1String("--before") && hasValue) {
            const QDate date = QDate::fromString(arguments.at(++i), Qt::ISODate);
            // The dialog's picker offers no other years, and the store reads no others back.
            if (!date.isValid() || !criteria.setFilterDate(date))
                return fail(QStringLiteral("--before erwartet ein Datum JJJJ-MM-TT zwischen "
                                           "1000-01-01 und 9999-12-31."));
            criteria.set(FilterCriteria::RegisteredBefore, true);
        } else if (arg == QLatin1String("--countries") && hasValue) {
            std::array<bool, FilterCriteria::CountryCount> ticked{};
            const QString list = arguments.at(++i).trimmed();
            for (const QString& part : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                bool ok = false;
                const int code = part.trimmed().toInt(&ok);
                if (!ok || code < 0 || code >= FilterCriteria::CountryCount)
                    return fail(QStringLiteral("\"%1\" ist kein Ländercode (0 bis %2).")
                                    .arg(part)
                                    .arg(FilterCriteria::CountryCount - 1));
                ticked[size_t(code)] = true;
            }
            criteria.set(FilterCriteria::LimitCountries, true);
            criteria.setCountries(ticked);
        } else {
            return fail(QStringLiteral("catalogue filter-text erwartet [--kinds VSA] "
                                       "[--not-registered] [--top] [--before JJJJ-MM-TT] "
                                       "[--countries N,N,...]."));
        }
    }
    // Counted as the dialog counts: nothing ticked switches the filter off, so every entry
    // counts. Only the filter view changes, never a row.
    const QString expression = criteria.expression();
    const FilterCriteria::ViewFilter filter = FilterCriteria::viewFilter(expression);
    catalogue::store::TableCursor& view = module.TableFilter();
    view.setFilter(filter.text);
    view.setFiltered(filter.filtered);
    if (!view.isOpen())
        view.open();
    m_out << expression << '\n' << QStringLiteral("Treffer=%1").arg(view.rowCount()) << '\n';
    m_out.flush();
    return 0;
}

int CliCommands::catalogueSelect(catalogue::TDataModule1& module, const QStringList& arguments)
{
    const QString mode = arguments.value(0);
    if (mode == QLatin1String("--all") && arguments.size() == 1) {
        module.AllesAuswaehlen();
    } else if (mode == QLatin1String("--none") && arguments.size() == 1) {
        module.AllesNichtAuswaehlen();
    } else if (mode == QLatin1String("--filter") && arguments.size() == 2) {
        module.TableFilter().setFilter(arguments.at(1));
        module.TableFilter().setFiltered(true);
        module.FilterAuswahlUebernehmen();
    } else if (mode == QLatin1String("--nr") && arguments.size() == 2) {
        catalogue::store::TableCursor& engines = module.TableEngines();
        catalogue::store::TableCursor& selected = module.TableEngToSend();
        const int nrField = engines.fieldIndex(QStringLiteral("Nr"));
        const auto rowOf = [nrField](const catalogue::store::TableCursor& view, int nr) {
            for (int row = 0; row < view.rowCount(); ++row)
                if (view.valueAt(row, nrField).toInt() == nr)
                    return row;
            return -1;
        };
        // Every number is checked before anything changes, so a typo selects nothing.
        QList<int> toSelect;
        for (const QString& part : arguments.at(1).split(QLatin1Char(','))) {
            bool ok = false;
            const int nr = part.trimmed().toInt(&ok);
            if (!ok)
                return fail(
                    QStringLiteral("\"%1\" ist keine Nummer eines Suchdienstes.").arg(part));
            if (rowOf(engines, nr) >= 0)
                toSelect << nr;
            else if (rowOf(selected, nr) < 0)
                return fail(QStringLiteral("Es gibt keinen Suchdienst mit der Nummer %1.").arg(nr));
        }
        for (const int nr : toSelect) {
            const int row = rowOf(engines, nr);
            if (row < 0)
                continue; // named twice
            engines.moveTo(row);
            module.EintragAuswaehlen();
        }
    } else {
        return fail(QStringLiteral(
            "catalogue select erwartet --all, --none, --nr N[,N...] oder --filter AUSDRUCK."));
    }
    printCounts(module);
    return 0;
}

int CliCommands::selectionCommand(const QStringList& arguments)
{
    const QString sub = arguments.value(0);
    if ((sub != QLatin1String("save") && sub != QLatin1String("load")) || arguments.size() != 2)
        return fail(QStringLiteral("selection erwartet save DATEI.suc oder load DATEI.suc."));
    const std::unique_ptr<catalogue::TDataModule1> module = openCatalogue();
    if (!module)
        return 1;
    const QString path = arguments.at(1);
    if (sub == QLatin1String("save")) {
        const QString failure = catalogue::SelectionFile::save(*module, path);
        if (!failure.isEmpty())
            return fail(base::FileTexts::saveFailed(path, failure));
        m_ui->information(base::FileTexts::saved(path));
        return 0;
    }
    if (catalogue::SelectionFile::load(*module, path) ==
        catalogue::SelectionFile::LoadResult::NotFound)
        return fail(base::FileTexts::notFound());
    printCounts(*module);
    return 0;
}

int CliCommands::reportCommand(const QStringList& arguments)
{
    if (arguments.value(0) != QLatin1String("text") || arguments.size() != 2)
        return fail(QStringLiteral("report erwartet text DATEI.rtf."));
    const QString path = arguments.at(1);
    if (!QFileInfo(path).isFile())
        return fail(base::FileTexts::notFound() + QStringLiteral(" (%1)").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("Die Datei %1 kann nicht gelesen werden: %2")
                        .arg(path, file.errorString()));
    QTextDocument document;
    reports::rtf::readRtf(file.readAll(), document);
    m_out << reports::rtf::paragraphText(document);
    m_out.flush();
    return 0;
}

} // namespace pelvaro::cli
