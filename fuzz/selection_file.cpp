// Selection files (.suc) as "Auswahl laden" applies them to the catalogue. The catalogue is the
// sample one, imported from the sources once per process into a scratch folder.

#include "FuzzSupport.h"
#include "base/UiServices.h"
#include "catalogue/CatalogueImporter.h"
#include "catalogue/SelectionFile.h"
#include "catalogue/TDataModule1.h"

#include <QCoreApplication>

#include <cstdlib>
#include <memory>

namespace {

using namespace pelvaro::base;

// Every box is answered as a user clicking OK would; dialogs are cancelled. The load command
// asks for nothing, so none of this is expected to be reached except its messages.
class FuzzUiServices : public UiServices
{
public:
    MessageAnswer showMessage(MessageKind, const QString&, const QString&, MessageButtons) override
    {
        return MessageAnswer::Ok;
    }
    std::optional<QString> getOpenFileName(const FileDialogRequest&) override { return {}; }
    std::optional<QString> getSaveFileName(const FileDialogRequest&) override { return {}; }
    std::optional<PrintChoice> choosePrinter(const PrintRequest&) override { return {}; }
    std::optional<QString> chooseFont(const QString&, const QString&) override { return {}; }
    bool openUrl(const QUrl&) override { return false; }
    QString clipboardText() override { return {}; }
    void setClipboardText(const QString&) override {}
    void beep() override {}
    void showGeneralError(const QString&) override {}

protected:
    void openWaitWindow(const QString&) override {}
    void closeWaitWindow() override {}
    void showHelpWindow(const HelpPage&) override {}
};

FuzzUiServices* ui = nullptr;
pelvaro::catalogue::TDataModule1* catalogue = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    const QString dataDirectory = pelvaro::fuzz::scratchDirectory() + QStringLiteral("/daten");
    pelvaro::catalogue::CatalogueImporter::importDirectory(
        QStringLiteral(PELVARO_SOURCE_DIR "/resources/catalogue"), dataDirectory);
    static FuzzUiServices services;
    static pelvaro::catalogue::TDataModule1 module(services);
    if (!module.open(dataDirectory, QString()))
        std::abort();
    ui = &services;
    catalogue = &module;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = pelvaro::fuzz::inputFile(data, size, QStringLiteral("auswahl.suc"));
    pelvaro::catalogue::SelectionFile::loadFileCommand(*ui, *catalogue, path);
    return 0;
}
