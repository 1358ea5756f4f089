#include "base/SettingsStore.h"

#include "base/AppInfo.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QVariant>

#include <algorithm>
#include <array>
#include <limits>

namespace pelvaro::base {

namespace {

enum class ValueType
{
    Integer,
    YesNo,
    Text
};

// One persisted value: its name, type, default and the member it fills. Required values
// belong to the original set; a missing or mistyped one resets them all. An optional value
// came later, so its absence in an older file only gives its own default.
struct ValueEntry
{
    const char* name;
    ValueType type;
    bool required;
    int defaultNumber;
    int Settings::*number = nullptr;
    bool Settings::*flag = nullptr;
    QString Settings::*text = nullptr;
};

// Read and written in this order.
const std::array<ValueEntry, 11> valueTable{{
    {"IDGlobAnzThreads", ValueType::Integer, true, 5, &Settings::threadCount},
    {"IDGlobProxy", ValueType::Text, true, 0, nullptr, nullptr, &Settings::proxyHost},
    {"IDGlobProxyPort", ValueType::Text, true, 0, nullptr, nullptr, &Settings::proxyPort},
    {"IDProxyVorauswahl", ValueType::Integer, true, 1, &Settings::proxyChoice},
    {"IDBerichtUeberschreiben", ValueType::YesNo, true, 0, nullptr, &Settings::overwriteReport},
    {"IDTDT", ValueType::YesNo, true, 1, nullptr, &Settings::showTips},
    {"IDNSDV", ValueType::Text, true, 0, nullptr, nullptr, &Settings::catalogueVersion},
    {"IDZeitlimit", ValueType::Integer, false, 120, &Settings::idleTimeLimit},
    {"IDUpdateServer", ValueType::Text, false, 0, nullptr, nullptr, &Settings::updateServer},
    {"IDZusatzZertifikate", ValueType::Text, false, 0, nullptr, nullptr, &Settings::caFile},
    {"IDWartezeiten", ValueType::Text, false, 0, nullptr, nullptr, &Settings::serviceWaits},
}};

const QString group = QStringLiteral("Optionen");

QString key(const ValueEntry& entry)
{
    return group + QLatin1Char('/') + QLatin1String(entry.name);
}

// An integer must be present and hold a whole 32-bit number. The INI format gives back
// plain text, so text that parses counts as an integer.
std::optional<int> readInteger(const QVariant& value)
{
    if (!value.isValid())
        return std::nullopt;
    switch (value.typeId()) {
    case QMetaType::QString: {
        bool ok = false;
        const int number = value.toString().trimmed().toInt(&ok, 10);
        return ok ? std::optional<int>(number) : std::nullopt;
    }
    case QMetaType::Int:
        return value.toInt();
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
        bool ok = false;
        const qlonglong number = value.toLongLong(&ok);
        if (!ok || number < std::numeric_limits<int>::min() ||
            number > std::numeric_limits<int>::max())
            return std::nullopt;
        return int(number);
    }
    default:
        return std::nullopt;
    }
}

// A text may be missing (it then reads as empty) but must not be of another type.
std::optional<QString> readText(const QVariant& value)
{
    if (!value.isValid())
        return QString();
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

void setDefault(Settings& s, const ValueEntry& entry)
{
    if (entry.number)
        s.*entry.number = entry.defaultNumber;
    else if (entry.flag)
        s.*entry.flag = entry.defaultNumber != 0;
    else
        s.*entry.text = QString();
}

// Reads one value into s; false when it is missing or of the wrong type. A time limit
// below zero means nothing sensible and counts as mistyped.
bool readOne(const QVariant& value, const ValueEntry& entry, Settings& s)
{
    if (entry.type == ValueType::Text) {
        const std::optional<QString> text = readText(value);
        if (!text)
            return false;
        s.*entry.text = *text;
        return true;
    }
    const std::optional<int> number = readInteger(value);
    if (!number || (!entry.required && *number < 0))
        return false;
    if (entry.flag)
        s.*entry.flag = *number != 0;
    else
        s.*entry.number = *number;
    return true;
}

// False when a required value is missing or mistyped; optional ones fall back alone.
bool readAll(QSettings& ini, Settings& out)
{
    for (const ValueEntry& entry : valueTable) {
        if (readOne(ini.value(key(entry)), entry, out))
            continue;
        if (entry.required)
            return false;
        setDefault(out, entry);
    }
    return true;
}

QVariant valueOf(const Settings& s, const ValueEntry& entry)
{
    if (entry.number)
        return s.*entry.number;
    if (entry.flag)
        return s.*entry.flag ? 1 : 0;
    return s.*entry.text;
}

} // namespace

Settings Settings::defaults()
{
    Settings s;
    for (const ValueEntry& entry : valueTable)
        setDefault(s, entry);
    return s;
}

int Settings::usableThreadCount(int stored)
{
    if (stored < 1)
        return defaults().threadCount;
    return std::min(stored, MaxThreadCount);
}

SettingsStore::SettingsStore(const QString& filePath) : m_filePath(filePath) {}

QString SettingsStore::defaultFilePath()
{
    const QSettings probe(QSettings::IniFormat, QSettings::UserScope, AppInfo::organisation(),
                          AppInfo::settingsApplication());
    return probe.fileName();
}

QString SettingsStore::readErrorText()
{
    return QStringLiteral("Fehler beim Lesen der Registry. Bitte überprüfen Sie Ihr System!\n\n"
                          "Die Anwendung wird beendet!");
}

QString SettingsStore::writeErrorText()
{
    return QStringLiteral("Fehler beim Schreiben in die Registry");
}

// The settings location counts as readable when its folder exists (or can be made) and
// the file, if present, is a readable file.
bool SettingsStore::locationReadable() const
{
    const QFileInfo file(m_filePath);
    const QString folder = file.absolutePath();
    const QFileInfo folderInfo(folder);
    if (folderInfo.exists() && !folderInfo.isDir())
        return false;
    if (!folderInfo.exists() && !QDir().mkpath(folder))
        return false;
    if (!QFileInfo(folder).isReadable())
        return false;
    if (file.exists() && (!file.isFile() || !file.isReadable()))
        return false;
    return true;
}

bool SettingsStore::LoadSettings()
{
    m_settings = Settings();
    if (!locationReadable())
        return false;

    bool mustWrite = false;
    {
        QSettings ini(m_filePath, QSettings::IniFormat);
        if (ini.status() == QSettings::AccessError)
            return false;
        if (ini.status() == QSettings::FormatError || !ini.childGroups().contains(group)) {
            mustWrite = true;
        } else {
            Settings read;
            mustWrite = !readAll(ini, read);
            if (!mustWrite)
                m_settings = read;
        }
    }
    if (mustWrite) {
        m_settings = Settings::defaults();
        SaveSettings();
    }
    return true;
}

bool SettingsStore::SaveSettings()
{
    const QFileInfo file(m_filePath);
    const QFileInfo folder(file.absolutePath());
    if (!folder.isDir() && !QDir().mkpath(file.absolutePath()))
        return false;
    QSettings ini(m_filePath, QSettings::IniFormat);
    for (const ValueEntry& entry : valueTable)
        ini.setValue(key(entry), valueOf(m_settings, entry));
    ini.sync();
    return ini.status() == QSettings::NoError;
}

} // namespace pelvaro::base
