#pragma once

#include <QString>

namespace pelvaro::base {

// Names under which the program presents itself and keeps its settings.
struct AppInfo
{
    static QString title() { return QStringLiteral("Pelvaro!"); }
    static QString version() { return QStringLiteral("1.6.1"); }
    static QString organisation() { return QStringLiteral("Trevanix GmbH"); }
    // The settings live under the product name with its version, so settings of an
    // older release are never read as ours.
    static QString settingsApplication() { return QStringLiteral("Pelvaro! 1.6.1"); }
    // Version of the catalogue that ships with the program; a catalogue update records
    // its own version in the settings.
    static QString builtInCatalogueVersion() { return QStringLiteral("2.9"); }
};

} // namespace pelvaro::base
