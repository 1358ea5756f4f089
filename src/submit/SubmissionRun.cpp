#include "submit/SubmissionRun.h"

#include "base/AppInfo.h"
#include "base/DayNumber.h"
#include "base/UiServices.h"
#include "catalogue/TDataModule1.h"
#include "site/FieldGuidance.h"
#include "site/SiteItemLists.h"
#include "site/SiteRecord.h"
#include "site/SubmissionLedger.h"
#include "submit/IndexNowSubmission.h"
#include "submit/RequestPreparation.h"
#include "submit/TEineEngine.h"

#include <QSet>

#include <optional>

namespace pelvaro::submit {

using site::SiteItemLists;

SubmissionRun::SubmissionRun(base::UiServices& ui, catalogue::TDataModule1& module,
                             QStringList& successLines, QStringList& failureLines, Clock today)
    : m_ui(ui), m_module(module), m_successLines(successLines), m_failureLines(failureLines),
      m_today(std::move(today))
{
}

std::array<QString, 29> SubmissionRun::requiredFieldTexts(const site::SiteRecord& r)
{
    const auto item = [](const QStringList& items, int index) {
        return SiteItemLists::itemText(items, index);
    };
    return {r.TitleEdit,
            r.URLEdit,
            r.DescriptionShortEdit,
            r.DescriptionMemo,
            r.KeywordsMemo,
            item(SiteItemLists::LanguageCombo(), r.LanguageCombo),
            item(SiteItemLists::webtypeCombo(), r.webtypeCombo),
            item(SiteItemLists::CategoryCombo(), r.CategoryCombo),
            r.FirstNameEdit,
            r.LastNameEdit,
            item(SiteItemLists::sexCombo(), r.sexCombo),
            item(SiteItemLists::GreetingCombo(), r.GreetingCombo),
            r.title_personEdit,
            r.ageEdit,
            r.NameVornameWebMasterEdit,
            r.WebmasterEmailEdit,
            r.passwordedit,
            r.CompanyEdit,
            r.emailEdit,
            item(SiteItemLists::countryCombo(), r.countryCombo),
            r.StateEdit,
            r.AddressEdit,
            r.PostcodeEdit,
            r.CityEdit,
            r.phoneEdit,
            r.FaxEdit,
            r.mobileEdit,
            r.tollfreeEdit,
            r.productsEdit};
}

QString SubmissionRun::siteAddressProblem(const QString& siteAddress)
{
    if (siteAddress.contains(QStringLiteral("://")))
        return {};
    return QStringLiteral("Die Anmeldung kann nicht gestartet werden: Die Adresse im Feld \"URL\" "
                          "(\"%1\") ist unvollständig. Sie muß mit \"http://\" oder "
                          "\"https://\" beginnen, z. B. \"%2\".\n\nBitte korrigieren Sie die "
                          "Adresse auf der Seite \"Kenndaten eingeben\".")
        .arg(siteAddress, site::FieldGuidance::exampleUrl());
}

SubmissionRun::Start SubmissionRun::checkStart(const RequiredFieldCheck& requiredFieldCheck,
                                               const QString& siteAddress, bool overwriteReport)
{
    const catalogue::SelectionCounters& counters = m_module.counters();
    if (counters.AnzAusgewaehlt <= 0) {
        m_ui.information(QStringLiteral("Bevor die Anmeldung gestartet werden kann, müssen Sie "
                                        "mindestens einen Suchdienst auswählen!"));
        return Start::NothingSelected;
    }
    if (counters.AnzAutomatisch <= 0) {
        m_ui.information(QStringLiteral("Bei keinem der von Ihnen ausgewählten Suchdienste kann "
                                        "automatisch angemeldet. Bitte führen Sie eine manuelle "
                                        "Anmeldung durch!"));
        return Start::NothingAutomatic;
    }
    if (requiredFieldCheck && requiredFieldCheck() >= 0) {
        m_ui.information(QStringLiteral(
            "Bevor die Anmeldung gestartet werden kann, müssen Sie alle Formularfelder "
            "ausfüllen!\n\nFalls Sie bestimmte Informationen nicht angeben möchten, geben Sie in "
            "das "
            "entsprechende Feld z.B. \"---\" ein."));
        return Start::FieldsMissing;
    }
    if (const QString problem = siteAddressProblem(siteAddress); !problem.isEmpty()) {
        m_ui.information(problem);
        return Start::AddressInvalid;
    }
    if (!overwriteReport && (!m_successLines.isEmpty() || !m_failureLines.isEmpty())) {
        const base::MessageAnswer answer = m_ui.showMessage(
            base::MessageKind::Warning, base::AppInfo::title(),
            QStringLiteral("Der aktuelle RTF-Bericht mit dem Protokoll der erfolgten Anmeldungen "
                           "wurde noch nicht gespeichert!\n\nKlicken Sie auf \"Abbrechen\", gehen "
                           "Sie auf \"") +
                QStringLiteral("Statusbericht") +
                QStringLiteral("\" und klicken Sie auf die Schaltfläche \"RTF-Bericht\", um Ihren "
                               "Bericht zu speichern.") +
                QStringLiteral("\n\n") +
                QStringLiteral(
                    "Klicken Sie auf OK, um fortzufahren, ohne den Bericht zu speichern."),
            base::MessageButtons::OkCancel);
        if (answer != base::MessageAnswer::Ok) {
            m_module.refreshListViews();
            return Start::Cancelled;
        }
    }
    return Start::Go;
}

int SubmissionRun::prepare(const site::SiteRecord& record, const QString& answerDirectory,
                           SendList& list)
{
    m_previousSuccessLines = m_successLines;
    m_previousFailureLines = m_failureLines;
    m_successLines.clear();
    m_failureLines.clear();
    m_successRows.clear();
    m_failureRows.clear();
    m_journal.outcomes.clear();
    m_journal.heldBack.clear();
    m_journal.sent.clear();
    m_journal.indexNowStop.clear();
    m_prepared.clear();
    const base::WaitNoticeGuard notice(m_ui, preparationNotice());
    RequestPreparation preparation(m_module, m_ui, record, answerDirectory);
    preparation.setWaits(&m_journal.waits, QDateTime::currentDateTimeUtc());
    try {
        preparation.DatenZumSendenVorbereiten(list, m_failureLines);
    } catch (...) {
        // Nothing was prepared (the catalogue's changes are rolled back): the last run's
        // report stands.
        m_successLines = m_previousSuccessLines;
        m_failureLines = m_previousFailureLines;
        throw;
    }
    m_journal.indexNowStop = list.indexNowStop;
    for (int i = 0; i < list.count; ++i)
        m_prepared << list.entries[size_t(i)].Nr;
    return list.count;
}

QString SubmissionRun::preparationNotice()
{
    return QStringLiteral("Übertragung wird vorbereitet, bitte warten ...");
}

void SubmissionRun::announceConnection()
{
    m_ui.information(
        QStringLiteral("Bitte stellen Sie jetzt sicher, daß eine Verbindung zum "
                       "Internet besteht! Falls noch keine Verbindung besteht, sollten "
                       "Sie diese jetzt herstellen und erst dann auf OK klicken."));
}

namespace {

// Takes the text before the separator off the front of `rest`, and the separator with it.
QString takeUntil(QString& rest, QChar separator)
{
    const qsizetype at = rest.indexOf(separator);
    const QString head = at < 0 ? rest : rest.left(at);
    rest = at < 0 ? QString() : rest.mid(at + 1);
    return head;
}

// Name, message and status code: the part of a result line before its CR.
ResultRow takeRowHead(QString& rest)
{
    ResultRow row;
    row.Suchdienst = takeUntil(rest, QLatin1Char('\t'));
    row.Meldung = takeUntil(rest, QLatin1Char('\t'));
    row.Statuscode = takeUntil(rest, QLatin1Char('\r'));
    return row;
}

} // namespace

ResultRow SubmissionRun::failureRow(const QString& line)
{
    QString rest = line;
    ResultRow row = takeRowHead(rest);
    takeUntil(rest, QLatin1Char('\t'));
    row.Reserviert = rest.section(QLatin1Char('?'), 0, 0);
    return row;
}

ResultRow SubmissionRun::successRow(const QString& line)
{
    QString rest = line;
    return takeRowHead(rest);
}

void SubmissionRun::ErgebnisseUebernehmen()
{
    base::WaitNoticeGuard notice(m_ui,
                                 QStringLiteral("Statusbericht wird erzeugt, bitte warten..."));
    const auto finish = [this, &notice] {
        notice.close();
        m_module.refreshListViews();
        m_module.recount();
    };
    try {
        const double todayDays = base::DayNumber::fromDate(m_today());
        m_successRows.clear();
        m_failureRows.clear();
        const bool nothingWentOut = !m_prepared.isEmpty() && !somethingSent();
        if (nothingWentOut) {
            // The last run's report stands. Its successes were dated when that run ended.
            m_successLines = m_previousSuccessLines;
            m_failureLines = m_previousFailureLines;
        }
        reselectUnsent();
        QList<qint64> numbers;
        for (const QString& line : std::as_const(m_successLines)) {
            QString rest = line;
            m_successRows.push_back(takeRowHead(rest));
            bool isNumber = false;
            const int nr = takeUntil(rest, QLatin1Char('\t')).toInt(&isNumber);
            // A number that does not parse is skipped silently.
            if (isNumber && !nothingWentOut)
                numbers << nr;
        }
        if (!numbers.isEmpty()) {
            // The services are found by their numbers and dated with one statement; a number
            // that is no longer in the catalogue is told per line, in the lines' order.
            const QString listed = QStringLiteral("Nr IN (SELECT value FROM json_each(?))");
            const QVariantList parameters{catalogue::TDataModule1::jsonList(numbers)};
            QSet<qint64> known;
            for (const auto& row : m_module.readRows({QStringLiteral("Nr")}, listed, parameters))
                known.insert(row.values.at(0).toLongLong());
            for (const qint64 nr : std::as_const(numbers))
                if (!known.contains(nr))
                    m_ui.error(QStringLiteral("Unkritischer Fehler. Fehler-Nr. 399501"));
            m_module.bulk([&] {
                m_module.setField(QStringLiteral("ZuletztRegistriert"), todayDays, listed,
                                  parameters);
            });
        }
        for (const QString& line : std::as_const(m_failureLines))
            m_failureRows.push_back(failureRow(line));
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void SubmissionRun::reselectUnsent()
{
    // Held back for want of a key file, or never handed to a worker: selected again, so
    // the next run sends them.
    const QSet<qint32> sent(m_journal.sent.begin(), m_journal.sent.end());
    QList<qint64> unsent;
    for (const qint32 nr : std::as_const(m_journal.heldBack))
        unsent << nr;
    for (const qint32 nr : std::as_const(m_prepared))
        if (!sent.contains(nr) && !m_journal.heldBack.contains(nr))
            unsent << nr;
    if (unsent.isEmpty())
        return;
    m_module.bulk([&] {
        m_module.setField(QStringLiteral("Ausgewaehlt"), true,
                          QStringLiteral("Nr IN (SELECT value FROM json_each(?))"),
                          {catalogue::TDataModule1::jsonList(unsent)});
    });
}

QString SubmissionRun::indexNowStopText() const
{
    if (m_journal.indexNowStop.isEmpty())
        return {};
    return QStringLiteral("Die IndexNow-Dienste wurden nicht angeschrieben:\n\n%1\n\nSie bleiben "
                          "ausgewählt und werden beim nächsten Lauf gesendet. Das zählt nicht "
                          "als fehlgeschlagene Anmeldung.")
        .arg(m_journal.indexNowStop);
}

bool SubmissionRun::recordInLedger(site::SiteRecord& record) const
{
    if (m_journal.outcomes.empty())
        return false;
    const QByteArray siteFingerprint = site::SubmissionLedger::siteFingerprint(record);
    const QByteArray indexNowFingerprint = site::SubmissionLedger::indexNowFingerprint(record);
    std::optional<QStringList> addresses;
    for (const ServiceOutcome& outcome : m_journal.outcomes) {
        site::LedgerEntry entry;
        entry.nr = outcome.nr;
        entry.when = outcome.when;
        using Outcome = site::LedgerEntry::Outcome;
        entry.outcome = outcome.Erfolg
                            ? (outcome.keyPending ? Outcome::AcceptedPending : Outcome::Accepted)
                        : outcome.notBefore.isValid() ? Outcome::TooManyRequests
                                                      : Outcome::Failed;
        entry.statusCode = outcome.statusCode;
        entry.message = outcome.message;
        entry.notBefore = outcome.notBefore;
        if (outcome.indexNow) {
            if (!addresses)
                addresses = IndexNowSubmission::buildBody(record.URLEdit, record.indexNowKey,
                                                          record.indexNowUrls)
                                .urls;
            entry.fingerprint = indexNowFingerprint;
            entry.addresses = *addresses;
        } else {
            entry.fingerprint = siteFingerprint;
        }
        record.ledger.record(entry);
    }
    return true;
}

} // namespace pelvaro::submit
