#include "tools/MetaTagImporter.h"

#include "base/Windows1252.h"

#include <QByteArrayView>
#include <QFile>

#include <array>
#include <cstring>
#include <optional>

namespace pelvaro::tools {

namespace {

const char* const tagNames[] = {"AUTHOR",     "PUBLISHER", "COPYRIGHT", "KEYWORDS", "DESCRIPTION",
                                "PAGE-TOPIC", "PAGE-TYPE", "AUDIENCE",  "EXPIRES",  "ROBOTS"};
constexpr int tagCount = 10;
enum TagIndex
{
    Author,
    Publisher,
    Copyright,
    Keywords,
    Description,
    PageTopic,
    PageType,
    Audience,
    Expires,
    Robots
};

// Beyond this many matches in one page something is wrong with the page or with us; the
// user is asked to send it in rather than the import running on.
constexpr int matchLimit = 500;

char upperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

// Case-insensitive search for an upper-case ASCII needle. Both code pages the importer
// reads agree on ASCII, and a UTF-8 sequence never contains an ASCII byte, so the markers
// are found in the raw bytes before the encoding is known and without a decoded copy of
// the whole file.
qsizetype findAscii(QByteArrayView hay, const char* needle, qsizetype from)
{
    const qsizetype n = qsizetype(std::strlen(needle));
    const char first = needle[0];
    const char firstLower = (first >= 'A' && first <= 'Z') ? char(first - 'A' + 'a') : first;
    const char* data = hay.data();
    const qsizetype size = hay.size();
    for (qsizetype i = from; i + n <= size; ++i) {
        if (first == firstLower) {
            const void* hit = std::memchr(data + i, first, size_t(size - n + 1 - i));
            if (!hit)
                return -1;
            i = static_cast<const char*>(hit) - data;
        } else if (data[i] != first && data[i] != firstLower) {
            continue;
        }
        qsizetype k = 1;
        while (k < n && upperAscii(data[i + k]) == needle[k])
            ++k;
        if (k == n)
            return i;
    }
    return -1;
}

bool declaresUtf8(QByteArrayView head)
{
    for (qsizetype at = findAscii(head, "CHARSET", 0); at >= 0;
         at = findAscii(head, "CHARSET", at + 1)) {
        qsizetype i = at + 7;
        while (i < head.size() && head[i] == ' ')
            ++i;
        if (i >= head.size() || head[i] != '=')
            continue;
        ++i;
        while (i < head.size() && (head[i] == ' ' || head[i] == '"' || head[i] == '\''))
            ++i;
        const QByteArrayView rest = head.sliced(i);
        if (findAscii(rest.first(qMin<qsizetype>(rest.size(), 5)), "UTF-8", 0) == 0 ||
            findAscii(rest.first(qMin<qsizetype>(rest.size(), 4)), "UTF8", 0) == 0)
            return true;
    }
    return false;
}

QString decode(QByteArrayView bytes, bool utf8)
{
    return utf8 ? QString::fromUtf8(bytes) : base::Windows1252::decode(bytes.data(), bytes.size());
}

// Trimming as the date reading always did it: every character up to the blank counts.
QString trimControls(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 32)
        --end;
    return text.mid(begin, end - begin);
}

// A token ends at a blank; without a blank the token is empty and the text stays, which is
// why a year needs the time behind it.
QString takeToken(QString& text)
{
    text = trimControls(text);
    const qsizetype blank = text.indexOf(QLatin1Char(' '));
    if (blank < 0)
        return {};
    const QString token = text.left(blank);
    text.remove(0, blank + 1);
    return token;
}

// Reads day.month.year in the order and with the separator of the user's short date
// format, so a user whose dates use another separator gets no date, as before.
std::optional<QDate> readShortDate(const QString& text, const QLocale& locale)
{
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    QChar separator;
    for (const QChar c : format) {
        if (!c.isLetter()) {
            separator = c;
            break;
        }
    }
    const qsizetype dayAt = format.indexOf(QLatin1Char('d'));
    const qsizetype monthAt = format.indexOf(QLatin1Char('M'));
    const qsizetype yearAt = format.indexOf(QLatin1Char('y'));
    if (separator.isNull() || dayAt < 0 || monthAt < 0 || yearAt < 0)
        return std::nullopt;
    const QStringList parts = text.split(separator);
    if (parts.size() != 3)
        return std::nullopt;
    std::array<int, 3> numbers{};
    for (int i = 0; i < 3; ++i) {
        const QString& part = parts.at(i);
        if (part.isEmpty() || part.size() > 4)
            return std::nullopt;
        for (const QChar c : part)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return std::nullopt;
        numbers[size_t(i)] = part.toInt();
    }
    auto rank = [&](qsizetype at) {
        return int(at > dayAt) + int(at > monthAt) + int(at > yearAt);
    };
    const int day = numbers[size_t(rank(dayAt))];
    const int month = numbers[size_t(rank(monthAt))];
    int year = numbers[size_t(rank(yearAt))];
    if (parts.at(rank(yearAt)).size() <= 2)
        year += 2000;
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

void tickOnly(MetaTagForm& form, bool never, bool now, bool date)
{
    form.expiry = never  ? ExpiryChoice::Nie
                  : now  ? ExpiryChoice::Sofort
                  : date ? ExpiryChoice::Datum
                         : ExpiryChoice::None;
}

void applyExpires(const QString& value, MetaTagForm& form, const QLocale& locale)
{
    if (value == QLatin1String("0")) {
        tickOnly(form, false, true, false);
        return;
    }
    if (trimControls(value).toUpper() == QLatin1String("NEVER")) {
        tickOnly(form, true, false, false);
        return;
    }
    const QLatin1String commaBlank(", ");
    if (!value.contains(commaBlank))
        return;
    QString rest = trimControls(value);
    rest.remove(0, rest.indexOf(commaBlank) + 2);
    const QString day = takeToken(rest);
    const QString month = takeToken(rest).toUpper();
    const QString year = takeToken(rest);
    // October only in its German spelling: pages written by the generator say "Oct" and
    // keep the picker's date, as they always did.
    static const char* const months[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                         "JUL", "AUG", "SEP", "OKT", "NOV", "DEC"};
    for (int m = 0; m < 12; ++m) {
        if (month != QLatin1String(months[m]))
            continue;
        const QString text =
            QStringLiteral("%1.%2.%3").arg(day).arg(m + 1, 2, 10, QLatin1Char('0')).arg(year);
        const std::optional<QDate> date = readShortDate(text, locale);
        if (!date)
            return;
        form.DateTimePicker = *date;
        break;
    }
    tickOnly(form, false, false, true);
}

void applyRobots(const QString& value, MetaTagImportResult& result)
{
    static const char* const choices[] = {"INDEX,FOLLOW", "INDEX,NOFOLLOW", "NOINDEX,FOLLOW",
                                          "NOINDEX,NOFOLLOW"};
    const QString upper = value.toUpper();
    for (int i = 0; i < 4; ++i) {
        if (upper == QLatin1String(choices[i])) {
            result.form.ComboBoxIndizierung = i;
            return;
        }
    }
    result.form.ComboBoxIndizierung = -1;
    result.redFields << QStringLiteral("ComboBoxIndizierung");
}

void store(int tag, const QString& value, MetaTagImportResult& result, const QLocale& locale)
{
    MetaTagForm& form = result.form;
    switch (tag) {
    case Author:
        form.EditAutor = value;
        break;
    case Publisher:
        form.EditHerausgeber = value;
        break;
    case Copyright:
        form.EditCopyright = value;
        break;
    case Keywords:
        form.MemoKeys = value;
        break;
    case Description:
        form.MemoBeschreibung = value;
        break;
    case PageTopic:
        form.ComboBoxThema = value;
        break;
    case PageType:
        form.ComboBoxSeitentyp = value;
        break;
    case Audience:
        form.ComboBoxZielgruppe = value;
        break;
    case Expires:
        applyExpires(value, form, locale);
        break;
    case Robots:
        applyRobots(value, result);
        break;
    }
}

} // namespace

void showMetaTagMessages(base::UiServices& ui, const std::vector<MetaTagMessage>& messages)
{
    for (const MetaTagMessage& message : messages) {
        switch (message.kind) {
        case base::MessageKind::Warning:
            ui.warning(message.text);
            break;
        case base::MessageKind::Error:
            ui.error(message.text);
            break;
        default:
            ui.information(message.text);
            break;
        }
    }
}

QString MetaTagImporter::supportAddress()
{
    return QStringLiteral("support@trevanix.example");
}

QString MetaTagImporter::headNotFoundText()
{
    return QStringLiteral("HEAD-Abschnitt nicht gefunden oder nicht vorhanden!\nBitte überprüfen "
                          "Sie, ob es sich um eine HTML-Datei handelt.");
}

QString MetaTagImporter::headEndMissingText()
{
    return QStringLiteral(
        "Die Datei ist fehlerhaft: Das Ende des HEAD-Abschnitts konnte nicht gefunden werden "
        "oder ist nicht vorhanden!\nBitte überprüfen Sie, ob es sich um eine korrekte "
        "HTML-Datei handelt.");
}

QString MetaTagImporter::emptyTagText()
{
    return QStringLiteral("Leerer String - Unkritischer Fehler Nr. 881102");
}

QString MetaTagImporter::tooManyMatchesText()
{
    return QStringLiteral("Fehler! Bitte senden Sie die Datei, die zu dieser Meldung geführt hat "
                          "an %1, da sie offensichtlich zu einem Programmfehler geführt hat. "
                          "Vielen Dank!")
        .arg(supportAddress());
}

QString MetaTagImporter::nothingReadText()
{
    return QStringLiteral("HEAD-Abschnitt wurde gefunden, enthält aber keine (korrekte, bzw. "
                          "obligatorische) Meta-Tags die eingelesen werden könnten!");
}

HeadExtraction MetaTagImporter::extractHead(const QString& path, HeadPart part)
{
    HeadExtraction result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.messages.push_back({base::MessageKind::Error, file.errorString()});
        return result;
    }
    // Mapped rather than read: a page of a hundred megabytes costs address space, not
    // memory, and only the head section is ever decoded.
    QByteArray owned;
    QByteArrayView bytes;
    const qint64 size = file.size();
    if (uchar* mapped = size > 0 ? file.map(0, size) : nullptr) {
        bytes = QByteArrayView(reinterpret_cast<const char*>(mapped), qsizetype(size));
    } else {
        owned = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            result.messages.push_back({base::MessageKind::Error, file.errorString()});
            return result;
        }
        bytes = owned;
    }

    const qsizetype head = findAscii(bytes, "<HEAD>", 0);
    if (head < 0) {
        result.messages.push_back({base::MessageKind::Warning, headNotFoundText()});
        return result;
    }
    qsizetype end = findAscii(bytes, "</HEAD", head);
    if (end < 0) {
        if (findAscii(bytes.first(head), "</HEAD", 0) < 0) {
            result.messages.push_back({base::MessageKind::Warning, headEndMissingText()});
            return result;
        }
        // An end tag only before the head: the head runs to the end of the file.
        end = bytes.size();
    }

    const QByteArrayView section = bytes.sliced(head, end - head);
    const bool utf8 = bytes.startsWith("\xEF\xBB\xBF") || declaresUtf8(section);
    result.text = decode(section, utf8);
    if (part == HeadPart::ForView && end < bytes.size()) {
        // Seven characters from the end tag on; a few bytes more so that a multi-byte
        // seventh character arrives whole.
        const QString tail =
            decode(bytes.sliced(end, qMin<qsizetype>(bytes.size() - end, 10)), utf8);
        qsizetype take = qMin<qsizetype>(tail.size(), 7);
        if (take == 7 && tail.at(6).isHighSurrogate() && tail.size() > 7)
            take = 8;
        result.text += tail.left(take);
    }
    result.found = true;
    return result;
}

