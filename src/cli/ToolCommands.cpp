#include "cli/ToolCommands.h"

#include "base/Error.h"
#include "cli/ConsoleUiServices.h"
#include "cli/SiteJson.h"
#include "tools/MetaTagGenerator.h"
#include "tools/MetaTagImporter.h"
#include "tools/PingCheck.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QTextStream>

#include <algorithm>
#include <array>

namespace pelvaro::cli {

using tools::ExpiryChoice;
using tools::MetaTagField;
using tools::MetaTagForm;

namespace {

struct TextKey
{
    const char* name;
    QString MetaTagForm::*member;
};

const std::array<TextKey, 8> textKeys{{
    {"EditAutor", &MetaTagForm::EditAutor},
    {"EditHerausgeber", &MetaTagForm::EditHerausgeber},
    {"EditCopyright", &MetaTagForm::EditCopyright},
    {"ComboBoxThema", &MetaTagForm::ComboBoxThema},
    {"MemoKeys", &MetaTagForm::MemoKeys},
    {"MemoBeschreibung", &MetaTagForm::MemoBeschreibung},
    {"ComboBoxSeitentyp", &MetaTagForm::ComboBoxSeitentyp},
    {"ComboBoxZielgruppe", &MetaTagForm::ComboBoxZielgruppe},
}};

const QLatin1String indizierungKey("ComboBoxIndizierung");
const QLatin1String expiryKey("Verfaellt");
const QLatin1String dateKey("DateTimePicker");
// Written by "metatags import" and taken back without complaint, so its output can be
// handed to "metatags generate" as it is.
const QLatin1String redKey("Rot");

QString expiryText(ExpiryChoice choice)
{
    switch (choice) {
    case ExpiryChoice::Nie:
        return QStringLiteral("Nie");
    case ExpiryChoice::Sofort:
        return QStringLiteral("Sofort");
    case ExpiryChoice::Datum:
        return QStringLiteral("Datum");
    case ExpiryChoice::None:
        break;
    }
    return {};
}

// The form from the JSON object; throws the German reason when a key or value is wrong.
MetaTagForm formFromJson(const QJsonObject& object)
{
    MetaTagForm form;
    // The window's picker starts at today's date, so "Datum" without a date means today.
    form.DateTimePicker = QDate::currentDate();
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString key = it.key();
        const QJsonValue value = it.value();
        const auto text = std::find_if(textKeys.begin(), textKeys.end(), [&](const TextKey& k) {
            return key == QLatin1String(k.name);
        });
        if (text != textKeys.end()) {
            if (!value.isString())
                throw Error(QStringLiteral("\"%1\" muss ein Text sein.").arg(key));
            form.*(text->member) = value.toString();
        } else if (key == indizierungKey) {
            const double position = value.toDouble(-2);
            if (!value.isDouble() || position != int(position) || position < -1 || position > 3)
                throw Error(
                    QStringLiteral("\"%1\" muss eine Zahl von 0 bis 3 sein (-1 = keine Auswahl).")
                        .arg(key));
            form.ComboBoxIndizierung = int(position);
        } else if (key == expiryKey) {
            const QString choice = value.toString();
            if (!value.isString() ||
                (choice != QLatin1String("Nie") && choice != QLatin1String("Sofort") &&
                 choice != QLatin1String("Datum") && !choice.isEmpty()))
                throw Error(
                    QStringLiteral("\"%1\" muss \"Nie\", \"Sofort\", \"Datum\" oder \"\" sein.")
                        .arg(key));
            form.expiry = choice == QLatin1String("Nie")      ? ExpiryChoice::Nie
                          : choice == QLatin1String("Sofort") ? ExpiryChoice::Sofort
                          : choice == QLatin1String("Datum")  ? ExpiryChoice::Datum
                                                              : ExpiryChoice::None;
        } else if (key == dateKey) {
            if (value.isNull())
                continue;
            const QDate date = QDate::fromString(value.toString(), Qt::ISODate);
            if (!value.isString() || !date.isValid())
                throw Error(
                    QStringLiteral("\"%1\" muss ein Datum JJJJ-MM-TT oder null sein.").arg(key));
            form.DateTimePicker = date;
        } else if (key != redKey) {
            throw Error(QStringLiteral("Unbekannter Schlüssel \"%1\". Erlaubt sind %2.")
                            .arg(key, QStringLiteral("EditAutor, EditHerausgeber, EditCopyright, "
                                                     "ComboBoxThema, MemoKeys, MemoBeschreibung, "
                                                     "ComboBoxSeitentyp, ComboBoxZielgruppe, "
                                                     "ComboBoxIndizierung, Verfaellt und "
                                                     "DateTimePicker")));
        }
    }
    return form;
}

QJsonObject formToJson(const MetaTagForm& form, const QStringList& red)
{
    QJsonObject object;
    for (const TextKey& key : textKeys)
        object.insert(QLatin1String(key.name), form.*(key.member));
    object.insert(indizierungKey, form.ComboBoxIndizierung);
    object.insert(expiryKey, expiryText(form.expiry));
    object.insert(dateKey, form.DateTimePicker.isValid()
                               ? QJsonValue(form.DateTimePicker.toString(Qt::ISODate))
                               : QJsonValue(QJsonValue::Null));
    object.insert(redKey, QJsonArray::fromStringList(red));
    return object;
}

// One line per box: its kind, then its text with the box's line breaks as blanks.
QString messageLine(const tools::MetaTagMessage& message)
{
    QString kind;
    switch (message.kind) {
    case base::MessageKind::Warning:
        kind = QStringLiteral("Warnung");
        break;
    case base::MessageKind::Error:
        kind = QStringLiteral("Fehler");
        break;
    case base::MessageKind::Question:
        kind = QStringLiteral("Frage");
        break;
    case base::MessageKind::Information:
        kind = QStringLiteral("Information");
        break;
    }
    QString text = message.text;
    text.replace(u'\n', u' ');
    return kind + QStringLiteral(": ") + text;
}

} // namespace

