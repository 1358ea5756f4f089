#pragma once

#include <QDate>
#include <QString>

#include <array>

namespace pelvaro::catalogue {

// The ticks of the filter dialog and the filter expression they make for TableFilter. The
// criteria, the date and the country part outlive one opening of the dialog; the dialog
// only shows and changes them.
class FilterCriteria
{
public:
    // The value of each criterion in the criteria bits.
    enum Criterion : int
    {
        Directories = 2,   // Kategorie 'V'
        SpiderEngines = 4, // Kategorie 'S'
        Other = 8,         // Kategorie 'A'
        NotRegistered = 16,
        Top100 = 32,
        RegisteredBefore = 64,
        LimitCountries = 128,
        // Services that still need the open site: never sent, not accepted, or sent a site
        // or an address list that has changed since (column Ausstehend, kept up to date by
        // TDataModule1::markPending before the expression is used).
        NotAccepted = 256
    };
    static constexpr int CountryCount = 29;

    // The filter TableFilter gets when nothing is ticked: no entry passes it.
    static QString nothingText() { return QStringLiteral("(Kategorie = 'X')"); }

    void set(Criterion criterion, bool on);
    bool isSet(Criterion criterion) const { return (m_bits & criterion) != 0; }
    int bits() const { return m_bits; }

    // The date of the "registered before" criterion: taken when that box is clicked. A date
    // that is not usableDate() never reaches the expression: it is refused and the last good
    // one kept. Returns whether the date was taken.
    bool setFilterDate(const QDate& date);
    const QDate& filterDate() const { return m_filterDate; }
    // A real date with a year of exactly four digits: what the store reads back from the
    // expression without guessing, and what the picker can show.
    static bool usableDate(const QDate& date);
    static QDate firstUsableDate() { return QDate(1000, 1, 1); }
    static QDate lastUsableDate() { return QDate(9999, 12, 31); }
    // The date the picker shows until the user chooses one.
    static QDate designDate() { return QDate(1999, 1, 1); }

    // Rebuilds the country part from the ticked country codes 0 to 28.
    void setCountries(const std::array<bool, CountryCount>& ticked);
    const QString& countryPart() const { return m_countryPart; }
    // The name the filter dialog shows for a country code 0 to 28; empty for any other.
    static QString countryName(int code);

    // The expression as the ticks join it, blanks included; empty when nothing is ticked.
    // The date is written with a four-digit year, so no century is ever guessed.
    QString expression() const;

    // What TableFilter gets for an expression, and the first status panel's text.
    struct ViewFilter
    {
        QString text;
        bool filtered = false;
        QString status;
    };
    static ViewFilter viewFilter(const QString& expression);
    // The second status panel.
    static QString matchesText(int count);

private:
    int m_bits = 0;
    QDate m_filterDate = designDate();
    QString m_countryPart;
};

} // namespace pelvaro::catalogue
