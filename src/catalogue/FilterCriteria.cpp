#include "catalogue/FilterCriteria.h"

namespace pelvaro::catalogue {

void FilterCriteria::set(Criterion criterion, bool on)
{
    if (on)
        m_bits |= criterion;
    else
        m_bits &= ~int(criterion);
}

bool FilterCriteria::usableDate(const QDate& date)
{
    return date.isValid() && date >= firstUsableDate() && date <= lastUsableDate();
}

bool FilterCriteria::setFilterDate(const QDate& date)
{
    if (!usableDate(date))
        return false;
    m_filterDate = date;
    return true;
}

QString FilterCriteria::countryName(int code)
{
    static const char* const names[CountryCount] = {
        "Unbekannt",      "Großbritannien",   "Südafrika",    "Rußland",
        "Italien",        "Spanien",          "Zypern",       "Canada",
        "Österreich",     "Belgien",          "Japan",        "Indien",
        "Schweiz",        "Schweden",         "Australien",   "USA",
        "Frankreich",     "Deutschland",      "Griechenland", "Neuseeland",
        "Brasilien",      "Norwegen",         "Island",       "Finnland",
        "Dänemark",       "Tschechoslowakei", "China",        "Niederlande",
        "Sonstige Länder"};
    if (code < 0 || code >= CountryCount)
        return {};
    return QString::fromUtf8(names[code]);
}

void FilterCriteria::setCountries(const std::array<bool, CountryCount>& ticked)
{
    m_countryPart.clear();
    for (int code = 0; code < CountryCount; ++code) {
        if (!ticked[size_t(code)])
            continue;
        const QString one = QStringLiteral("(CodefuerFlagge = %1)").arg(code);
        m_countryPart =
            m_countryPart.isEmpty() ? one : QStringLiteral("(%1 or %2)").arg(m_countryPart, one);
    }
}

QString FilterCriteria::expression() const
{
    QString text;
    const std::pair<Criterion, char> kinds[] = {
        {Directories, 'V'}, {SpiderEngines, 'S'}, {Other, 'A'}};
    for (const auto& [criterion, letter] : kinds) {
        if (!isSet(criterion))
            continue;
        const QString comparison = QStringLiteral("(Kategorie = '%1')").arg(QLatin1Char(letter));
        text = text.isEmpty() ? comparison : text + QStringLiteral(" or ") + comparison;
    }
    if (!text.isEmpty())
        text = QLatin1Char('(') + text + QLatin1Char(')');

    const auto add = [&text](const QString& part) {
        text = text.isEmpty() ? part : text + QStringLiteral(" and ") + part;
    };
    if (isSet(NotRegistered))
        add(QStringLiteral("(ZuletztRegistriert = null)"));
    if (isSet(Top100))
        add(QStringLiteral("(Bewertung > 1)"));
    if (isSet(RegisteredBefore))
        add(QStringLiteral("(ZuletztRegistriert <=  '%1')")
                .arg(m_filterDate.toString(QStringLiteral("dd.MM.yyyy"))));
    if (isSet(LimitCountries) && !m_countryPart.isEmpty())
        add(m_countryPart);
    // The filter's language takes a truth value as a quoted word.
    if (isSet(NotAccepted))
        add(QStringLiteral("(Ausstehend = 'True')"));
    return text;
}

FilterCriteria::ViewFilter FilterCriteria::viewFilter(const QString& expression)
{
    if (expression.isEmpty())
        return {nothingText(), false, QStringLiteral("Kein Filter")};
    return {expression, true, QStringLiteral("Filter aktiv")};
}

QString FilterCriteria::matchesText(int count)
{
    return QStringLiteral("Anz. passender Datensätze: %1").arg(count);
}

} // namespace pelvaro::catalogue
