#include "base/SettingsStore.h"

#include "base/AppInfo.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QVariant>

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

struct ValueEntry
{
    const char* name;
    ValueType type;
};

// Read and written in this order.
constexpr std::array<ValueEntry, 7> valueTable{{
    {"IDGlobAnzThreads", ValueType::Integer},
    {"IDGlobProxy", ValueType::Text},
    {"IDGlobProxyPort", ValueType::Text},
    {"IDProxyVorauswahl", ValueType::Integer},
    {"IDBerichtUeberschreiben", ValueType::YesNo},
    {"IDTDT", ValueType::YesNo},
    {"IDNSDV", ValueType::Text},
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

bool readAll(QSettings& ini, Settings& out)
{
    for (const ValueEntry& entry : valueTable) {
        const QVariant value = ini.value(key(entry));
        const QLatin1String name(entry.name);
        if (entry.type == ValueType::Text) {
            const std::optional<QString> text = readText(value);
            if (!text)
                return false;
            if (name == QLatin1String("IDGlobProxy"))
                out.proxyHost = *text;
            else if (name == QLatin1String("IDGlobProxyPort"))
                out.proxyPort = *text;
            else
                out.catalogueVersion = *text;
            continue;
        }
        const std::optional<int> number = readInteger(value);
        if (!number)
            return false;
        if (name == QLatin1String("IDGlobAnzThreads"))
            out.threadCount = *number;
        else if (name == QLatin1String("IDProxyVorauswahl"))
            out.proxyChoice = *number;
        else if (name == QLatin1String("IDBerichtUeberschreiben"))
            out.overwriteReport = *number != 0;
        else
            out.showTips = *number != 0;
    }
    return true;
}

QVariant valueOf(const Settings& s, const ValueEntry& entry)
{
    const QLatin1String name(entry.name);
    if (name == QLatin1String("IDGlobAnzThreads"))
        return s.threadCount;
    if (name == QLatin1String("IDGlobProxy"))
        return s.proxyHost;
    if (name == QLatin1String("IDGlobProxyPort"))
        return s.proxyPort;
    if (name == QLatin1String("IDProxyVorauswahl"))
        return s.proxyChoice;
    if (name == QLatin1String("IDBerichtUeberschreiben"))
        return s.overwriteReport ? 1 : 0;
    if (name == QLatin1String("IDTDT"))
        return s.showTips ? 1 : 0;
    return s.catalogueVersion;
}

} // namespace

Settings Settings::defaults()
{
    Settings s;
    s.threadCount = 5;
    s.proxyChoice = 1;
    s.overwriteReport = false;
    s.showTips = true;
    return s;
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
