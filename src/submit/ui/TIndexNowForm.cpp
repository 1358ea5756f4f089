#include "submit/ui/TIndexNowForm.h"

#include "base/UiServices.h"
#include "site/SiteDocument.h"
#include "site/SiteRecord.h"
#include "submit/BackgroundExchange.h"
#include "submit/IndexNowKey.h"
#include "submit/IndexNowSetup.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace pelvaro::submit::ui {

TIndexNowForm::TIndexNowForm(base::UiServices& ui, site::SiteDocument& document,
                             const ExchangeRequest& settings, QWidget* parent)
    : QDialog(parent), m_ui(ui), m_document(document), m_settings(settings),
      m_job(std::make_unique<BackgroundExchange>())
{
    setObjectName(QStringLiteral("TIndexNowForm"));
    setWindowTitle(tr("IndexNow"));
    resize(640, 520);

    // A site needs a key before anything else makes sense; it is kept at once, so a key
    // file placed while this window is open never belongs to a key that was thrown away.
    if (IndexNowSetup::ensureKey(m_document.record()))
        m_document.setSiteModified(true);

    auto* keyBox = new QGroupBox(tr("Schlüssel der Site"), this);
    m_key = new QLineEdit(keyBox);
    m_key->setObjectName(QStringLiteral("KeyEdit"));
    m_key->setReadOnly(true);
    m_newKey = new QPushButton(tr("&Neuer Schlüssel"), keyBox);
    m_newKey->setObjectName(QStringLiteral("NewKeyButton"));
    m_copy = new QPushButton(tr("&Kopieren"), keyBox);
    m_copy->setObjectName(QStringLiteral("CopyKeyButton"));
    m_copy->setToolTip(tr("Kopiert den Schlüssel, den Inhalt der Schlüsseldatei"));
    m_placement = new QLabel(keyBox);
    m_placement->setObjectName(QStringLiteral("PlacementLabel"));
    m_placement->setWordWrap(true);
    m_placement->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_check = new QPushButton(tr("Schlüsseldatei &prüfen"), keyBox);
    m_check->setObjectName(QStringLiteral("CheckButton"));
    m_checkResultLabel = new QLabel(keyBox);
    m_checkResultLabel->setObjectName(QStringLiteral("CheckResultLabel"));
    m_checkResultLabel->setWordWrap(true);
    m_checkResultLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* keyRow = new QHBoxLayout;
    keyRow->addWidget(m_key, 1);
    keyRow->addWidget(m_copy);
    keyRow->addWidget(m_newKey);
    auto* checkRow = new QHBoxLayout;
    checkRow->addWidget(m_check);
    checkRow->addWidget(m_checkResultLabel, 1);
    auto* keyLayout = new QVBoxLayout(keyBox);
    keyLayout->addLayout(keyRow);
    keyLayout->addWidget(m_placement);
    keyLayout->addLayout(checkRow);

    auto* urlBox = new QGroupBox(tr("Weitere Seiten der Site (eine Adresse je Zeile)"), this);
    m_urls = new QPlainTextEdit(urlBox);
    m_urls->setObjectName(QStringLiteral("UrlsEdit"));
    m_urls->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_urls->setPlainText(m_document.record().indexNowUrls.join(QLatin1Char('\n')));
    m_sitemap = new QPushButton(tr("Aus &sitemap.xml lesen"), urlBox);
    m_sitemap->setObjectName(QStringLiteral("SitemapButton"));
    m_summary = new QLabel(urlBox);
    m_summary->setObjectName(QStringLiteral("UrlsSummaryLabel"));
    m_summary->setWordWrap(true);
    auto* urlRow = new QHBoxLayout;
    urlRow->addWidget(m_summary, 1);
    urlRow->addWidget(m_sitemap);
    auto* urlLayout = new QVBoxLayout(urlBox);
    urlLayout->addWidget(m_urls, 1);
    urlLayout->addLayout(urlRow);

    m_stop = new QPushButton(tr("Anhal&ten"), this);
    m_stop->setObjectName(QStringLiteral("StopButton"));
    m_stop->setEnabled(false);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OkButton"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelButton"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("Abbrechen"));
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_stop);
    bottom->addStretch(1);
    bottom->addWidget(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(keyBox);
    layout->addWidget(urlBox, 1);
    layout->addLayout(bottom);

    connect(m_newKey, &QPushButton::clicked, this, &TIndexNowForm::newKey);
    connect(m_copy, &QPushButton::clicked, this, &TIndexNowForm::copyKey);
    connect(m_check, &QPushButton::clicked, this, &TIndexNowForm::checkKeyFile);
    connect(m_sitemap, &QPushButton::clicked, this, &TIndexNowForm::readSitemap);
    connect(m_stop, &QPushButton::clicked, this, &TIndexNowForm::stop);
    connect(m_urls, &QPlainTextEdit::textChanged, this, &TIndexNowForm::updateSummary);
    connect(m_job.get(), &BackgroundExchange::finished, this, &TIndexNowForm::jobFinished);
    connect(buttons, &QDialogButtonBox::accepted, this, &TIndexNowForm::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TIndexNowForm::reject);

    showKey();
    updateSummary();
}

