#include "catalogue/ui/TFilterBox.h"

#include "base/UiServices.h"
#include "catalogue/CatalogueTableModel.h"
#include "catalogue/FilterCriteria.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace pelvaro::catalogue::ui {

namespace {

// A ticked country shows an X in its box, as the flags' list always has, not the style's
// check mark.
class CrossedBoxDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const bool ticked = opt.checkState == Qt::Checked;
        opt.checkState = Qt::Unchecked;
        const QWidget* widget = opt.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        if (!ticked)
            return;
        const QRect box = style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, widget)
                              .adjusted(3, 3, -3, -3);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(
            QPen(opt.palette.color(opt.state & QStyle::State_Enabled ? QPalette::Active
                                                                     : QPalette::Disabled,
                                   QPalette::Text),
                 2));
        painter->drawLine(box.topLeft(), box.bottomRight());
        painter->drawLine(box.topRight(), box.bottomLeft());
        painter->restore();
    }
};

constexpr int HelpContext = 9;
constexpr int CountryColumns = 4;
constexpr int CountryRows = (FilterCriteria::CountryCount + CountryColumns - 1) / CountryColumns;
constexpr int ItemHeight = 30;
const QColor Silver(192, 192, 192);

// The system's short date, but always with the full year: a two-digit year in the picker
// would make the user guess the century the expression is then written with.
QString pickerFormat()
{
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QStringLiteral("yyyy")))
        format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return format;
}

} // namespace

TFilterBox::TFilterBox(base::UiServices& ui, TDataModule1& data, FilterCriteria& criteria,
                       const QString& settingsFile, QWidget* parent,
                       FilterSession::SiteSource siteSource)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint),
      m_ui(ui), m_session(std::make_unique<FilterSession>(ui, data, criteria, settingsFile,
                                                          std::move(siteSource)))
{
    setObjectName(QStringLiteral("TFilterBox"));
    setWindowTitle(tr("Filter"));
    setModal(true);

    auto* content = new QVBoxLayout;
    content->setContentsMargins(12, 12, 12, 8);
    content->setSpacing(6);
    content->addWidget(buildKinds());
    content->addSpacing(4);
    content->addWidget(addBox(
        FilterCriteria::NotRegistered,
        tr("Nur Suchdienste, bei denen noch keine (erfolgreiche) Registrierung erfolgt ist")));
    QCheckBox* pending =
        addBox(FilterCriteria::NotAccepted, tr("nur geänderte/noch nicht angenommene"));
    pending->setToolTip(tr("Nur Suchdienste, denen die geöffnete Web-Site noch nicht "
                           "erfolgreich übermittelt wurde oder die sie seit einer Änderung "
                           "noch nicht erhalten haben"));
    content->addWidget(pending);
    content->addWidget(
        addBox(FilterCriteria::Top100, tr("Nur Top-100 Suchmaschinen und Verzeichnisse")));

    m_picker = new QDateEdit(this);
    m_picker->setObjectName(FilterSession::pickerName());
    m_picker->setCalendarPopup(true);
    m_picker->setDisplayFormat(pickerFormat());
    m_picker->setDateRange(FilterCriteria::firstUsableDate(), FilterCriteria::lastUsableDate());
    m_picker->setDate(m_session->pickerDate());
    connect(m_picker, &QDateEdit::dateChanged, this,
            [this](const QDate& date) { m_session->setPickerDate(date); });
    auto* dateRow = new QHBoxLayout;
    dateRow->setSpacing(4);
    dateRow->addWidget(addBox(FilterCriteria::RegisteredBefore,
                              tr("Nur Suchdienste, bei denen Ihre Web-Site vor dem ")));
    dateRow->addWidget(m_picker);
    auto* registered = new QLabel(tr("registriert wurde"), this);
    registered->setObjectName(QStringLiteral("RegistriertLabel"));
    dateRow->addWidget(registered);
    dateRow->addStretch(1);
    content->addLayout(dateRow);

    content->addSpacing(4);
    QCheckBox* limit = addBox(FilterCriteria::LimitCountries,
                              tr("Länder filtern (Sie müssen dieses Kontrollfeld markieren, um "
                                 "Länder auswählen zu können)"));
    limit->setToolTip(tr("Hier markieren, damit die Länderauswahl aktiviert wird"));
    content->addWidget(limit);
    content->addWidget(buildCountryList());

    auto* ok = new QPushButton(tr("&OK"), this);
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(tr("&Abbrechen"), this);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    auto* help = new QPushButton(tr("&Hilfe"), this);
    help->setObjectName(QStringLiteral("HelpBtn"));
    help->setAutoDefault(false);
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &TFilterBox::onOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] { m_ui.ShowHelp(HelpContext); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* button : {ok, cancel, help}) {
        button->setMinimumWidth(88);
        buttons->addWidget(button);
    }
    content->addSpacing(6);
    content->addLayout(buttons);

    // The panels keep their widths as minimums and grow to their texts, which are longer.
    auto* status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("StatusBar1"));
    status->setSizeGripEnabled(false);
    m_statusPanel = new QLabel(this);
    m_statusPanel->setObjectName(QStringLiteral("StatusPanel1"));
    m_statusPanel->setMinimumWidth(100);
    m_countPanel = new QLabel(this);
    m_countPanel->setObjectName(QStringLiteral("StatusPanel2"));
    m_countPanel->setMinimumWidth(50);
    for (QLabel* panel : {m_statusPanel, m_countPanel}) {
        panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        panel->setContentsMargins(4, 0, 4, 0);
    }
    status->addWidget(m_statusPanel);
    status->addWidget(m_countPanel, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(content);
    layout->addWidget(status);

    showSession();
    adjustSize();
    centreOnScreen();
}

