#include "catalogue/CatalogueSiteDates.h"

#include "base/UiServices.h"
#include "catalogue/TDataModule1.h"
#include "site/SiteRecord.h"

#include <bit>
#include <unordered_map>

namespace pelvaro::catalogue {

using site::SiteRecord;

namespace {

const QString nrField = QStringLiteral("Nr");
const QString dateField = QStringLiteral("ZuletztRegistriert");

} // namespace

void CatalogueSiteDates::collectDates(SiteRecord& record)
{
    // The list takes store order, the order of the file's table, and keeps it afterwards, as
    // it always has. The rows themselves are read in one statement: the walk over the
    // unfiltered list would show the same rows in the same order, and since its filter is
    // never switched off, no list needs reading again afterwards.
    m_module.TableEngines().setIndexName(QString());
    const std::vector<TDataModule1::StoreRow> rows =
        m_module.storeOrder({nrField, dateField}, SiteRecord::DateEntryCount);
    // Services past the table's room have no entry; the file keeps its fixed size.
    for (size_t k = 0; k < rows.size(); ++k) {
        const QVariant& nr = rows[k].values.at(0);
        if (!nr.isValid()) {
            m_ui.warning(QStringLiteral("Fehler-Nr. 900012B!"));
            continue;
        }
        const QVariant& date = rows[k].values.at(1);
        record.dates[k] = {nr.toInt(), date.isValid() ? date.toDouble() : 0.0};
    }
}

bool CatalogueSiteDates::applyDates(const SiteRecord& record)
{
    bool mismatch = false;
    try {
        // Entries and rows in step, as the file's table lists them; the matching rows are
        // then written with one statement per distinct date (a site's dates share few days).
        const std::vector<TDataModule1::StoreRow> rows =
            m_module.storeOrder({nrField}, SiteRecord::DateEntryCount);
        std::unordered_map<quint64, QList<qint64>> byDate;
        std::vector<double> dates;
        const int total = m_module.TableTMP().tableRecordCount();
        for (size_t i = 0; i < rows.size(); ++i) {
            const site::EngineDateEntry& entry = record.dates[i];
            if (entry.nr == rows[i].values.at(0).toInt()) {
                const quint64 key = std::bit_cast<quint64>(entry.date);
                if (!byDate.count(key))
                    dates.push_back(entry.date);
                byDate[key] << rows[i].rowid;
            } else if (int(i) == total - 1) {
                // A file from before the last service was added: nothing to complain about.
                break;
            } else {
                mismatch = true;
            }
        }
        m_module.bulk([this, &byDate, &dates] {
            for (const double date : dates)
                m_module.setFieldOfRows(dateField, date == 0.0 ? QVariant() : QVariant(date),
                                        byDate.at(std::bit_cast<quint64>(date)));
        });
    } catch (...) {
        m_module.refreshListViews();
        throw;
    }
    m_module.refreshListViews();
    return mismatch;
}

void CatalogueSiteDates::clearDates()
{
    try {
        m_module.bulk([this] {
            m_module.setField(dateField, QVariant(),
                              QStringLiteral("Nr IS NOT NULL AND ZuletztRegistriert IS NOT NULL"));
        });
    } catch (...) {
        m_module.refreshListViews();
        throw;
    }
    m_module.refreshListViews();
}

} // namespace pelvaro::catalogue
