#include "tools/MetaTagSiteImport.h"

#include "base/UiServices.h"
#include "site/SiteRecord.h"

namespace pelvaro::tools {

QString MetaTagSiteImport::label(MetaTagField field)
{
    switch (field) {
    case MetaTagField::EditAutor:
        return QStringLiteral("Autor");
    case MetaTagField::EditHerausgeber:
        return QStringLiteral("Herausgeber");
    case MetaTagField::EditCopyright:
        return QStringLiteral("Copyright");
    case MetaTagField::ComboBoxThema:
        return QStringLiteral("Thema");
    case MetaTagField::MemoKeys:
        return QStringLiteral("Schlüsselwörter");
    case MetaTagField::MemoBeschreibung:
        return QStringLiteral("Beschreibung");
    case MetaTagField::ComboBoxSeitentyp:
        return QStringLiteral("Web-Typ");
    case MetaTagField::ComboBoxIndizierung:
        return QStringLiteral("Indizierung");
    case MetaTagField::ComboBoxZielgruppe:
        return QStringLiteral("Zielgruppe");
    case MetaTagField::DateTimePicker:
        return QStringLiteral("Datum");
    }
    return {};
}

QString MetaTagSiteImport::overwriteQuestion(const QString& label)
{
    return QStringLiteral("Das Feld \"%1\" wurde bereits ausgefüllt. Soll es mit der Eingabe aus "
                          "dem Kenndaten-Formular überschrieben werden?")
        .arg(label);
}

QString MetaTagSiteImport::topicOf(const QString& categoryText)
{
    return categoryText.mid(categoryText.lastIndexOf(QLatin1Char('/')) + 1);
}

MetaTagForm MetaTagSiteImport::apply(const MetaTagForm& form, const site::SiteRecord& stored,
                                     const QString& categoryText, const QString& webtypeText,
                                     base::UiServices& ui)
{
    struct Target
    {
        MetaTagField field;
        QString MetaTagForm::*member;
        QString source;
    };
    // The publisher and the copyright holder are both the company: the site description
    // knows no separate owner of the rights.
    const Target targets[] = {
        {MetaTagField::EditAutor, &MetaTagForm::EditAutor, stored.NameVornameWebMasterEdit},
        {MetaTagField::EditHerausgeber, &MetaTagForm::EditHerausgeber, stored.CompanyEdit},
        {MetaTagField::EditCopyright, &MetaTagForm::EditCopyright, stored.CompanyEdit},
        {MetaTagField::ComboBoxThema, &MetaTagForm::ComboBoxThema, topicOf(categoryText)},
        {MetaTagField::MemoKeys, &MetaTagForm::MemoKeys, stored.KeywordsMemo},
        {MetaTagField::MemoBeschreibung, &MetaTagForm::MemoBeschreibung, stored.DescriptionMemo},
        {MetaTagField::ComboBoxSeitentyp, &MetaTagForm::ComboBoxSeitentyp, webtypeText},
    };
    MetaTagForm result = form;
    for (const Target& target : targets) {
        QString& value = result.*target.member;
        if (value.isEmpty() ||
            ui.question(overwriteQuestion(label(target.field))) == base::MessageAnswer::Yes)
            value = target.source;
    }
    return result;
}

} // namespace pelvaro::tools
