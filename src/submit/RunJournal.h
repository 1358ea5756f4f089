#pragma once

#include "submit/ServiceWaits.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <vector>

namespace pelvaro::submit {

// How one service answered in a run, as the site's ledger keeps it.
struct ServiceOutcome
{
    qint32 nr = 0;
    bool indexNow = false;
    bool Erfolg = false;
    bool keyPending = false; // IndexNow 202: taken, the key is still being checked
    int statusCode = 0;
    QString message;
    QDateTime when;      // UTC
    QDateTime notBefore; // 429: nothing before this (UTC); invalid otherwise
};

// What a run learns besides its result lines. The caller loads the waits before the run
// and keeps them afterwards; the scheduler adds to them and files every answer here.
struct RunJournal
{
    ServiceWaits waits;
    std::vector<ServiceOutcome> outcomes;
    // IndexNow services prepared but not sent because the key file check failed: they go
    // back into the selection.
    QList<qint32> heldBack;
    // The services whose request was handed to a worker, in that order. A request handed
    // out may have gone out even when its worker was discarded before it answered.
    QList<qint32> sent;
    // Why the IndexNow part of the run stopped; empty when it did not.
    QString indexNowStop;
};

} // namespace pelvaro::submit