TFilterBox::~TFilterBox() = default;

QCheckBox* TFilterBox::addBox(FilterCriteria::Criterion box, const QString& caption)
{
    auto* check = new QCheckBox(caption, this);
    check->setObjectName(FilterSession::boxName(box));
    for (int i = 0; i < FilterSession::BoxCount; ++i)
        if (FilterSession::boxes()[size_t(i)] == box)
            m_boxes[size_t(i)] = check;
    connect(check, &QCheckBox::clicked, this,
            [this, box](bool ticked) { onBoxClicked(box, ticked); });
    return check;
}

QWidget* TFilterBox::buildKinds()
{
    auto* group = new QGroupBox(tr("Typen"), this);
    group->setObjectName(QStringLiteral("TypenGroupBox"));
    group->setToolTip(tr("Wählen Sie eine Kategorie"));
    const struct
    {
        FilterCriteria::Criterion box;
        QString caption;
        QString explanation;
    } kinds[] = {
        {FilterCriteria::Directories, tr("Verzeichnisse"),
         tr("Verzeichnisse werden von Redakteuren gepflegt. Bis eine Web-Site aufgenommen wird, "
            "vergehen meist mehrere Wochen, und die Aufnahmekriterien sind streng.")},
        {FilterCriteria::SpiderEngines, tr("Suchmaschinen"),
         tr("Suchmaschinen durchsuchen das Web mit Robotern (Spidern) und nehmen eine "
            "angemeldete Web-Site in der Regel innerhalb weniger Tage auf.")},
        {FilterCriteria::Other, tr("Sonstige"),
         tr("Dienste, die Web-Sites empfehlen oder redaktionell bewerten, sowie "
            "Ankündigungsdienste für neue Web-Sites.")},
    };
    auto* layout = new QVBoxLayout(group);
    layout->setSpacing(2);
    // The explanations start where the captions start, not under the box.
    const int indent = style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                       style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
    for (const auto& kind : kinds) {
        layout->addWidget(addBox(kind.box, kind.caption));
        auto* text = new QLabel(kind.explanation, group);
        text->setObjectName(FilterSession::boxName(kind.box) + QStringLiteral("Hinweis"));
        text->setWordWrap(true);
        text->setContentsMargins(indent, 0, 0, 6);
        layout->addWidget(text);
    }
    return group;
}

