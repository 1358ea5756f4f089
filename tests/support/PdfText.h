#pragma once

#include "TestDirs.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>

#include <gtest/gtest.h>

namespace pelvaro::test {

// A PDF's text as pdftotext lays it out (-layout): one line per printed line, a form feed
// before each further page.
inline QString pdfLayoutText(const QByteArray& pdf)
{
    const QString path = TestDirs::root() + QStringLiteral("/pdf-text.pdf");
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(pdf);
    file.close();
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-layout"), path, QStringLiteral("-")});
    EXPECT_TRUE(process.waitForFinished(30000))
        << "pdftotext (poppler-utils, scripts/install-deps.sh) must be installed";
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace pelvaro::test
