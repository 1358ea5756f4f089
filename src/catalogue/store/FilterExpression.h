#pragma once

#include "catalogue/store/TableSchema.h"

#include <QLocale>
#include <QString>
#include <QVariantList>

namespace pelvaro::catalogue::store {

struct CompiledFilter
{
    // An SQL boolean expression: columns as quoted identifiers, every value a "?" placeholder.
    QString whereSql;
    // Bound to the placeholders in order: qlonglong, double or QString.
    QVariantList parameters;
};

// The filter texts of the catalogue views, e.g.
//   (Ausgewaehlt='False') or (Ausgewaehlt=Null)
//   ((Kategorie = 'V') or (Kategorie = 'S')) and (ZuletztRegistriert <=  '31.12.01')
// Comparisons "field op value" (op one of = <> < > <= >=), joined by and/or (and binds
// tighter), optional not, parentheses. Values are quoted texts ('' or "" for a quote inside),
// numbers with "." as decimal point, or Null. Values are typed by the field: booleans take
// 'True'/'False' or 0/1, number fields take numbers (also quoted), date fields take a date in
// the locale's short format (two- or four-digit year) or ISO form, or a day number.
// Comparisons follow SQL: a field without a value never equals or differs from a value, which
// is why the views add "or (Ausgewaehlt=Null)" where they mean it.
class FilterExpression
{
public:
    // Throws pelvaro::Error naming the 1-based position of the fault. An empty or blank text
    // is a fault as well: a view without a filter switches filtering off instead of asking
    // for an always-true expression.
    static CompiledFilter compile(const QString& text, const TableDef& table,
                                  const QLocale& locale = QLocale());
};

} // namespace pelvaro::catalogue::store
