#include "cli/UpdateCommands.h"

#include "base/SettingsStore.h"
#include "catalogue/TDataModule1.h"
#include "cli/ConsoleUiServices.h"
#include "updates/LoopTransferDisplay.h"
#include "updates/TWebFileInfo.h"
#include "updates/UpdateSequence.h"

#include <QDir>
#include <QTextStream>

namespace pelvaro::cli {

using base::MessageAnswer;
using base::MessageButtons;
using base::MessageKind;
using updates::TWebFileInfo;

namespace {

// The console door with the questions answered as the command line says: every question
// Yes (and the save dialog's proposed name taken) or every question No. Each question is
// printed with the answer it got.
class AnsweringConsole : public ConsoleUiServices
{
public:
    AnsweringConsole(QTextStream& out, QTextStream& err, bool yes)
        : ConsoleUiServices(out, err), m_out(out), m_yes(yes)
    {
    }

    MessageAnswer showMessage(MessageKind kind, const QString& title, const QString& text,
                              MessageButtons buttons) override
    {
        if (buttons != MessageButtons::YesNo && buttons != MessageButtons::YesNoCancel)
            return ConsoleUiServices::showMessage(kind, title, text, buttons);
        m_out << text << '\n' << (m_yes ? "-> Ja" : "-> Nein") << '\n';
        m_out.flush();
        return m_yes ? MessageAnswer::Yes : MessageAnswer::No;
    }

    std::optional<base::SaveFileChoice>
    getSaveFileChoice(const base::FileDialogRequest& request) override
    {
        m_out << request.title << ": " << QDir::toNativeSeparators(request.directory) << '\n'
              << "-> "
              << (m_yes ? QDir::toNativeSeparators(request.directory) : QStringLiteral("Abbrechen"))
              << '\n';
        m_out.flush();
        if (!m_yes)
            return std::nullopt;
        return base::SaveFileChoice{request.directory, request.selectedFilter};
    }

private:
    QTextStream& m_out;
    bool m_yes;
};

} // namespace

UpdateCommands::UpdateCommands(QTextStream& out, QTextStream& err, QString settingsPath,
                               OpenCatalogue openCatalogue)
    : m_out(out), m_err(err), m_settingsPath(std::move(settingsPath)),
      m_openCatalogue(std::move(openCatalogue))
{
}

int UpdateCommands::fail(const QString& message)
{
    m_err << QStringLiteral("Fehler: ") << message << '\n';
    m_err.flush();
    return 1;
}

int UpdateCommands::run(const QStringList& arguments)
{
    const QString sub = arguments.value(0);
    if (sub == QLatin1String("info"))
        return info(arguments.mid(1));
    if (sub == QLatin1String("compare"))
        return compare(arguments.mid(1));
    if (sub == QLatin1String("check"))
        return check(arguments.mid(1));
    return fail(
        QStringLiteral("Unbekannter Befehl \"update %1\". Siehe pelvaro-cli --help.").arg(sub));
}

int UpdateCommands::compare(const QStringList& arguments)
{
    if (arguments.size() != 2)
        return fail(
            QStringLiteral("update compare erwartet die installierte und die angebotene Version."));
    m_out << (TWebFileInfo::IsNewerVersion(arguments.at(0), arguments.at(1),
                                           updates::TWebFileInfoVersionFormat::wfivBuildNumber)
                  ? "true"
                  : "false")
          << '\n';
    m_out.flush();
    return 0;
}

int UpdateCommands::info(const QStringList& arguments)
{
    if (arguments.size() != 1)
        return fail(QStringLiteral("update info erwartet die Adresse einer Informationsseite."));
    base::SettingsStore settings(m_settingsPath);
    if (!settings.LoadSettings())
        return fail(base::SettingsStore::readErrorText());
    AnsweringConsole ui(m_err, m_err, false);
    updates::LoopTransferDisplay display([this](const QString& line) {
        m_err << line << '\n';
        m_err.flush();
    });
    TWebFileInfo info(ui, display);
    const base::Settings& s = settings.settings();
    if (!s.proxyHost.isEmpty())
        info.setProxyHost(s.proxyHost);
    if (!s.proxyPort.isEmpty())
        info.setProxyPort(s.proxyPort);
    info.setIdleTimeLimit(s.idleTimeLimit);
    info.setHomeURL(arguments.first());
    if (info.HomeURL().isEmpty())
        return fail(QStringLiteral("\"%1\" ist keine http://-Adresse.").arg(arguments.first()));
    if (!info.FetchInfo())
        return fail(info.LastError());
    const std::pair<const char*, QString> values[] = {
        {"ProductName", info.ProductName()},       {"ProductVersion", info.ProductVersion()},
        {"ProductDateStr", info.ProductDateStr()}, {"ProductAuthor", info.ProductAuthor()},
        {"DownloadURL", info.DownloadURL()},       {"ProductReadMe", info.ProductReadMe()},
        {"RunParams", info.RunParams()},
    };
    for (const auto& [name, value] : values)
        m_out << name << '=' << value << '\n';
    m_out.flush();
    return 0;
}

int UpdateCommands::check(const QStringList& arguments)
{
    QString what;
    QString server;
    bool serverGiven = false;
    QString folder = QDir::currentPath();
    bool yes = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        if (arg == QLatin1String("--yes") || arg == QLatin1String("--no")) {
            yes = arg == QLatin1String("--yes");
        } else if (arg == QLatin1String("--server") || arg == QLatin1String("--to")) {
            if (i + 1 >= arguments.size())
                return fail(arg == QLatin1String("--server")
                                ? QStringLiteral("--server erwartet eine Adresse.")
                                : QStringLiteral("--to erwartet ein Verzeichnis."));
            (arg == QLatin1String("--server") ? server : folder) = arguments.at(++i);
            serverGiven = serverGiven || arg == QLatin1String("--server");
        } else if (what.isEmpty() && !arg.startsWith(u'-')) {
            what = arg;
        } else {
            return fail(QStringLiteral("Unbekannte Angabe \"%1\".").arg(arg));
        }
    }
    if (what != QLatin1String("catalogue") && what != QLatin1String("program"))
        return fail(QStringLiteral("update check erwartet catalogue oder program."));
    if (!QDir(folder).exists())
        return fail(QStringLiteral("Das Verzeichnis %1 gibt es nicht.").arg(folder));

    base::SettingsStore settings(m_settingsPath);
    if (!settings.LoadSettings())
        return fail(base::SettingsStore::readErrorText());
    AnsweringConsole ui(m_out, m_err, yes);
    updates::LoopTransferDisplay display([this](const QString& line) {
        m_err << line << '\n';
        m_err.flush();
    });
    updates::UpdateSequence sequence(ui, settings, display);
    if (serverGiven)
        sequence.setServer(server);
    sequence.setDownloadDirectory(QDir(folder).absolutePath());

    updates::UpdateResult result;
    if (what == QLatin1String("catalogue")) {
        const std::unique_ptr<catalogue::TDataModule1> module = m_openCatalogue();
        if (!module)
            return 1;
        result = sequence.updateCatalogue(*module);
        if (result.outcome == updates::UpdateOutcome::RefreshCatalogue)
            m_out << "IDNSDV=" << settings.settings().catalogueVersion << '\n'
                  << "Suchdienste=" << module->AnzahlDatensaetze(QStringLiteral("TableEngines"))
                  << '\n';
    } else {
        result = sequence.updateProgram();
        if (result.outcome == updates::UpdateOutcome::EndProgram)
            m_out << "Programmende angefordert\n";
    }
    m_out.flush();
    return result.failed ? 1 : 0;
}

} // namespace pelvaro::cli
