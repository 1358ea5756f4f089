#include "base/HelpPages.h"

#include <QFile>
#include <QRegularExpression>

namespace pelvaro::base {

QString HelpPages::resourcePath(int context)
{
    return QStringLiteral(":/help/%1.html").arg(context);
}

HelpPage HelpPages::page(int context)
{
    HelpPage page;
    page.context = context;
    QFile file(resourcePath(context));
    if (file.open(QIODevice::ReadOnly)) {
        page.html = QString::fromUtf8(file.readAll());
        page.found = !page.html.trimmed().isEmpty();
    }
    if (page.found) {
        static const QRegularExpression titlePattern(
            QStringLiteral("<title>(.*?)</title>"),
            QRegularExpression::CaseInsensitiveOption |
                QRegularExpression::DotMatchesEverythingOption);
        const QRegularExpressionMatch match = titlePattern.match(page.html);
        page.title = match.hasMatch() ? match.captured(1).trimmed() : QStringLiteral("Hilfe");
        return page;
    }
    page.title = QStringLiteral("Hilfe");
    page.html = QStringLiteral("<html><body><h2>Keine Hilfeseite vorhanden</h2>"
                               "<p>Zu diesem Thema (Hilfe-Kontext %1) gibt es leider noch keine "
                               "Hilfeseite.</p><p>Eine Übersicht aller Themen finden Sie unter "
                               "<a href=\"help:1\">Inhalt</a>.</p></body></html>")
                    .arg(context);
    return page;
}

} // namespace pelvaro::base
