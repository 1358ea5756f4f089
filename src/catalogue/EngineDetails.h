#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace pelvaro::site {
struct LedgerEntry;
struct SiteRecord;
} // namespace pelvaro::site

namespace pelvaro::catalogue {

namespace store {
class TableCursor;
}

// What the open site's ledger says about one service.
struct SubmissionTexts
{
    // When the last answer came (local time), or that nothing was sent yet.
    QString last = notSentText();
    // The answer in words; empty when nothing was sent.
    QString outcome;
    // The status code and the service's message, as far as there are any.
    QString answer;
    // IndexNow: how many page addresses went out, and which; else empty.
    QString addressCount;
    QStringList addresses;
    static QString notSentText() { return QStringLiteral("Noch nicht angemeldet."); }
    bool operator==(const SubmissionTexts&) const = default;
};

// What the details window shows of one service, one text per value label.
struct EngineDetailTexts
{
    QString name;
    QString land;
    QString kategorie;
    QString aAnmeldung;
    QString kostenpflichtig;
    QString bewertung;
    QString wartezeit;
    QString zuletztRegistriert;
    QString bemerkung;
    QString url1Caption;
    QString url1Address;
    QString url2Caption;
    QString url2Address;
    SubmissionTexts submission;
    bool operator==(const EngineDetailTexts&) const = default;
};

// The catalogue entry in plain words, and which list orders allow a search by name.
class EngineDetails
{
public:
    // Our own pages, linked to when a service names no page of its own.
    static QString productHomePage() { return QStringLiteral("http://www.pelvaro.example/"); }
    static QString productDemoPage()
    {
        return QStringLiteral("http://www.pelvaro.example/demo.html");
    }

    // Decodes the current row of a view. listCode is the list the user asked from; a
    // value that has no text of its own keeps the text from `previous`, as does a view
    // without a current row.
    // The submission texts come from the ledger of `site`, the open site (none: nothing
    // sent).
    static EngineDetailTexts describe(const store::TableCursor& view, int listCode,
                                      const EngineDetailTexts& previous,
                                      const site::SiteRecord* site = nullptr);
    // The same for a row given as field name to value (names spelled as in the table).
    static EngineDetailTexts describe(const QVariantMap& row, int listCode,
                                      const EngineDetailTexts& previous,
                                      const site::SiteRecord* site = nullptr);

    // One ledger entry in words (nullptr: nothing sent yet). `site` tells whether what an
    // accepted service got has changed since; nullptr leaves that unsaid.
    static SubmissionTexts describeSubmission(const site::LedgerEntry* entry, bool indexNow,
                                              const site::SiteRecord* site = nullptr);
    // Date and time as the details show them, in local time.
    static QString timeText(const QDateTime& utc);
};

} // namespace pelvaro::catalogue
