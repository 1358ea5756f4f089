#pragma once

#include <QAbstractTableModel>
#include <QPointer>

namespace pelvaro::catalogue::store {
class TableCursor;
}

namespace pelvaro::catalogue {

// A grid's model over one catalogue view: one column per field of the table, in the
// table's order. The rating and the flag code show as pictures; dates in the short date
// format. It follows the view: reset whenever the view's rows change.
class CatalogueTableModel : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CatalogueTableModel)

public:
    enum Role
    {
        // The stored value as the view holds it (bool, int, double days, QString, or invalid).
        RawValueRole = Qt::UserRole + 1
    };

    explicit CatalogueTableModel(store::TableCursor& cursor, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The column of a field, without regard to case; -1 when there is none.
    int columnOf(const QString& fieldName) const;
    store::TableCursor& cursor() const { return *m_cursor; }

    // Glyphs, also for other windows: rating 0..4, flag code 0..28; null image otherwise.
    static QImage ratingGlyph(int rating);
    static QImage flagGlyph(int code);
    // Days since 30 December 1899 as a short date ("31.12.2001"); empty for no date.
    static QString dateText(const QVariant& days);

private:
    store::TableCursor* m_cursor;
    int m_ratingColumn;
    int m_flagColumn;
};

} // namespace pelvaro::catalogue
