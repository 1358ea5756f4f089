#include "reports/ui/TStandardBerichtForm.h"

#include "base/UiServices.h"
#include "base/ui/ProgramIcons.h"
#include "reports/ReportEditorRules.h"
#include "reports/ui/PrintPreviewWindow.h"
#include "reports/ui/PrinterSetup.h"

#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace pelvaro::reports::ui {

namespace {

// The status page's help: the dialog has no page of its own.
constexpr int HelpContext = 174;

// Keeps the list from drawing while rows go in, also when filling fails half-way.
class UpdatesSuspended
{
public:
    explicit UpdatesSuspended(QWidget* widget) : m_widget(widget)
    {
        m_widget->setUpdatesEnabled(false);
    }
    ~UpdatesSuspended() { m_widget->setUpdatesEnabled(true); }
    UpdatesSuspended(const UpdatesSuspended&) = delete;
    UpdatesSuspended& operator=(const UpdatesSuspended&) = delete;

private:
    QWidget* m_widget;
};

} // namespace

TStandardBerichtForm::TStandardBerichtForm(base::UiServices& ui, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_ui(ui)
{
    setObjectName(QStringLiteral("TStandardBerichtForm"));
    setWindowTitle(tr("Standardbericht"));
    setModal(true);

    m_views = new QComboBox(this);
    m_views->setObjectName(QStringLiteral("ViewComboBox"));
    for (StandardReport::View view : StandardReport::views())
        m_views->addItem(StandardReport::viewName(view));
    connect(m_views, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            setView(StandardReport::views()[size_t(index)]);
    });
    auto* viewLabel = new QLabel(tr("&Ansicht:"), this);
    viewLabel->setBuddy(m_views);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("xxOvcDataReportAlles"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->header()->setStretchLastSection(false);

    auto* close = new QPushButton(tr("&Schließen"), this);
    close->setObjectName(QStringLiteral("BtnSchliessen"));
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    auto* print = new QPushButton(tr("&Drucken"), this);
    print->setObjectName(QStringLiteral("BtnDrucken"));
    connect(print, &QPushButton::clicked, this,
            [this] { m_ui.guarded([this] { printReport(); }); });
    // Alt+A belongs to the view list's label already.
    auto* preview = new QPushButton(tr("S&eitenansicht"), this);
    preview->setObjectName(QStringLiteral("BtnSeitenansicht"));
    connect(preview, &QPushButton::clicked, this,
            [this] { m_ui.guarded([this] { previewReport(); }); });
    auto* help = new QPushButton(tr("&Hilfe"), this);
    help->setObjectName(QStringLiteral("BtnHilfe"));
    connect(help, &QPushButton::clicked, this, [this] { m_ui.ShowHelp(HelpContext); });

    using base::ui::ProgramIcons;
    close->setIcon(ProgramIcons::icon(ProgramIcons::Command::Close));
    print->setIcon(ProgramIcons::icon(ProgramIcons::Command::Print));
    preview->setIcon(ProgramIcons::icon(ProgramIcons::Command::PrintPreview));
    help->setIcon(ProgramIcons::icon(ProgramIcons::Command::Help));

    auto* viewRow = new QHBoxLayout;
    viewRow->addWidget(viewLabel);
    viewRow->addWidget(m_views);
    viewRow->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(close);
    buttons->addWidget(print);
    buttons->addWidget(preview);
    buttons->addWidget(help);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addLayout(viewRow);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);

    setFixedSize(540, 378);
    showRows();
}

TStandardBerichtForm::~TStandardBerichtForm() = default;

void TStandardBerichtForm::execute(base::UiServices& ui,
                                   const std::vector<submit::ResultRow>& successes,
                                   const std::vector<submit::ResultRow>& failures, QWidget* parent,
                                   const StandardReport::PrintHeader& header)
{
    ui.guarded([&] {
        TStandardBerichtForm form(ui, parent);
        form.setPrintHeader(header);
        form.fill(successes, failures);
        form.exec();
    });
}

std::unique_ptr<TStandardBerichtForm>
TStandardBerichtForm::preview(base::UiServices& ui, const std::vector<submit::ResultRow>& successes,
                              const std::vector<submit::ResultRow>& failures,
                              StandardReport::View view, QWidget* parent)
{
    auto form = std::make_unique<TStandardBerichtForm>(ui, parent);
    form->fill(successes, failures);
    form->setView(view);
    form->show();
    return form;
}

void TStandardBerichtForm::fill(const std::vector<submit::ResultRow>& successes,
                                const std::vector<submit::ResultRow>& failures)
{
    m_rows = StandardReport::rows(successes, failures);
    showRows();
}

void TStandardBerichtForm::setView(StandardReport::View view)
{
    if (view == m_view)
        return;
    m_view = view;
    const QSignalBlocker blocker(m_views);
    m_views->setCurrentText(StandardReport::viewName(view));
    showRows();
}

void TStandardBerichtForm::showRows()
{
    const UpdatesSuspended suspended(m_list);
    m_list->clear();
    const auto columns = StandardReport::columns(m_view);
    QStringList captions;
    for (const StandardReport::Column& column : columns)
        captions << column.caption;
    m_list->setHeaderLabels(captions);
    for (int i = 0; i < int(columns.size()); ++i)
        m_list->setColumnWidth(i, columns[size_t(i)].screenWidth);
    QList<QTreeWidgetItem*> items;
    items.reserve(qsizetype(m_rows.size()));
    for (const StandardReport::Row& row : m_rows)
        items << new QTreeWidgetItem(StandardReport::cells(row, m_view));
    m_list->addTopLevelItems(items);
}

void TStandardBerichtForm::printReport()
{
    base::PrintRequest request;
    request.title = tr("Standardbericht drucken");
    request.jobName = StandardReport::title();
    request.pdfFile = ReportEditorRules::pdfProposal(StandardReport::title(), QDir::homePath());
    const std::optional<base::PrintChoice> choice = m_ui.choosePrinter(request);
    if (!choice)
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(request.jobName);
    if (!applyChoice(printer, *choice)) {
        m_ui.error(ReportEditorRules::printFailed());
        return;
    }
    printer.setPageOrientation(m_orientation);
    StandardReport::print(printer, m_rows, m_view, m_header);
}

void TStandardBerichtForm::previewReport()
{
    // The rows in the view shown, painted by the code that prints them.
    const auto paint = [this](QPrinter& printer) {
        m_ui.guarded([&] { StandardReport::print(printer, m_rows, m_view, m_header); });
    };
    if (PrintPreviewWindow::run(StandardReport::title(), paint, m_orientation, this))
        printReport();
}

} // namespace pelvaro::reports::ui
