#pragma once

#include "site/SiteRecord.h"

namespace pelvaro::bench {

// A site description with every required field filled, as a run needs it.
inline site::SiteRecord filledRecord()
{
    site::SiteRecord r;
    r.Clear();
    for (QString* text :
         {&r.FirstNameEdit, &r.LastNameEdit, &r.title_personEdit, &r.mobileEdit, &r.tollfreeEdit,
          &r.FaxEdit, &r.phoneEdit, &r.CityEdit, &r.AddressEdit, &r.CompanyEdit, &r.productsEdit,
          &r.StateEdit, &r.TitleEdit, &r.DescriptionShortEdit, &r.NameVornameWebMasterEdit,
          &r.passwordedit, &r.KeywordsMemo, &r.DescriptionMemo})
        *text = QStringLiteral("Wert äöü & Co");
    r.URLEdit = QStringLiteral("http://www.muster.example/");
    r.emailEdit = QStringLiteral("info@muster.example");
    r.WebmasterEmailEdit = QStringLiteral("webmaster@muster.example");
    r.PostcodeEdit = QStringLiteral("10115");
    r.ageEdit = QStringLiteral("42");
    r.LanguageCombo = 16;
    r.webtypeCombo = 2;
    r.CategoryCombo = 20;
    r.countryCombo = 80;
    r.GreetingCombo = 0;
    r.sexCombo = 0;
    r.recomputeFullName();
    return r;
}

} // namespace pelvaro::bench
