#pragma once

#include "catalogue/FilterCriteria.h"

#include <QDate>
#include <QString>

#include <array>
#include <functional>

namespace pelvaro::base {
class UiServices;
}

namespace pelvaro::site {
struct SiteRecord;
}

namespace pelvaro::catalogue {

class TDataModule1;

// One opening of the filter dialog, without the window: the ticks it shows, the live count
// of TableFilter and the OK step. TableFilter is open for exactly the session's life. The
// criteria belong to the caller and outlive the session; the ticks are restored from the
// settings file when the session starts and saved when the caller says so.
class FilterSession
{
    Q_DISABLE_COPY_MOVE(FilterSession)

public:
    using Criterion = FilterCriteria::Criterion;
    static constexpr int BoxCount = 8;
    // The open site, for the box of services that still need it; nullptr when none is open.
    using SiteSource = std::function<const site::SiteRecord*()>;
    static constexpr int CountryCount = FilterCriteria::CountryCount;

    // What the dialog's controls hold, as kept in the settings file.
    struct State
    {
        std::array<bool, BoxCount> boxes{}; // in the order of boxes()
        QDate pickerDate = FilterCriteria::designDate();
        std::array<bool, CountryCount> countries{};
        bool operator==(const State&) const = default;
    };

    // Opens TableFilter, restores the ticks from the settings file and counts.
    FilterSession(base::UiServices& ui, TDataModule1& data, FilterCriteria& criteria,
                  const QString& settingsFile, SiteSource siteSource = {});
    // Closes TableFilter.
    ~FilterSession();

    // The boxes in the order of their bits, and each one's control name, which is also its
    // name in the settings file. A settings file from before a box existed leaves it unticked.
    static const std::array<Criterion, BoxCount>& boxes();
    static QString boxName(Criterion box);
    static QString pickerName() { return QStringLiteral("DateTimePicker1"); }
    static QString countryListName() { return QStringLiteral("LaenderListeChkBox"); }
    // Where the dialog's state lives in the settings file.
    static QString settingsGroup() { return QStringLiteral("FilterOptionen/TFilterBox"); }
    static QString waitText();

    // The dialog's state in a settings file, and back. Reading never fails: a missing or
    // unreadable date is the design-time date, anything but a number other than 0 is no tick.
    static State load(const QString& settingsFile);
    static bool store(const QString& settingsFile, const State& state);

    // Shows a state as if the user had clicked it in: the picker's date first, so a ticked
    // date box takes that date, then every box, then the countries.
    void applyState(const State& state);
    const State& state() const { return m_state; }
    bool save() const { return store(m_settingsFile, m_state); }

    // Where the box of services still needing the site gets the site from. While that box is
    // ticked, the column Ausstehend is brought up to date from the site's ledger before each
    // count and before OK applies the filter; without a source or an open site every service
    // counts as still needing it. Setting it recounts when that box is ticked.
    void setSiteSource(SiteSource source);

    bool isTicked(Criterion box) const;
    // A click on one of the boxes.
    void click(Criterion box, bool ticked);
    // The picker only holds its date; the date box takes it when clicked.
    void setPickerDate(const QDate& date);
    const QDate& pickerDate() const { return m_state.pickerDate; }
    bool isCountryTicked(int code) const;
    void setCountryTicked(int code, bool ticked);
    bool countriesEnabled() const { return isTicked(FilterCriteria::LimitCountries); }

    // The two status panels and the count behind the second.
    const QString& statusText() const { return m_status; }
    QString countText() const { return FilterCriteria::matchesText(m_count); }
    int count() const { return m_count; }

    // OK: the selection becomes what passes the filter. Throws what the data module throws;
    // the wait notice is gone by then.
    void apply();

private:
    // Keeps TableFilter open while it lives, so a constructor that fails part-way closes it.
    class OpenView
    {
    public:
        explicit OpenView(TDataModule1& data);
        ~OpenView();
        OpenView(const OpenView&) = delete;
        OpenView& operator=(const OpenView&) = delete;

    private:
        TDataModule1& m_data;
    };

    static int boxIndex(Criterion box);
    void takeCountries();
    // Gives TableFilter the expression of the criteria and counts what passes.
    void build();
    // Ausstehend from the open site's ledger, when the box that reads it is ticked.
    void markPending();

    base::UiServices& m_ui;
    TDataModule1& m_data;
    FilterCriteria& m_criteria;
    QString m_settingsFile;
    OpenView m_open;
    State m_state;
    QString m_status;
    int m_count = 0;
    bool m_counted = false;
    SiteSource m_siteSource;
};

} // namespace pelvaro::catalogue
