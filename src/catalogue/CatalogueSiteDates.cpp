#include "catalogue/CatalogueSiteDates.h"

#include "base/UiServices.h"
#include "catalogue/TDataModule1.h"
#include "site/SiteRecord.h"

namespace pelvaro::catalogue {

using site::SiteRecord;
using store::ScreenUpdatesOff;
using store::TableCursor;

namespace {

const QString nrField = QStringLiteral("Nr");
const QString dateField = QStringLiteral("ZuletztRegistriert");

} // namespace

void CatalogueSiteDates::collectDates(SiteRecord& record)
{
    TableCursor& v = m_module.TableEngines();
    // The walk needs store order; the list keeps it afterwards, as it always has.
    v.setIndexName(QString());
    const QString filterText = v.filter();
    const bool filtered = v.filtered();
    try {
        const ScreenUpdatesOff quiet(v);
        v.setFiltered(false);
        int k = 0;
        // Services past the table's room have no entry; the file keeps its fixed size.
        for (v.first(); !v.eof() && !v.isEmpty() && k < SiteRecord::DateEntryCount; v.next(), ++k) {
            const QVariant nr = v.value(nrField);
            if (!nr.isValid()) {
                m_ui.warning(QStringLiteral("Fehler-Nr. 900012B!"));
                continue;
            }
            const QVariant date = v.value(dateField);
            record.dates[size_t(k)] = {nr.toInt(), date.isValid() ? date.toDouble() : 0.0};
        }
    } catch (...) {
        v.setFilter(filterText);
        v.setFiltered(filtered);
        m_module.refreshListViews();
        throw;
    }
    v.setFilter(filterText);
    v.setFiltered(filtered);
    m_module.refreshListViews();
}

bool CatalogueSiteDates::applyDates(const SiteRecord& record)
{
    bool mismatch = false;
    try {
        m_module.bulk([this, &record, &mismatch] {
            TableCursor& v = m_module.TableTMP();
            const int steps = std::min(v.rowCount(), int(SiteRecord::DateEntryCount));
            v.first();
            for (int i = 0; i < steps && !v.isEmpty(); ++i, v.next()) {
                const site::EngineDateEntry& entry = record.dates[size_t(i)];
                if (entry.nr == v.value(nrField).toInt()) {
                    v.edit();
                    v.setValue(dateField, entry.date == 0.0 ? QVariant() : QVariant(entry.date));
                    v.post();
                } else if (i == v.rowCount() - 1) {
                    // A file from before the last service was added: nothing to complain about.
                    break;
                } else {
                    mismatch = true;
                }
            }
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
            TableCursor& v = m_module.TableTMP();
            const ScreenUpdatesOff quiet(v);
            for (v.first(); !v.eof() && !v.isEmpty(); v.next()) {
                if (!v.value(nrField).isValid() || !v.value(dateField).isValid())
                    continue;
                v.edit();
                v.setValue(dateField, QVariant());
                v.post();
            }
        });
    } catch (...) {
        m_module.refreshListViews();
        throw;
    }
    m_module.refreshListViews();
}

} // namespace pelvaro::catalogue
