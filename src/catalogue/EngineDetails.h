#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace pelvaro::catalogue {

namespace store {
class TableCursor;
}

// What the details window shows of one service, one text per value label.
struct EngineDetailTexts
{
    QString name;
    QString land;
    QString kategorie;
    QString aAnmeldung;
    QString kostenpflichtig;
    QString bewertung;
    QString wartezeit;
    QString zuletztRegistriert;
    QString bemerkung;
    QString url1Caption;
    QString url1Address;
    QString url2Caption;
    QString url2Address;
    bool operator==(const EngineDetailTexts&) const = default;
};

// The catalogue entry in plain words, and which list orders allow a search by name.
class EngineDetails
{
public:
    // Our own pages, linked to when a service names no page of its own.
    static QString productHomePage() { return QStringLiteral("http://www.pelvaro.example/"); }
    static QString productDemoPage()
    {
        return QStringLiteral("http://www.pelvaro.example/demo.html");
    }

    // Decodes the current row of a view. listCode is the list the user asked from; a
    // value that has no text of its own keeps the text from `previous`, as does a view
    // without a current row.
    static EngineDetailTexts describe(const store::TableCursor& view, int listCode,
                                      const EngineDetailTexts& previous);
    // The same for a row given as field name to value (names spelled as in the table).
    static EngineDetailTexts describe(const QVariantMap& row, int listCode,
                                      const EngineDetailTexts& previous);
};

} // namespace pelvaro::catalogue