QStringList MetaTagImporter::collectTagTexts(const QString& section)
{
    QStringList tags;
    const QLatin1String meta("<META");
    qsizetype pos = 0;
    for (qsizetype at = section.indexOf(meta, pos, Qt::CaseInsensitive); at >= 0;
         at = section.indexOf(meta, pos, Qt::CaseInsensitive)) {
        // The character behind "<META" goes with it, whatever it is.
        const qsizetype start = qMin(at + meta.size() + 1, section.size());
        const qsizetype close = section.indexOf(QLatin1Char('>'), start);
        if (close < 0) {
            tags << QString();
            pos = start;
        } else {
            tags << section.mid(start, close - start);
            pos = close + 1;
        }
    }
    return tags;
}

QString MetaTagImporter::cleanTagText(const QString& tagText)
{
    QString cleaned;
    cleaned.reserve(tagText.size());
    bool afterEquals = false;
    for (const QChar c : tagText) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\''))
            continue;
        if (c == QLatin1Char(' ') && afterEquals)
            continue;
        if (c == QLatin1Char('=')) {
            while (cleaned.endsWith(QLatin1Char(' ')))
                cleaned.chop(1);
            afterEquals = true;
        } else {
            afterEquals = false;
        }
        cleaned += c;
    }
    return cleaned;
}

