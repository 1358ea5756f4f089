#include "tools/MetaTagGenerator.h"

#include "base/UiServices.h"
#include "tools/MetaTagLists.h"

#include <array>

namespace pelvaro::tools {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

bool isTrimmed(QChar c)
{
    return c.unicode() <= 32;
}

// Only codes 0 to 32 go: QString::trimmed would also take non-breaking and other Unicode
// spaces that the user may have meant.
QString trimControls(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isTrimmed(text.at(begin)))
        ++begin;
    while (end > begin && isTrimmed(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

// The editors deliver LF, the importers may deliver CR LF; the output always carries CR LF.
QString withCrLf(const QString& text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r') {
            result += kCrLf;
            if (i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
        } else if (c == u'\n') {
            result += kCrLf;
        } else {
            result += c;
        }
    }
    return result;
}

// A double quote would end the attribute early; nothing else needs it inside a quoted value.
QString attributeValue(const QString& value)
{
    QString escaped = withCrLf(value);
    escaped.replace(u'"', QStringLiteral("&quot;"));
    return escaped;
}

void emitTag(QString& out, const QString& name, const QString& content)
{
    out += QStringLiteral("<META NAME=\"") + name + QStringLiteral("\" CONTENT=\"") + content +
           QStringLiteral("\">") + kCrLf;
}

// Trims the field in place and emits its tag when anything is left.
void emitTextTag(QString& out, const QString& name, QString& field)
{
    field = trimControls(field);
    if (!field.isEmpty())
        emitTag(out, name, attributeValue(field));
}

} // namespace

QString MetaTagGenerator::questionFillInFirst()
{
    return QStringLiteral(
        "Sie haben nicht alle Felder ausgefüllt. Möchten Sie zunächst alle Felder ausfüllen?");
}

QString MetaTagGenerator::informationNothingGenerated()
{
    return QStringLiteral("Es können keine Meta-Tags erzeugt werden, da Sie keines der "
                          "erforderlichen Felder ausgefüllt haben.");
}

QString MetaTagGenerator::statusPageShown()
{
    return QStringLiteral("Füllen Sie die Felder aus, laden Sie die Tags aus einer Datei oder "
                          "übernehmen Sie Ihre Eingaben aus den Kenndaten");
}

QString MetaTagGenerator::statusTooLong(const QString& lastChosenHtmlFile)
{
    return QStringLiteral("Unzulässige Größe: Eintrag (aus ") + lastChosenHtmlFile +
           QStringLiteral(") überschreitet die zulässige Größe!");
}

QString MetaTagGenerator::objectName(MetaTagField field)
{
    switch (field) {
    case MetaTagField::EditAutor:
        return QStringLiteral("EditAutor");
    case MetaTagField::EditHerausgeber:
        return QStringLiteral("EditHerausgeber");
    case MetaTagField::EditCopyright:
        return QStringLiteral("EditCopyright");
    case MetaTagField::ComboBoxThema:
        return QStringLiteral("ComboBoxThema");
    case MetaTagField::MemoKeys:
        return QStringLiteral("MemoKeys");
    case MetaTagField::MemoBeschreibung:
        return QStringLiteral("MemoBeschreibung");
    case MetaTagField::ComboBoxSeitentyp:
        return QStringLiteral("ComboBoxSeitentyp");
    case MetaTagField::ComboBoxIndizierung:
        return QStringLiteral("ComboBoxIndizierung");
    case MetaTagField::ComboBoxZielgruppe:
        return QStringLiteral("ComboBoxZielgruppe");
    case MetaTagField::DateTimePicker:
        return QStringLiteral("DateTimePicker");
    }
    return {};
}

int MetaTagGenerator::limit(MetaTagField field)
{
    switch (field) {
    case MetaTagField::MemoKeys:
    case MetaTagField::MemoBeschreibung:
        return kMemoLimit;
    case MetaTagField::DateTimePicker:
        return 0;
    default:
        return kLineLimit;
    }
}

QString MetaTagGenerator::text(const MetaTagForm& form, MetaTagField field)
{
    switch (field) {
    case MetaTagField::EditAutor:
        return form.EditAutor;
    case MetaTagField::EditHerausgeber:
        return form.EditHerausgeber;
    case MetaTagField::EditCopyright:
        return form.EditCopyright;
    case MetaTagField::ComboBoxThema:
        return form.ComboBoxThema;
    case MetaTagField::MemoKeys:
        return form.MemoKeys;
    case MetaTagField::MemoBeschreibung:
        return form.MemoBeschreibung;
    case MetaTagField::ComboBoxSeitentyp:
        return form.ComboBoxSeitentyp;
    case MetaTagField::ComboBoxIndizierung: {
        const QStringList& entries = MetaTagLists::indizierungEntries();
        return form.ComboBoxIndizierung >= 0 && form.ComboBoxIndizierung < entries.size()
                   ? entries.at(form.ComboBoxIndizierung)
                   : QString();
    }
    case MetaTagField::ComboBoxZielgruppe:
        return form.ComboBoxZielgruppe;
    case MetaTagField::DateTimePicker:
        return {};
    }
    return {};
}

qsizetype MetaTagGenerator::memoLength(const QString& text)
{
    return withCrLf(text).size();
}

std::vector<MetaTagField> MetaTagGenerator::fieldsOverLimit(const MetaTagForm& form)
{
    static constexpr std::array kMonitored{
        MetaTagField::EditAutor,         MetaTagField::EditHerausgeber,
        MetaTagField::EditCopyright,     MetaTagField::ComboBoxThema,
        MetaTagField::MemoKeys,          MetaTagField::MemoBeschreibung,
        MetaTagField::ComboBoxSeitentyp, MetaTagField::ComboBoxIndizierung,
        MetaTagField::ComboBoxZielgruppe};
    std::vector<MetaTagField> over;
    for (MetaTagField field : kMonitored) {
        const QString value = text(form, field);
        const bool memo = limit(field) == kMemoLimit;
        if ((memo ? memoLength(value) : value.size()) > limit(field))
            over.push_back(field);
    }
    return over;
}

ExpiryChoice MetaTagGenerator::toggleExpiry(ExpiryChoice current, ExpiryChoice box, bool ticked)
{
    if (ticked)
        return box;
    return current == box ? ExpiryChoice::None : current;
}

QString MetaTagGenerator::expiryDateText(const QDate& date)
{
    // Fixed tables rather than QLocale: the tag must read the same on every user's machine.
    static const std::array<QString, 7> weekdays{
        QStringLiteral("Mon"), QStringLiteral("Tue"), QStringLiteral("Wed"), QStringLiteral("Thu"),
        QStringLiteral("Fri"), QStringLiteral("Sat"), QStringLiteral("Sun")};
    static const std::array<QString, 12> months{
        QStringLiteral("Jan"), QStringLiteral("Feb"), QStringLiteral("Mar"), QStringLiteral("Apr"),
        QStringLiteral("May"), QStringLiteral("Jun"), QStringLiteral("Jul"), QStringLiteral("Aug"),
        QStringLiteral("Sep"), QStringLiteral("Oct"), QStringLiteral("Nov"), QStringLiteral("Dec")};
    if (!date.isValid())
        return {};
    return QStringLiteral("%1, %2 %3 %4 00:00:00 GMT")
        .arg(weekdays.at(static_cast<std::size_t>(date.dayOfWeek() - 1)))
        .arg(date.day())
        .arg(months.at(static_cast<std::size_t>(date.month() - 1)))
        .arg(date.year(), 4, 10, QLatin1Char('0'));
}

std::optional<MetaTagField> MetaTagGenerator::firstMissing(const MetaTagForm& form)
{
    static constexpr std::array kFocusOrder{
        MetaTagField::EditAutor,         MetaTagField::EditHerausgeber,
        MetaTagField::EditCopyright,     MetaTagField::ComboBoxThema,
        MetaTagField::MemoKeys,          MetaTagField::MemoBeschreibung,
        MetaTagField::ComboBoxSeitentyp, MetaTagField::ComboBoxIndizierung,
        MetaTagField::ComboBoxZielgruppe};
    for (MetaTagField field : kFocusOrder) {
        if (text(form, field).isEmpty())
            return field;
    }
    if (form.expiry == ExpiryChoice::None)
        return MetaTagField::DateTimePicker;
    return std::nullopt;
}

QString MetaTagGenerator::generate(MetaTagForm& form)
{
    QString out;
    emitTextTag(out, QStringLiteral("author"), form.EditAutor);
    emitTextTag(out, QStringLiteral("publisher"), form.EditHerausgeber);
    emitTextTag(out, QStringLiteral("copyright"), form.EditCopyright);
    emitTextTag(out, QStringLiteral("keywords"), form.MemoKeys);
    emitTextTag(out, QStringLiteral("description"), form.MemoBeschreibung);
    emitTextTag(out, QStringLiteral("page-topic"), form.ComboBoxThema);
    emitTextTag(out, QStringLiteral("audience"), form.ComboBoxZielgruppe);

    const QString expires = QStringLiteral("expires");
    switch (form.expiry) {
    case ExpiryChoice::Nie:
        emitTag(out, expires, QStringLiteral("NEVER"));
        break;
    case ExpiryChoice::Sofort:
        emitTag(out, expires, QStringLiteral("0"));
        break;
    case ExpiryChoice::Datum:
        emitTag(out, expires, expiryDateText(form.DateTimePicker));
        break;
    case ExpiryChoice::None:
        break;
    }

    emitTextTag(out, QStringLiteral("page-type"), form.ComboBoxSeitentyp);

    static const std::array<QString, 4> robots{
        QStringLiteral("INDEX,FOLLOW"), QStringLiteral("INDEX,NOFOLLOW"),
        QStringLiteral("NOINDEX,FOLLOW"), QStringLiteral("NOINDEX,NOFOLLOW")};
    if (form.ComboBoxIndizierung >= 0 && form.ComboBoxIndizierung < 4)
        emitTag(out, QStringLiteral("robots"),
                robots.at(static_cast<std::size_t>(form.ComboBoxIndizierung)));
    return out;
}

MetaTagRun MetaTagGenerator::run(MetaTagForm& form, base::UiServices& ui)
{
    if (const std::optional<MetaTagField> missing = firstMissing(form)) {
        if (ui.question(questionFillInFirst()) == base::MessageAnswer::Yes)
            return MetaTagRun{false, missing, {}};
    }
    MetaTagRun result{true, std::nullopt, generate(form)};
    if (result.tags.isEmpty())
        ui.information(informationNothingGenerated());
    return result;
}

} // namespace pelvaro::tools
