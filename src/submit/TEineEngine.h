#pragma once

#include <QString>

#include <array>

namespace pelvaro::submit {

// One prepared request of a submission run.
struct TEineEngine
{
    // GET: the submission address, "?" and the parameters; POST: the address alone.
    // "FEHLER" while the entry is built or when it could not be.
    QString URL;
    QString Name;
    qint32 Nr = 0;
    // POST: the request body; GET: the marker "XXX" (no body).
    QString PostDaten;
    // Full path of the file the answer page goes to.
    QString AntwortDatei;
    // Send the service's submission page as referring page.
    bool Ref = false;
    QString ManuellURL;
    // An IndexNow endpoint: URL is its post address, PostDaten the JSON body.
    bool IndexNow = false;

    static QString errorUrl() { return QStringLiteral("FEHLER"); }
    static QString noBody() { return QStringLiteral("XXX"); }
    bool operator==(const TEineEngine&) const = default;
};

// The prepared requests of a run and their count; filled by the preparation, read by the
// scheduler, both on the main thread.
struct SendList
{
    static constexpr int Capacity = 701;
    std::array<TEineEngine, Capacity> entries{};
    int count = 0;
    // With IndexNow entries: the site and key whose key file is checked before the first
    // of them is sent.
    QString indexNowSite;
    QString indexNowKey;
    // Why the selected IndexNow services were not prepared (no usable key or site address);
    // they stay selected for the next run. Empty when they were, or when there were none.
    QString indexNowStop;

    void clear()
    {
        entries.fill(TEineEngine());
        count = 0;
        indexNowSite.clear();
        indexNowKey.clear();
        indexNowStop.clear();
    }
};

// The run's one send list (SendeListe with its count SendeAnzahl).
SendList& SendeListe();

// A result line: name, TAB, message, TAB, status code, CR, service number, TAB, address.
QString resultLine(const QString& name, const QString& message, int statusCode, qint32 nr,
                   const QString& address);

} // namespace pelvaro::submit
