#pragma once

#include "cli/CliCommands.h"

#include "ProcessRunner.h"
#include "TestDirs.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <gtest/gtest.h>

namespace pelvaro::test {

// What one pelvaro-cli command printed, run in this process with the test's program folder.
struct Output
{
    int code = -1;
    QString out;
    QString err;
};

inline Output cli(QStringList args, const QByteArray& input = {})
{
    Output o;
    QTextStream out(&o.out);
    QTextStream err(&o.err);
    pelvaro::cli::CliCommands commands(out, err);
    commands.setStandardInput(input);
    args.prepend(TestDirs::programDir());
    args.prepend(QStringLiteral("--home"));
    o.code = commands.run(args);
    return o;
}

// The same, through the built pelvaro-cli in a process of its own.
inline Output cliProcess(const QStringList& args)
{
    const ProcessResult result = runProgram(QStringLiteral("pelvaro-cli"), args);
    EXPECT_TRUE(result.finished) << args.join(u' ').toStdString();
    return {result.exitCode, QString::fromUtf8(result.out), QString::fromUtf8(result.err)};
}

// A site with every field the run's checks ask for.
inline const QByteArray completeSite =
    R"({"FirstNameEdit":"Jürgen","LastNameEdit":"Weiß","title_personEdit":"Dr.",
 "mobileEdit":"0170 1","tollfreeEdit":"0800 1","FaxEdit":"030 1","phoneEdit":"030 2","PostcodeEdit":"10115",
 "CityEdit":"Berlin","AddressEdit":"Weg 1","emailEdit":"info@muster.example","CompanyEdit":"Muster & Söhne",
 "productsEdit":"Äpfel","StateEdit":"Berlin","TitleEdit":"Muster Obst","URLEdit":"http://www.muster.example/",
 "DescriptionShortEdit":"Obst","NameVornameWebMasterEdit":"Weiß, Jürgen","WebmasterEmailEdit":"webmaster@muster.example",
 "passwordedit":"geheim123","ageEdit":"42","KeywordsMemo":"obst","DescriptionMemo":"Frisches Obst.",
 "LanguageCombo":16,"webtypeCombo":2,"CategoryCombo":20,"countryCombo":80,"GreetingCombo":1,"sexCombo":0})";

} // namespace pelvaro::test
