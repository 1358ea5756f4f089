#pragma once

#include "submit/HttpExchange.h"
#include "submit/IndexNowKeyCheck.h"
#include "submit/SitemapReader.h"

#include <QDialog>

#include <memory>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace pelvaro::base {
class UiServices;
}
namespace pelvaro::site {
class SiteDocument;
}

namespace pelvaro::submit {
class BackgroundExchange;
}

namespace pelvaro::submit::ui {

// The site's IndexNow set-up: its key (made when it has none), the key file to place at
// the site's root, a check of that file, and the further page addresses to announce, typed
// or read from the site's sitemap. Network steps run in the background and can be stopped.
class TIndexNowForm : public QDialog
{
    Q_OBJECT

public:
    TIndexNowForm(base::UiServices& ui, site::SiteDocument& document,
                  const ExchangeRequest& settings, QWidget* parent = nullptr);
    ~TIndexNowForm() override;

    // Shows the window; true when the user took the addresses with OK.
    static bool execute(base::UiServices& ui, site::SiteDocument& document,
                        const ExchangeRequest& settings, QWidget* parent);

    void accept() override;
    void reject() override;

private:
    void showKey();
    void newKey();
    void copyKey();
    void checkKeyFile();
    void readSitemap();
    void stop();
    void jobFinished();
    void updateSummary();
    void setBusy(bool busy, const QString& text);

    base::UiServices& m_ui;
    site::SiteDocument& m_document;
    ExchangeRequest m_settings;
    std::unique_ptr<BackgroundExchange> m_job;
    // What the running job delivers; read once it has finished.
    std::shared_ptr<IndexNowKeyCheck::Result> m_checkResult;
    std::shared_ptr<SitemapReader::Result> m_sitemapResult;

    QLineEdit* m_key = nullptr;
    QLabel* m_placement = nullptr;
    QPushButton* m_newKey = nullptr;
    QPushButton* m_copy = nullptr;
    QPushButton* m_check = nullptr;
    QLabel* m_checkResultLabel = nullptr;
    QPlainTextEdit* m_urls = nullptr;
    QPushButton* m_sitemap = nullptr;
    QPushButton* m_stop = nullptr;
    QLabel* m_summary = nullptr;
};

} // namespace pelvaro::submit::ui
