#include "app/AboutInfo.h"

#include "base/AppInfo.h"

namespace pelvaro::app {

QString AboutInfo::versionLine(const QString& catalogueVersion)
{
    const QString catalogue =
        catalogueVersion.isEmpty() ? base::AppInfo::builtInCatalogueVersion() : catalogueVersion;
    return QStringLiteral("Programmversion: %1    Datenbankversion: %2")
        .arg(base::AppInfo::version(), catalogue)
        .trimmed();
}

int AboutInfo::centredLeft(int windowWidth, int labelWidth)
{
    // C++ division truncates toward zero, as the rule asks for a label wider than the window.
    return (windowWidth - labelWidth) / 2;
}

QString AboutInfo::buildLabel()
{
    return QStringLiteral("1.6.1c");
}

QString AboutInfo::alternativeReferringPage()
{
    return QStringLiteral("http://www.pelvaro.example/anmeldung.html");
}

QString AboutInfo::webSiteAddress()
{
    return QStringLiteral("http://www.pelvaro.example/");
}

QString AboutInfo::forumAddress()
{
    return QStringLiteral("http://forum.pelvaro.example/");
}

QString AboutInfo::supportMailAddress()
{
    return QStringLiteral("mailto:support@pelvaro.example");
}

QString AboutInfo::makerText()
{
    return QStringLiteral("Trevanix GmbH\nAm Weidenhang 7\n99999 Musterfeld\n"
                          "Telefon +49 000 555 01 00\nTelefax +49 000 555 01 01");
}

} // namespace pelvaro::app
