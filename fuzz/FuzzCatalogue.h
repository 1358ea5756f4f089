#pragma once

// The sample catalogue for targets that apply outside data to it: imported from the sources
// once per process into the scratch folder and opened as the program opens it.

#include "FuzzSupport.h"
#include "base/UiServices.h"
#include "catalogue/CatalogueImporter.h"
#include "catalogue/TDataModule1.h"

#include <QCoreApplication>

#include <cstdlib>

namespace pelvaro::fuzz {

// Every box is answered as a user clicking OK would and every dialog is cancelled; what is
// shown is not looked at, only that reading the input neither crashes nor hangs.
class FuzzUiServices : public base::UiServices
{
public:
    base::MessageAnswer showMessage(base::MessageKind, const QString&, const QString&,
                                    base::MessageButtons) override
    {
        return base::MessageAnswer::Ok;
    }
    std::optional<QString> getOpenFileName(const base::FileDialogRequest&) override { return {}; }
    std::optional<QString> getSaveFileName(const base::FileDialogRequest&) override { return {}; }
    std::optional<base::PrintChoice> choosePrinter(const base::PrintRequest&) override
    {
        return {};
    }
    std::optional<QString> chooseFont(const QString&, const QString&) override { return {}; }
    bool openUrl(const QUrl&) override { return false; }
    QString clipboardText() override { return {}; }
    void setClipboardText(const QString&) override {}
    void beep() override {}
    void showGeneralError(const QString&) override {}

protected:
    void openWaitWindow(const QString&) override {}
    void closeWaitWindow() override {}
    void showHelpWindow(const base::HelpPage&) override {}
};

struct SampleCatalogue
{
    FuzzUiServices* ui = nullptr;
    catalogue::TDataModule1* module = nullptr;
};

// Call from LLVMFuzzerInitialize.
inline SampleCatalogue openSampleCatalogue(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    const QString dataDirectory = scratchDirectory() + QStringLiteral("/daten");
    catalogue::CatalogueImporter::importDirectory(
        QStringLiteral(PELVARO_SOURCE_DIR "/resources/catalogue"), dataDirectory);
    static FuzzUiServices services;
    static catalogue::TDataModule1 module(services);
    if (!module.open(dataDirectory, QString()))
        std::abort();
    return {&services, &module};
}

} // namespace pelvaro::fuzz
