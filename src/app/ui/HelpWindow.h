#pragma once

#include "base/HelpPages.h"

#include <QWidget>

class QTextBrowser;

namespace pelvaro::app::ui {

// The built-in help viewer. Links of the form "help:N" open the page of context N.
class HelpWindow : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HelpWindow)

public:
    explicit HelpWindow(QWidget* parent = nullptr);

    void showPage(const base::HelpPage& page);
    // Where a window of this geometry goes so that it is whole on the available area: as
    // large as fits, moved inside; a window that is already inside stays where it is.
    static QRect placedOnScreen(const QRect& frame, const QRect& available);
    int currentContext() const { return m_context; }
    QString currentHtml() const;
    QTextBrowser* browser() const { return m_browser; }

private:
    QTextBrowser* m_browser;
    int m_context = 0;
    bool m_placed = false;
};

} // namespace pelvaro::app::ui
