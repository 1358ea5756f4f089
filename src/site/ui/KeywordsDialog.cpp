#include "site/ui/KeywordsDialog.h"

#include "base/UiServices.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace pelvaro::site::ui {

namespace {
constexpr int rowsPerColumn = 5;
}

KeywordsDialog::KeywordsDialog(base::UiServices& ui, QWidget* parent) : QDialog(parent), m_ui(ui)
{
    setObjectName(QStringLiteral("TKeywordsDlg"));
    setWindowTitle(tr("Schlüsselwörter"));

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    for (int i = 0; i < KeywordEditor::FieldCount; ++i) {
        auto* field = new QLineEdit(this);
        field->setObjectName(fieldName(i));
        field->setMinimumWidth(150);
        auto* label = new QLabel(QString::number(i + 1) + QLatin1Char('.'), this);
        label->setBuddy(field);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        const int column = i / rowsPerColumn;
        grid->addWidget(label, i % rowsPerColumn, column * 2);
        grid->addWidget(field, i % rowsPerColumn, column * 2 + 1);
        m_fields[size_t(i)] = field;
    }
    for (int column = 1; column < KeywordEditor::FieldCount / rowsPerColumn; ++column)
        grid->setColumnMinimumWidth(column * 2, 24);

    auto* ok = new QPushButton(tr("&OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(tr("&Abbrechen"), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    auto* help = new QPushButton(tr("&Hilfe"), this);
    help->setObjectName(QStringLiteral("HelpButton"));
    help->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this,
            [this] { m_ui.ShowHelp(KeywordEditor::HelpContext); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(help);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString KeywordsDialog::fieldName(int index)
{
    return (index < 3 ? QStringLiteral("Key%1") : QStringLiteral("key%1")).arg(index + 1);
}

void KeywordsDialog::setKeywords(const KeywordEditor::Keywords& keywords)
{
    for (size_t i = 0; i < m_fields.size(); ++i)
        m_fields[i]->setText(keywords[i]);
}

KeywordEditor::Keywords KeywordsDialog::keywords() const
{
    KeywordEditor::Keywords texts;
    for (size_t i = 0; i < m_fields.size(); ++i)
        texts[i] = m_fields[i]->text();
    return texts;
}

} // namespace pelvaro::site::ui