QWidget* TFilterBox::buildCountryList()
{
    m_countries = new QListWidget(this);
    m_countries->setObjectName(FilterSession::countryListName());
    m_countries->setToolTip(
        tr("Klicken Sie auf eine Landesfahne, um das entsprechende Land auszuwählen"));
    // Columns filled top to bottom, as the codes run; a click on a name does nothing, only
    // the box ticks.
    m_countries->setFlow(QListView::TopToBottom);
    m_countries->setWrapping(true);
    m_countries->setMovement(QListView::Static);
    m_countries->setUniformItemSizes(true);
    m_countries->setSelectionMode(QAbstractItemView::NoSelection);
    m_countries->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_countries->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_countries->setIconSize(QSize(ItemHeight, ItemHeight));
    m_countries->setItemDelegate(new CrossedBoxDelegate(m_countries));

    int widest = 0;
    const QFontMetrics metrics = m_countries->fontMetrics();
    for (int code = 0; code < FilterCriteria::CountryCount; ++code) {
        const QString name = FilterCriteria::countryName(code);
        widest = std::max(widest, metrics.horizontalAdvance(name));
        auto* item = new QListWidgetItem(
            QIcon(QPixmap::fromImage(CatalogueTableModel::flagGlyph(code))), name, m_countries);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    const int column = style()->pixelMetric(QStyle::PM_IndicatorWidth) + ItemHeight + widest + 36;
    m_countries->setGridSize(QSize(column, ItemHeight));
    for (int code = 0; code < FilterCriteria::CountryCount; ++code)
        m_countries->item(code)->setSizeHint(QSize(column, ItemHeight));
    // The view starts a new column once an item would touch the viewport's last line, so
    // eight full rows need a little more than eight item heights.
    const int frame = 2 * m_countries->frameWidth();
    m_countries->setFixedSize(CountryColumns * column + frame,
                              CountryRows * ItemHeight + 2 + frame);

    // The list lies on the window's colour whether it is on or off; off, its names are silver.
    QPalette palette = m_countries->palette();
    for (const QPalette::ColorGroup group :
         {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, palette.color(group, QPalette::Window));
    palette.setColor(QPalette::Disabled, QPalette::Text, Silver);
    m_countries->setPalette(palette);

    connect(m_countries, &QListWidget::itemChanged, this, &TFilterBox::onCountryChanged);
    return m_countries;
}

std::unique_ptr<TFilterBox> TFilterBox::preview(base::UiServices& ui, TDataModule1& data,
                                                FilterCriteria& criteria,
                                                const FilterSession::State& state,
                                                const QString& settingsFile, QWidget* parent)
{
    auto box = std::make_unique<TFilterBox>(ui, data, criteria, settingsFile, parent);
    box->setModal(false);
    box->m_session->applyState(state);
    box->showSession();
    box->show();
    return box;
}

bool TFilterBox::execute(base::UiServices& ui, TDataModule1& data, FilterCriteria& criteria,
                         const QString& settingsFile, QWidget* parent,
                         FilterSession::SiteSource siteSource)
{
    bool applied = false;
    ui.guarded([&] {
        TFilterBox box(ui, data, criteria, settingsFile, parent, std::move(siteSource));
        applied = box.exec() == QDialog::Accepted;
    });
    return applied;
}

void TFilterBox::onBoxClicked(FilterCriteria::Criterion box, bool ticked)
{
    m_ui.guarded([&] { m_session->click(box, ticked); });
    showSession();
}

void TFilterBox::onCountryChanged(QListWidgetItem* item)
{
    const int code = m_countries->row(item);
    const bool ticked = item->checkState() == Qt::Checked;
    if (m_session->isCountryTicked(code) == ticked)
        return;
    m_ui.guarded([&] { m_session->setCountryTicked(code, ticked); });
    showSession();
}

void TFilterBox::onOk()
{
    const bool applied = m_ui.guarded([this] { m_session->apply(); });
    // A failed step closes the box as well: what was posted stays, and the caller recounts.
    done(applied ? Accepted : Rejected);
}

void TFilterBox::done(int result)
{
    // Losing the ticks for the next opening is no reason to keep the user in the box.
    m_session->save();
    QDialog::done(result);
}

void TFilterBox::showSession()
{
    const FilterSession& session = *m_session;
    for (int i = 0; i < FilterSession::BoxCount; ++i)
        m_boxes[size_t(i)]->setChecked(session.isTicked(FilterSession::boxes()[size_t(i)]));
    {
        const QSignalBlocker quiet(m_picker);
        m_picker->setDate(session.pickerDate());
    }
    {
        const QSignalBlocker quiet(m_countries);
        for (int code = 0; code < FilterCriteria::CountryCount; ++code)
            m_countries->item(code)->setCheckState(session.isCountryTicked(code) ? Qt::Checked
                                                                                 : Qt::Unchecked);
    }
    m_countries->setEnabled(session.countriesEnabled());
    m_statusPanel->setText(session.statusText());
    m_countPanel->setText(session.countText());
}

void TFilterBox::centreOnScreen()
{
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen)
        move(screen->availableGeometry().center() - rect().center());
}

} // namespace pelvaro::catalogue::ui