MetaTagImportResult MetaTagImporter::importFile(const QString& path, const MetaTagForm& current,
                                                const QLocale& dateLocale)
{
    const HeadExtraction head = extractHead(path, HeadPart::ForImport);
    if (!head.found) {
        MetaTagImportResult result;
        result.form = current;
        result.messages = head.messages;
        return result;
    }
    MetaTagImportResult result = importSection(head.text, current, dateLocale);
    result.lastChosenFile = path;
    return result;
}

MetaTagImportResult MetaTagImporter::importSection(const QString& section,
                                                   const MetaTagForm& current,
                                                   const QLocale& dateLocale)
{
    MetaTagImportResult result;
    result.tagTexts = collectTagTexts(section);
    result.form.DateTimePicker = current.DateTimePicker;
    result.formReplaced = true;

    std::array<int, tagCount> counters{};
    int matches = 0;
    bool valueRead = false;
    for (const QString& tagText : std::as_const(result.tagTexts)) {
        QString text = cleanTagText(tagText);
        if (text.isEmpty()) {
            result.messages.push_back({base::MessageKind::Information, emptyTagText()});
            return result;
        }
        for (int tag = 0; tag < tagCount; ++tag) {
            const QString key = QStringLiteral("NAME=") + QLatin1String(tagNames[tag]);
            for (qsizetype at = text.indexOf(key, 0, Qt::CaseInsensitive); at >= 0;
                 at = text.indexOf(key, 0, Qt::CaseInsensitive)) {
                ++counters[size_t(tag)];
                if (++matches > matchLimit) {
                    result.messages.push_back(
                        {base::MessageKind::Information, tooManyMatchesText()});
                    break;
                }
                text.remove(at, key.size());
                const qsizetype content =
                    text.indexOf(QLatin1String("CONTENT"), 0, Qt::CaseInsensitive);
                text.remove(0, content < 0 ? 6 : content + 7);
                const qsizetype equals = text.indexOf(QLatin1Char('='));
                if (equals >= 0)
                    text.remove(equals, 1);
                valueRead = true;
                if (counters[size_t(tag)] == 1) {
                    // The generator writes a double quote inside a value as &quot;, so it
                    // comes back as the quote the user typed.
                    QString value = text;
                    value.replace(QLatin1String("&quot;"), QLatin1String("\""));
                    store(tag, value, result, dateLocale);
                }
            }
        }
    }

    QStringList repeated;
    for (int tag = 0; tag < tagCount; ++tag)
        if (counters[size_t(tag)] > 1)
            repeated << QStringLiteral("%1 x %2")
                            .arg(QLatin1String(tagNames[tag]))
                            .arg(counters[size_t(tag)]);
    if (!repeated.isEmpty())
        result.messages.push_back(
            {base::MessageKind::Warning,
             QStringLiteral("Folgende Meta-Tags sind mehrmals enthalten:\n") +
                 repeated.join(QLatin1String(", ")) +
                 QStringLiteral("\nEs wurden jeweils die ersten eingelesen!")});
    if (!valueRead)
        result.messages.push_back({base::MessageKind::Information, nothingReadText()});
    return result;
}

} // namespace pelvaro::tools
