#include "catalogue/ServiceCategories.h"

#include "catalogue/TDataModule1.h"

namespace pelvaro::catalogue {

QString ServiceCategories::categoryText(int categoryNumber) const
{
    store::TableCursor& rows = m_module.TableKategorien();
    if (!rows.isOpen())
        rows.open();
    const int number = rows.fieldIndex(QStringLiteral("KategorieNrInVindrel"));
    const int text = rows.fieldIndex(QStringLiteral("KategorieInEngine"));
    for (int row = 0; row < rows.rowCount(); ++row) {
        const QVariant value = rows.valueAt(row, number);
        if (value.isValid() && value.toInt() == categoryNumber)
            return rows.valueAt(row, text).toString();
    }
    return QString();
}

} // namespace pelvaro::catalogue
