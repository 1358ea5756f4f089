#include "catalogue/CatalogueTableModel.h"

#include "base/DayNumber.h"
#include "catalogue/store/TableCursor.h"

#include <QDate>
#include <QImage>
#include <QLocale>

#include <cmath>

namespace pelvaro::catalogue {

using store::FieldType;

CatalogueTableModel::CatalogueTableModel(store::TableCursor& cursor, QObject* parent)
    : QAbstractTableModel(parent), m_cursor(&cursor),
      m_ratingColumn(cursor.table().fieldIndex(QStringLiteral("Bewertung"))),
      m_flagColumn(cursor.table().fieldIndex(QStringLiteral("CodeFuerFlagge")))
{
    connect(m_cursor, &store::TableCursor::rowsReset, this, [this] {
        beginResetModel();
        endResetModel();
    });
}

int CatalogueTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_cursor->rowCount();
}

int CatalogueTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_cursor->table().fields.size());
}

int CatalogueTableModel::columnOf(const QString& fieldName) const
{
    return m_cursor->table().fieldIndex(fieldName);
}

QImage CatalogueTableModel::ratingGlyph(int rating)
{
    if (rating < 0 || rating > 4)
        return {};
    return QImage(QStringLiteral(":/glyphs/rating_%1.png").arg(rating));
}

QImage CatalogueTableModel::flagGlyph(int code)
{
    if (code < 0 || code > 28)
        return {};
    return QImage(QStringLiteral(":/glyphs/flag_%1.png").arg(code, 2, 10, QLatin1Char('0')));
}

QString CatalogueTableModel::dateText(const QVariant& days)
{
    if (!days.isValid())
        return QString();
    const double value = days.toDouble();
    const std::optional<QDate> date = value == 0.0 ? std::nullopt : base::DayNumber::toDate(value);
    return date ? QLocale().toString(*date, QLocale::ShortFormat) : QString();
}

QVariant CatalogueTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const QVariant value = m_cursor->valueAt(index.row(), index.column());
    if (role == RawValueRole)
        return value;
    const bool glyphColumn = index.column() == m_ratingColumn || index.column() == m_flagColumn;
    if (role == Qt::DecorationRole && glyphColumn && value.isValid()) {
        const QImage glyph = index.column() == m_ratingColumn ? ratingGlyph(value.toInt())
                                                              : flagGlyph(value.toInt());
        return glyph.isNull() ? QVariant() : QVariant(glyph);
    }
    if (role != Qt::DisplayRole || glyphColumn || !value.isValid())
        return {};
    const store::FieldDef& def = m_cursor->table().fields.at(index.column());
    switch (def.type) {
    case FieldType::DateTime:
        return dateText(value);
    case FieldType::Boolean:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        return value;
    }
}

QVariant CatalogueTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section < 0 || section >= m_cursor->table().fields.size())
        return {};
    return m_cursor->table().fields.at(section).name;
}

} // namespace pelvaro::catalogue

// The meta-object code stays in this object file, so a program that never uses the model
// (the command line) does not link it, nor QtGui with it.
#include "moc_CatalogueTableModel.cpp"
