#include "submit/ui/TVorschauForm.h"

#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace pelvaro::submit::ui {

TVorschauForm::TVorschauForm(const RunPreview& preview, QWidget* parent)
    : QDialog(parent), m_preview(preview)
{
    setObjectName(QStringLiteral("TVorschauForm"));
    setWindowTitle(tr("Vorschau der Anmeldung"));
    resize(720, 560);

    m_services = new QTreeWidget(this);
    m_services->setObjectName(QStringLiteral("ServiceList"));
    m_services->setHeaderLabels({tr("Nr"), tr("Name"), tr("Methode"), tr("Adresse")});
    m_services->setRootIsDecorated(false);
    m_services->setUniformRowHeights(true);
    m_services->setAllColumnsShowFocus(true);
    for (const PreviewRequest& request : preview.requests)
        new QTreeWidgetItem(m_services, {QString::number(request.entry.Nr), request.entry.Name,
                                         request.methode(), request.request.url});
    m_services->setColumnWidth(0, 50);
    m_services->setColumnWidth(1, 170);
    m_services->setColumnWidth(2, 60);

    m_request = new QPlainTextEdit(this);
    m_request->setObjectName(QStringLiteral("RequestText"));
    m_request->setReadOnly(true);
    // Long bodies are one line on the wire; wrapped, they stay readable without scrolling.
    m_request->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QFont mono(QStringLiteral("Courier New"), 9);
    mono.setStyleHint(QFont::TypeWriter);
    m_request->setFont(mono);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(m_services);
    splitter->addWidget(m_request);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);

    m_summary = new QLabel(preview.summary(), this);
    m_summary->setObjectName(QStringLiteral("SummaryLabel"));

    m_unpreparedSummary = new QLabel(preview.unpreparedSummary(), this);
    m_unpreparedSummary->setObjectName(QStringLiteral("UnpreparedLabel"));
    m_unprepared = new QTreeWidget(this);
    m_unprepared->setObjectName(QStringLiteral("UnpreparedList"));
    m_unprepared->setHeaderLabels({tr("Nr"), tr("Name"), tr("Grund"), tr("Adresse")});
    m_unprepared->setRootIsDecorated(false);
    for (const UnpreparedService& service : preview.unprepared)
        new QTreeWidgetItem(m_unprepared, {QString::number(service.nr), service.name,
                                           service.reason, service.address});
    m_unprepared->setColumnWidth(0, 50);
    m_unprepared->setColumnWidth(1, 170);
    m_unprepared->setColumnWidth(2, 220);
    m_unprepared->setMaximumHeight(110);
    const bool anyUnprepared = !preview.unprepared.empty();
    m_unpreparedSummary->setVisible(anyUnprepared);
    m_unprepared->setVisible(anyUnprepared);

    m_indexNow = new QLabel(preview.indexNowNote(), this);
    m_indexNow->setObjectName(QStringLiteral("IndexNowLabel"));
    m_indexNow->setWordWrap(true);
    m_indexNow->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_indexNow->setVisible(!m_indexNow->text().isEmpty());

    m_start = new QPushButton(tr("Anmeldung starten"), this);
    m_start->setObjectName(QStringLiteral("StartButton"));
    m_close = new QPushButton(tr("Schließen"), this);
    m_close->setObjectName(QStringLiteral("CloseButton"));
    m_close->setDefault(true);
    connect(m_start, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_summary, 1);
    buttons->addWidget(m_start);
    buttons->addWidget(m_close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addWidget(m_unpreparedSummary);
    layout->addWidget(m_unprepared);
    layout->addWidget(m_indexNow);
    layout->addLayout(buttons);

    connect(m_services, &QTreeWidget::currentItemChanged, this, &TVorschauForm::showRequest);
    if (m_services->topLevelItemCount() > 0)
        m_services->setCurrentItem(m_services->topLevelItem(0));
}

TVorschauForm::~TVorschauForm() = default;

bool TVorschauForm::execute(const RunPreview& preview, QWidget* parent)
{
    TVorschauForm form(preview, parent);
    return form.exec() == QDialog::Accepted;
}

void TVorschauForm::showRequest()
{
    const int row = m_services->indexOfTopLevelItem(m_services->currentItem());
    m_request->setPlainText(row < 0 ? QString() : m_preview.requests[size_t(row)].requestText());
}

} // namespace pelvaro::submit::ui
