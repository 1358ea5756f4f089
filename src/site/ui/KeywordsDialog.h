#pragma once

#include "site/KeywordEditor.h"

#include <QDialog>

#include <array>

class QLineEdit;

namespace pelvaro::base {
class UiServices;
}

namespace pelvaro::site::ui {

// The dialog in which the site's keywords are typed, one per field. It only holds texts;
// what confirming makes of them is KeywordEditor's business.
class KeywordsDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(KeywordsDialog)

public:
    explicit KeywordsDialog(base::UiServices& ui, QWidget* parent = nullptr);

    void setKeywords(const KeywordEditor::Keywords& keywords);
    KeywordEditor::Keywords keywords() const;

    // The fields' object names: the first three start with a capital, the rest do not.
    static QString fieldName(int index);

private:
    base::UiServices& m_ui;
    std::array<QLineEdit*, KeywordEditor::FieldCount> m_fields{};
};

} // namespace pelvaro::site::ui
