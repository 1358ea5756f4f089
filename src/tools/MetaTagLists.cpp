#include "tools/MetaTagLists.h"

#include "site/SiteItemLists.h"

namespace pelvaro::tools {

const QStringList& MetaTagLists::indizierungEntries()
{
    static const QStringList entries{
        QStringLiteral("Seite indizieren, allen Links folgen"),
        QStringLiteral("Seite indizieren, Links nicht folgen"),
        QStringLiteral("Seite nicht indizieren, allen Links folgen"),
        QStringLiteral("Seite nicht indizieren, Links nicht folgen"),
    };
    return entries;
}

const QStringList& MetaTagLists::zielgruppeEntries()
{
    static const QStringList entries{
        QStringLiteral("Alle"),
        QStringLiteral("Anfänger"),
        QStringLiteral("Azubis"),
        QStringLiteral("Erwachsene"),
        QStringLiteral("Experten"),
        QStringLiteral("Fans"),
        QStringLiteral("Fortgeschrittene"),
        QStringLiteral("Frauen"),
        QStringLiteral("Jugendliche"),
        QStringLiteral("Kinder"),
        QStringLiteral("Männer"),
        QStringLiteral("Profis"),
        QStringLiteral("Schüler"),
        QStringLiteral("Studenten"),
    };
    return entries;
}

// "Private Homepage" appears twice on purpose: both positions are offered to the user.
const QStringList& MetaTagLists::seitentypEntries()
{
    static const QStringList entries{
        QStringLiteral("Bildungseinrichtung"),
        QStringLiteral("Kommerzielle Organisation"),
        QStringLiteral("Nicht Gewinnorientiert"),
        QStringLiteral("Private Homepage"),
        QStringLiteral("Regierung/Behörden"),
        QStringLiteral("Anleitung"),
        QStringLiteral("Anzeige/Kleinanzeige"),
        QStringLiteral("Berichte/Reportagen"),
        QStringLiteral("Bilder/Fotos"),
        QStringLiteral("Buch"),
        QStringLiteral("E-Mail-Archiv"),
        QStringLiteral("FAQ"),
        QStringLiteral("Forschungsbericht"),
        QStringLiteral("HTML-Formular"),
        QStringLiteral("Karten/Pläne"),
        QStringLiteral("Katalog/Verzeichnis"),
        QStringLiteral("Link-Liste"),
        QStringLiteral("Private Homepage"),
        QStringLiteral("Produktinfo"),
        QStringLiteral("Software-Download"),
        QStringLiteral("Sound"),
        QStringLiteral("Statistik"),
        QStringLiteral("Video"),
    };
    return entries;
}

// The hyphen lines group the computer topics; they are ordinary entries, so choosing one
// emits it as the topic like any other.
const QStringList& MetaTagLists::themaEntries()
{
    // The topics are the site description's categories, separator lines included; only the
    // blank item that closes the category list is not a topic.
    static const QStringList entries = [] {
        QStringList topics = site::SiteItemLists::CategoryCombo();
        if (!topics.isEmpty() && topics.last().trimmed().isEmpty())
            topics.removeLast();
        return topics;
    }();
    return entries;
}

} // namespace pelvaro::tools
