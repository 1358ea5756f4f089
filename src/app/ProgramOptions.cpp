#include "app/ProgramOptions.h"

#include "base/SettingsStore.h"

#include <algorithm>

namespace pelvaro::app {

namespace {

constexpr QChar backspace(u'\b');
constexpr QChar escape(u'\x1b');

} // namespace

// Reserved example names: a preset must never send a user's traffic to a real server.
QString ProgramOptions::aolProxyHost()
{
    return QStringLiteral("proxy.aol.example");
}

QString ProgramOptions::tOnlineProxyHost()
{
    return QStringLiteral("proxy.t-online.example");
}

QString ProgramOptions::presetProxyPort()
{
    return QStringLiteral("80");
}

ProgramOptions::Entries ProgramOptions::opening(const base::Settings& settings)
{
    Entries entries;
    // A count from an edited file shows as what a run makes of it, so that OK writes back a
    // count the dialog itself accepts.
    entries.threadCount = QString::number(base::Settings::usableThreadCount(settings.threadCount));
    entries.proxyChoice = isKnownChoice(settings.proxyChoice) ? settings.proxyChoice : 0;
    if (entries.proxyChoice == OtherProxy) {
        entries.proxyHost = settings.proxyHost;
        entries.proxyPort = settings.proxyPort;
    }
    entries.overwriteReport = settings.overwriteReport;
    return entries;
}

bool ProgramOptions::isKnownChoice(int choice)
{
    return choice >= NoProxy && choice <= OtherProxy;
}

bool ProgramOptions::proxyEditsEnabled(int choice)
{
    return choice == OtherProxy;
}

ProgramOptions::EditBackground ProgramOptions::proxyEditBackground(int choice)
{
    return proxyEditsEnabled(choice) ? EditBackground::Normal : EditBackground::InactiveCaption;
}

bool ProgramOptions::focusesProxyHost(int choice)
{
    return choice == OtherProxy;
}

std::optional<ProgramOptions::ProxyAddress>
ProgramOptions::proxyFor(int choice, const QString& typedHost, const QString& typedPort)
{
    switch (choice) {
    case NoProxy:
        return ProxyAddress{};
    case AolProxy:
        return ProxyAddress{aolProxyHost(), presetProxyPort()};
    case TOnlineProxy:
        return ProxyAddress{tOnlineProxyHost(), presetProxyPort()};
    case OtherProxy:
        return ProxyAddress{typedHost, typedPort};
    default:
        return std::nullopt;
    }
}

std::optional<int> ProgramOptions::number(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

std::optional<int> ProgramOptions::threadCount(const QString& text)
{
    const std::optional<int> value = number(text);
    if (!value || *value < MinThreadCount || *value > MaxThreadCount)
        return std::nullopt;
    return value;
}

// The candidate is the text with the character put at its end, wherever the caret stands;
// Backspace and Escape are appended too and so never make a number.
bool ProgramOptions::threadKeyPasses(const QString& text, bool hasSelection, QChar typed)
{
    const bool digit = typed >= u'0' && typed <= u'9';
    if (!digit && typed != backspace && typed != escape)
        return false;
    if (digit && text.size() >= ThreadCountDigits && !hasSelection)
        return false;
    if (hasSelection)
        return true;
    const QString candidate = text + typed;
    return !number(candidate) || threadCount(candidate);
}

ProgramOptions::LeaveAction ProgramOptions::threadLeaveCheck(const QString& text)
{
    if (threadCount(text))
        return LeaveAction::Keep;
    return number(text) ? LeaveAction::RefuseNumber : LeaveAction::Clear;
}

QString ProgramOptions::threadCountRangeText()
{
    return QStringLiteral("Bitte geben Sie unter \"Maximale Anzahl Threads\" eine ganze Zahl von "
                          "%1 bis %2 ein.")
        .arg(MinThreadCount)
        .arg(MaxThreadCount);
}

bool ProgramOptions::accept(const Entries& entries, base::Settings& settings)
{
    const std::optional<int> count = threadCount(entries.threadCount);
    if (!count)
        return false;
    settings.threadCount = *count;
    if (isKnownChoice(entries.proxyChoice))
        settings.proxyChoice = entries.proxyChoice;
    // A choice the dialog does not know leaves the proxy as it was.
    if (const std::optional<ProxyAddress> proxy =
            proxyFor(settings.proxyChoice, entries.proxyHost, entries.proxyPort)) {
        settings.proxyHost = proxy->host;
        settings.proxyPort = proxy->port;
    }
    settings.overwriteReport = entries.overwriteReport;
    return true;
}

} // namespace pelvaro::app