TIndexNowForm::~TIndexNowForm() = default;

bool TIndexNowForm::execute(base::UiServices& ui, site::SiteDocument& document,
                            const ExchangeRequest& settings, QWidget* parent)
{
    TIndexNowForm form(ui, document, settings, parent);
    return form.exec() == QDialog::Accepted;
}

void TIndexNowForm::showKey()
{
    const site::SiteRecord& record = m_document.record();
    m_key->setText(record.indexNowKey);
    m_placement->setText(IndexNowSetup::placement(record.URLEdit, record.indexNowKey));
    m_checkResultLabel->clear();
}

void TIndexNowForm::newKey()
{
    if (m_ui.question(tr("Mit einem neuen Schlüssel gilt die Schlüsseldatei auf der Site nicht "
                         "mehr; Sie müssen sie durch die neue ersetzen. Neuen Schlüssel "
                         "erzeugen?")) != base::MessageAnswer::Yes)
        return;
    m_document.record().indexNowKey = IndexNowKey::generate();
    m_document.setSiteModified(true);
    showKey();
}

void TIndexNowForm::copyKey()
{
    m_ui.setClipboardText(m_document.record().indexNowKey);
}

void TIndexNowForm::setBusy(bool busy, const QString& text)
{
    m_check->setEnabled(!busy);
    m_sitemap->setEnabled(!busy);
    m_newKey->setEnabled(!busy);
    m_stop->setEnabled(busy);
    if (!text.isEmpty())
        m_checkResultLabel->setText(text);
}

void TIndexNowForm::checkKeyFile()
{
    const QString site = m_document.record().URLEdit;
    const QString key = m_document.record().indexNowKey;
    auto result = std::make_shared<IndexNowKeyCheck::Result>();
    m_checkResult = result;
    m_sitemapResult.reset();
    if (!m_job->start(
            [site, key, result](const ExchangeRunner& exchange) {
                *result = IndexNowKeyCheck::run(site, key, exchange);
            },
            m_settings)) {
        m_checkResultLabel->setText(tr("Die Prüfung kann gerade nicht gestartet werden."));
        return;
    }
    setBusy(true, tr("Die Schlüsseldatei wird abgerufen ..."));
}

void TIndexNowForm::readSitemap()
{
    const QString site = m_document.record().URLEdit;
    auto result = std::make_shared<SitemapReader::Result>();
    m_sitemapResult = result;
    m_checkResult.reset();
    if (!m_job->start(
            [site, result](const ExchangeRunner& exchange) {
                *result = SitemapReader::read(site, exchange);
            },
            m_settings)) {
        m_summary->setText(tr("Das Lesen kann gerade nicht gestartet werden."));
        return;
    }
    setBusy(true, QString());
    m_summary->setText(tr("Die sitemap.xml der Site wird gelesen ..."));
}

void TIndexNowForm::stop()
{
    m_job->cancel();
}

void TIndexNowForm::jobFinished()
{
    setBusy(false, QString());
    if (m_checkResult) {
        m_checkResultLabel->setText(m_checkResult->message);
        m_checkResult.reset();
    }
    if (m_sitemapResult) {
        const SitemapReader::Result result = *m_sitemapResult;
        m_sitemapResult.reset();
        if (result.cancelled) {
            updateSummary();
            return;
        }
        // The sitemap's addresses join those already listed; duplicates are dropped when the
        // list is taken.
        QStringList lines = m_urls->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString& url : result.urls)
            if (!lines.contains(url))
                lines << url;
        m_urls->setPlainText(lines.join(QLatin1Char('\n')));
        if (!result.problems.isEmpty())
            m_ui.warning(result.problems.join(QLatin1Char('\n')));
    }
}

void TIndexNowForm::updateSummary()
{
    const IndexNowSetup::Addresses addresses = IndexNowSetup::furtherAddresses(
        m_document.record().URLEdit, m_urls->toPlainText().split(QLatin1Char('\n')));
    m_summary->setText(IndexNowSetup::summary(addresses));
}

void TIndexNowForm::accept()
{
    m_job->cancel();
    const IndexNowSetup::Addresses addresses = IndexNowSetup::furtherAddresses(
        m_document.record().URLEdit, m_urls->toPlainText().split(QLatin1Char('\n')));
    if (addresses.accepted != m_document.record().indexNowUrls) {
        m_document.record().indexNowUrls = addresses.accepted;
        m_document.setSiteModified(true);
    }
    QDialog::accept();
}

void TIndexNowForm::reject()
{
    m_job->cancel();
    QDialog::reject();
}

} // namespace pelvaro::submit::ui
