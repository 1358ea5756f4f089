#include "catalogue/ui/DetailsWindow.h"

#include "base/UiServices.h"
#include "catalogue/CatalogueLists.h"
#include "catalogue/TDataModule1.h"
#include "site/SiteRecord.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QScreen>
#include <QStringListModel>
#include <QUrl>
#include <QVBoxLayout>

namespace pelvaro::catalogue::ui {

DetailsWindow::DetailsWindow(base::UiServices& ui, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), m_ui(ui)
{
    setObjectName(QStringLiteral("TDetailsZumSuchdienst"));
    setWindowTitle(tr("Details zum Suchdienst"));
    setFixedSize(632, 584);

    auto* form = new QGridLayout;
    form->setHorizontalSpacing(12);
    form->setVerticalSpacing(11);
    form->setColumnStretch(1, 1);
    m_name = addValue(form, tr("Name:"), QStringLiteral("LabelName"));
    m_name->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_name->setContentsMargins(3, 1, 3, 1);
    m_land = addValue(form, tr("Land:"), QStringLiteral("LabelLand"));
    m_kategorie = addValue(form, tr("Kategorie:"), QStringLiteral("LabelKategorie"));
    m_aAnmeldung = addValue(form, tr("Automatische Anmeldung:"), QStringLiteral("LabelAAnmeldung"));
    m_kostenpflichtig =
        addValue(form, tr("Kostenpflichtig:"), QStringLiteral("LabelKostenpflichtig"));
    m_bewertung = addValue(form, tr("Bewertung:"), QStringLiteral("LabelBewertung"));
    m_wartezeit =
        addValue(form, tr("Wartezeit bis zur Aufnahme:"), QStringLiteral("LabelWartezeit"));
    m_zuletztRegistriert =
        addValue(form, tr("Zuletzt registriert:"), QStringLiteral("LabelZuletztRegistriert"));
    m_bemerkung = addValue(form, tr("Bemerkung:"), QStringLiteral("LabelBemerkung"), Qt::AlignTop);
    m_bemerkung->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // A remark runs to two or three lines; the room for three is kept so the links below
    // do not jump from one service to the next.
    m_bemerkung->setWordWrap(true);
    m_bemerkung->setMinimumHeight(3 * m_bemerkung->fontMetrics().lineSpacing() + 2);

    // What the open site's ledger says; the outcome of a 429 and the answer can run to two
    // lines.
    m_letzteAnmeldung =
        addValue(form, tr("Letzte Anmeldung:"), QStringLiteral("LabelLetzteAnmeldung"));
    m_ergebnis = addValue(form, tr("Ergebnis:"), QStringLiteral("LabelErgebnis"), Qt::AlignTop);
    m_ergebnis->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_ergebnis->setWordWrap(true);
    m_antwort = addValue(form, tr("Antwort:"), QStringLiteral("LabelAntwort"), Qt::AlignTop);
    m_antwort->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_antwort->setWordWrap(true);
    m_antwort->setMinimumHeight(2 * m_antwort->fontMetrics().lineSpacing() + 2);
    m_adressen = addValue(form, tr("Übermittelte Adressen:"), QStringLiteral("LabelAdressen"));
    // A view over a model with rows of one height lays out only what it shows, so ten
    // thousand addresses open as fast as ten.
    m_addressModel = new QStringListModel(this);
    m_addressList = new QListView(this);
    m_addressList->setObjectName(QStringLiteral("ListeAdressen"));
    m_addressList->setModel(m_addressModel);
    m_addressList->setUniformItemSizes(true);
    m_addressList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_addressList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_addressList->setFixedHeight(5 * m_addressList->fontMetrics().lineSpacing() + 8);
    // Kept in the layout when hidden, so the links below stay where they are.
    QSizePolicy keep = m_addressList->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    m_addressList->setSizePolicy(keep);
    form->addWidget(m_addressList, form->rowCount(), 1);

    m_url1 = addLink(QStringLiteral("OvcURL1"));
    m_url2 = addLink(QStringLiteral("OvcURL2"));
    connect(m_url1, &QLabel::linkActivated, this, [this] { openLink(m_texts.url1Address); });
    connect(m_url2, &QLabel::linkActivated, this, [this] { openLink(m_texts.url2Address); });

    m_ok = new QPushButton(tr("OK"), this);
    m_ok->setObjectName(QStringLiteral("ButtonOK"));
    m_ok->setDefault(true);
    m_ok->setMinimumWidth(75);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->addLayout(form);
    layout->addSpacing(18);
    layout->addWidget(m_url1, 0, Qt::AlignHCenter);
    layout->addWidget(m_url2, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    layout->addWidget(m_ok, 0, Qt::AlignHCenter);

    fill(m_texts);
}

DetailsWindow::~DetailsWindow() = default;

QLabel* DetailsWindow::addValue(QGridLayout* form, const QString& caption,
                                const QString& objectName, Qt::Alignment captionAlignment)
{
    const int row = form->rowCount();
    auto* captionLabel = new QLabel(caption, this);
    auto* value = new QLabel(this);
    value->setObjectName(objectName);
    value->setTextFormat(Qt::PlainText);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    captionLabel->setBuddy(value);
    form->addWidget(captionLabel, row, 0, Qt::AlignLeft | captionAlignment);
    form->addWidget(value, row, 1);
    return value;
}

QLabel* DetailsWindow::addLink(const QString& objectName)
{
    auto* link = new QLabel(this);
    link->setObjectName(objectName);
    link->setTextFormat(Qt::RichText);
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    link->setOpenExternalLinks(false);
    return link;
}

void DetailsWindow::fill(const EngineDetailTexts& texts)
{
    m_texts = texts;
    m_name->setText(texts.name);
    m_land->setText(texts.land);
    m_kategorie->setText(texts.kategorie);
    m_aAnmeldung->setText(texts.aAnmeldung);
    m_kostenpflichtig->setText(texts.kostenpflichtig);
    m_bewertung->setText(texts.bewertung);
    m_wartezeit->setText(texts.wartezeit);
    m_zuletztRegistriert->setText(texts.zuletztRegistriert);
    m_bemerkung->setText(texts.bemerkung);
    const SubmissionTexts& sent = texts.submission;
    m_letzteAnmeldung->setText(sent.last);
    m_ergebnis->setText(sent.outcome);
    m_antwort->setText(sent.answer);
    m_adressen->setText(sent.addressCount);
    m_addressModel->setStringList(sent.addresses);
    m_addressList->setVisible(!sent.addresses.isEmpty());
    // The address is kept aside and opened as it is; the label only carries the caption.
    const auto linkText = [](const QString& caption) {
        return QStringLiteral("<a href=\"link\">%1</a>").arg(caption.toHtmlEscaped());
    };
    m_url1->setText(linkText(texts.url1Caption));
    m_url1->setToolTip(texts.url1Address);
    m_url2->setText(linkText(texts.url2Caption));
    m_url2->setToolTip(texts.url2Address);
}

void DetailsWindow::fill(TDataModule1& data, int listCode)
{
    const QString viewName = CatalogueLists::viewName(listCode);
    if (viewName.isEmpty())
        return;
    const site::SiteRecord* site = m_siteSource ? m_siteSource() : nullptr;
    fill(EngineDetails::describe(data.view(viewName), listCode, m_texts, site));
}

void DetailsWindow::showFor(TDataModule1& data, int listCode)
{
    fill(data, listCode);
    centreOnScreen();
    exec();
}

void DetailsWindow::openLink(const QString& address)
{
    m_ui.openInBrowser(QUrl(address));
}

void DetailsWindow::centreOnScreen()
{
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen)
        move(screen->availableGeometry().center() - rect().center());
}

} // namespace pelvaro::catalogue::ui
