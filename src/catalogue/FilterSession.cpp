#include "catalogue/FilterSession.h"

#include "base/UiServices.h"
#include "catalogue/TDataModule1.h"
#include "site/SiteRecord.h"

#include <QSettings>

namespace pelvaro::catalogue {

namespace {

const QString DateFormat = QStringLiteral("dd.MM.yyyy");

QString countryKey(int code)
{
    return FilterSession::countryListName() + QLatin1Char('/') + QString::number(code);
}

} // namespace

FilterSession::OpenView::OpenView(TDataModule1& data) : m_data(data)
{
    m_data.TableFilter().open();
}

FilterSession::OpenView::~OpenView()
{
    m_data.TableFilter().close();
}

FilterSession::FilterSession(base::UiServices& ui, TDataModule1& data, FilterCriteria& criteria,
                             const QString& settingsFile, SiteSource siteSource)
    : m_ui(ui), m_data(data), m_criteria(criteria), m_settingsFile(settingsFile), m_open(data),
      m_siteSource(std::move(siteSource))
{
    applyState(load(settingsFile));
}

FilterSession::~FilterSession() = default;

const std::array<FilterSession::Criterion, FilterSession::BoxCount>& FilterSession::boxes()
{
    static const std::array<Criterion, BoxCount> all = {
        FilterCriteria::Directories,    FilterCriteria::SpiderEngines,
        FilterCriteria::Other,          FilterCriteria::NotRegistered,
        FilterCriteria::Top100,         FilterCriteria::RegisteredBefore,
        FilterCriteria::LimitCountries, FilterCriteria::NotAccepted};
    return all;
}

QString FilterSession::boxName(Criterion box)
{
    switch (box) {
    case FilterCriteria::Directories:
        return QStringLiteral("DirectoriesChkBox");
    case FilterCriteria::SpiderEngines:
        return QStringLiteral("SpiderEnginesChkBox");
    case FilterCriteria::Other:
        return QStringLiteral("OtherChkBox");
    case FilterCriteria::NotRegistered:
        return QStringLiteral("NurFehlerhafteRegChkBox");
    case FilterCriteria::Top100:
        return QStringLiteral("NurTop100ChkBox");
    case FilterCriteria::RegisteredBefore:
        return QStringLiteral("AbDatumChkBox");
    case FilterCriteria::LimitCountries:
        return QStringLiteral("LaenderBegrenzungChkBox");
    case FilterCriteria::NotAccepted:
        return QStringLiteral("NurAusstehendeChkBox");
    }
    return {};
}

int FilterSession::boxIndex(Criterion box)
{
    for (int i = 0; i < BoxCount; ++i)
        if (boxes()[size_t(i)] == box)
            return i;
    return -1;
}

QString FilterSession::waitText()
{
    return QStringLiteral("Tabelle wird neu sortiert, bitte warten ...");
}

FilterSession::State FilterSession::load(const QString& settingsFile)
{
    QSettings settings(settingsFile, QSettings::IniFormat);
    settings.beginGroup(settingsGroup());
    // Hand-edited or foreign values must not tick anything by accident.
    const auto ticked = [&settings](const QString& key) {
        bool number = false;
        const int value = settings.value(key).toString().trimmed().toInt(&number);
        return number && value != 0;
    };
    State state;
    for (int i = 0; i < BoxCount; ++i)
        state.boxes[size_t(i)] = ticked(boxName(boxes()[size_t(i)]));
    const QDate date =
        QDate::fromString(settings.value(pickerName()).toString().trimmed(), DateFormat);
    if (FilterCriteria::usableDate(date))
        state.pickerDate = date;
    for (int code = 0; code < CountryCount; ++code)
        state.countries[size_t(code)] = ticked(countryKey(code));
    return state;
}

bool FilterSession::store(const QString& settingsFile, const State& state)
{
    QSettings settings(settingsFile, QSettings::IniFormat);
    settings.beginGroup(settingsGroup());
    for (int i = 0; i < BoxCount; ++i)
        settings.setValue(boxName(boxes()[size_t(i)]), int(state.boxes[size_t(i)]));
    settings.setValue(pickerName(), state.pickerDate.toString(DateFormat));
    for (int code = 0; code < CountryCount; ++code)
        settings.setValue(countryKey(code), int(state.countries[size_t(code)]));
    settings.endGroup();
    settings.sync();
    return settings.status() == QSettings::NoError;
}

void FilterSession::applyState(const State& state)
{
    setPickerDate(state.pickerDate);
    for (int i = 0; i < BoxCount; ++i) {
        const Criterion box = boxes()[size_t(i)];
        const bool ticked = state.boxes[size_t(i)];
        m_state.boxes[size_t(i)] = ticked;
        m_criteria.set(box, ticked);
        if (box == FilterCriteria::RegisteredBefore && ticked)
            m_criteria.setFilterDate(m_state.pickerDate);
    }
    // The country part follows the ticks shown, so what the list shows is what filters.
    m_state.countries = state.countries;
    takeCountries();
    build();
}

void FilterSession::setSiteSource(SiteSource source)
{
    m_siteSource = std::move(source);
    if (isTicked(FilterCriteria::NotAccepted))
        build();
}

void FilterSession::markPending()
{
    if (!isTicked(FilterCriteria::NotAccepted))
        return;
    const site::SiteRecord* record = m_siteSource ? m_siteSource() : nullptr;
    if (record)
        m_data.markPending(*record);
    else
        m_data.setField(QStringLiteral("Ausstehend"), true);
}

bool FilterSession::isTicked(Criterion box) const
{
    const int i = boxIndex(box);
    return i >= 0 && m_state.boxes[size_t(i)];
}

void FilterSession::click(Criterion box, bool ticked)
{
    const int i = boxIndex(box);
    if (i < 0)
        return;
    m_state.boxes[size_t(i)] = ticked;
    m_criteria.set(box, ticked);
    if (box == FilterCriteria::RegisteredBefore)
        m_criteria.setFilterDate(m_state.pickerDate);
    build();
}

void FilterSession::setPickerDate(const QDate& date)
{
    if (FilterCriteria::usableDate(date))
        m_state.pickerDate = date;
}

bool FilterSession::isCountryTicked(int code) const
{
    return code >= 0 && code < CountryCount && m_state.countries[size_t(code)];
}

void FilterSession::setCountryTicked(int code, bool ticked)
{
    if (code < 0 || code >= CountryCount)
        return;
    m_state.countries[size_t(code)] = ticked;
    takeCountries();
    build();
}

void FilterSession::takeCountries()
{
    m_criteria.setCountries(m_state.countries);
}

void FilterSession::build()
{
    // The site may have been edited or run since the last count, which the expression does
    // not show; so the count is taken anew whenever the column is.
    if (isTicked(FilterCriteria::NotAccepted)) {
        markPending();
        m_counted = false;
    }
    const FilterCriteria::ViewFilter filter = FilterCriteria::viewFilter(m_criteria.expression());
    store::TableCursor& view = m_data.TableFilter();
    m_status = filter.status;
    // Many clicks leave the expression as it was (a country while the country box is off);
    // those need no new count.
    if (m_counted && view.filter() == filter.text && view.filtered() == filter.filtered)
        return;
    // Either call reads the view's rows anew when it changes what passes; in this order only
    // one of them does.
    if (filter.filtered) {
        view.setFilter(filter.text);
        view.setFiltered(true);
    } else {
        view.setFiltered(false);
        view.setFilter(filter.text);
    }
    m_count = m_data.AnzahlDatensaetze(view.viewName());
    m_counted = true;
}

void FilterSession::apply()
{
    const base::WaitNoticeGuard wait(m_ui, waitText());
    markPending();
    m_data.FilterAuswahlUebernehmen();
}

} // namespace pelvaro::catalogue
