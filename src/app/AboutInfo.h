#pragma once

#include <QString>

namespace pelvaro::app {

// What the about box says and the two keys it keeps for support calls.
class AboutInfo
{
public:
    static constexpr int HelpContext = 8;

    // "Programmversion: …    Datenbankversion: …" with the catalogue version of the
    // settings, or the catalogue that ships with the program when none was installed.
    static QString versionLine(const QString& catalogueVersion);
    // The label's left edge when it is centred in a window of that width.
    static int centredLeft(int windowWidth, int labelWidth);

    // Ctrl+F2: the build the support staff asks for.
    static QString buildLabel();
    // Ctrl+F1: the referring page a run sends to services that do not name their own, for
    // the rest of the run.
    static QString alternativeReferringPage();

    static QString webSiteAddress();
    static QString forumAddress();
    static QString supportMailAddress();
    static QString makerText();
};

} // namespace pelvaro::app
