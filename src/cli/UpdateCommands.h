#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QTextStream;

namespace pelvaro::catalogue {
class TDataModule1;
}

namespace pelvaro::cli {

// "update info|compare|check": the update information pages, the version comparison and
// the menu items' whole sequence without a window. Transfers wait in a local event loop.
class UpdateCommands
{
public:
    // Opens the program directory's catalogue; nullptr after its error was printed.
    using OpenCatalogue = std::function<std::unique_ptr<catalogue::TDataModule1>()>;

    UpdateCommands(QTextStream& out, QTextStream& err, QString settingsPath,
                   OpenCatalogue openCatalogue);

    int run(const QStringList& arguments);

private:
    int info(const QStringList& arguments);
    int compare(const QStringList& arguments);
    int check(const QStringList& arguments);
    int fail(const QString& message);

    QTextStream& m_out;
    QTextStream& m_err;
    QString m_settingsPath;
    OpenCatalogue m_openCatalogue;
};

} // namespace pelvaro::cli