int ToolCommands::fail(const QString& message)
{
    m_err << QStringLiteral("Fehler: ") << message << '\n';
    m_err.flush();
    return 1;
}

int ToolCommands::metatags(const QStringList& arguments,
                           const std::function<QByteArray()>& readInput)
{
    const QString sub = arguments.value(0);
    if (sub == QLatin1String("generate") && arguments.size() == 1)
        return generate(readInput());
    if (sub == QLatin1String("import") && arguments.size() == 2)
        return import(arguments.at(1));
    if (sub == QLatin1String("head") && arguments.size() == 2)
        return head(arguments.at(1));
    return fail(QStringLiteral("metatags erwartet generate, import DATEI oder head DATEI."));
}

int ToolCommands::generate(const QByteArray& json)
{
    MetaTagForm form;
    try {
        form = formFromJson(SiteJson::parseObject(json));
    } catch (const Error& e) {
        return fail(e.message());
    }
    // Every box goes to standard error, so standard output holds nothing but the tags; the
    // completeness question takes its safe answer, No, and the tags are made regardless.
    ConsoleUiServices ui(m_err, m_err);
    const tools::MetaTagRun run = tools::MetaTagGenerator::run(form, ui);
    m_out << run.tags;
    m_out.flush();
    return run.tags.isEmpty() ? 1 : 0;
}

int ToolCommands::import(const QString& path)
{
    MetaTagForm start;
    // Null: the output shows a date only where the page set one.
    start.DateTimePicker = QDate();
    // The program is German and reads an expiry date as a German desktop would, whatever
    // the machine running a script is set to.
    const tools::MetaTagImportResult result =
        tools::MetaTagImporter::importFile(path, start, QLocale(QLocale::German, QLocale::Germany));

    // Red is what the user sees right after the import: the import's own marks and the
    // length monitor's, which it starts.
    QStringList red = result.redFields;
    for (const MetaTagField field : tools::MetaTagGenerator::fieldsOverLimit(result.form)) {
        const QString name = tools::MetaTagGenerator::objectName(field);
        if (!red.contains(name))
            red << name;
    }
    m_out << QString::fromUtf8(
                 QJsonDocument(formToJson(result.form, red)).toJson(QJsonDocument::Compact))
          << '\n';
    bool unreadable = false;
    for (const tools::MetaTagMessage& message : result.messages) {
        m_out << messageLine(message) << '\n';
        unreadable = unreadable || message.kind == base::MessageKind::Error;
    }
    m_out.flush();
    return unreadable ? 1 : 0;
}

int ToolCommands::head(const QString& path)
{
    const tools::HeadExtraction head =
        tools::MetaTagImporter::extractHead(path, tools::MetaTagImporter::HeadPart::ForView);
    if (head.found) {
        m_out << head.text;
        if (!head.text.endsWith(u'\n'))
            m_out << '\n';
    }
    for (const tools::MetaTagMessage& message : head.messages)
        m_out << messageLine(message) << '\n';
    m_out.flush();
    return head.found ? 0 : 1;
}

int ToolCommands::ping(const QStringList& arguments)
{
    QString address;
    QByteArray nameServers;
    int timeoutMs = 0;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        const bool hasValue = i + 1 < arguments.size();
        if (arg == QLatin1String("--name-server") && hasValue) {
            nameServers = arguments.at(++i).toUtf8();
        } else if (arg == QLatin1String("--timeout") && hasValue) {
            bool ok = false;
            timeoutMs = arguments.at(++i).toInt(&ok);
            if (!ok || timeoutMs <= 0)
                return fail(QStringLiteral("--timeout erwartet Millisekunden größer als 0."));
        } else if (address.isNull() && !arg.startsWith(QLatin1String("--"))) {
            address = arg;
        } else {
            return fail(
                QStringLiteral("ping erwartet ADRESSE [--name-server HOST:PORT] [--timeout MS]."));
        }
    }
    if (address.isNull())
        return fail(QStringLiteral("ping erwartet eine Adresse wie im Feld \"URL\"."));

    ConsoleUiServices ui(m_out, m_err);
    const QString problem = tools::pingAddressProblem(address);
    if (!problem.isEmpty()) {
        ui.warning(problem);
        return 1;
    }
    const tools::PingTarget target = tools::pingTargetFromAddress(address);

    tools::PingCheck check;
    check.setNameServers(nameServers);
    if (timeoutMs > 0) {
        check.setEchoTimeout(timeoutMs);
        check.setWebPortTimeout(timeoutMs);
    }
    QEventLoop loop;
    bool done = false;
    bool reached = false;
    QObject::connect(&check, &tools::PingCheck::logLine, &check, [this](const QString& line) {
        m_out << line << '\n';
        m_out.flush();
    });
    QObject::connect(&check, &tools::PingCheck::lookupStartFailed, &check,
                     [&ui](const QString& message) { ui.showGeneralError(message); });
    QObject::connect(&check, &tools::PingCheck::finished, &check,
                     [&](bool echoAnswered, bool webPortAnswered) {
                         done = true;
                         reached = echoAnswered || webPortAnswered;
                         loop.quit();
                     });
    check.start(target.host, target.port);
    // A host in dotted decimal form may be through before start() returns.
    if (!done)
        loop.exec();
    return reached ? 0 : 1;
}

} // namespace pelvaro::cli
