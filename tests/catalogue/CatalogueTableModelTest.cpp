#include "catalogue/CatalogueTableModel.h"

#include "catalogue/TDataModule1.h"

#include "CatalogueFixture.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <QImage>
#include <QSignalSpy>

#include <gtest/gtest.h>

using pelvaro::catalogue::CatalogueTableModel;
using pelvaro::catalogue::TDataModule1;
using pelvaro::test::engine;
using pelvaro::test::TestDirs;

TEST(CatalogueTableModel, ShowsTheViewWithGlyphsAndDates)
{
    const QString data = TestDirs::programDir() + QStringLiteral("/daten");
    pelvaro::test::createCatalogue(data,
                                   {engine(1, QStringLiteral("Bär"),
                                           {{QStringLiteral("Bewertung"), 4},
                                            {QStringLiteral("CodeFuerFlagge"), 0},
                                            {QStringLiteral("ZuletztRegistriert"), 37028.75}}),
                                    engine(2, QStringLiteral("Adler"),
                                           {{QStringLiteral("Bewertung"), 9},
                                            {QStringLiteral("CodeFuerFlagge"), QVariant()}})});
    pelvaro::test::ScriptedUiServices ui;
    TDataModule1 module(ui);
    ASSERT_TRUE(module.open(data, QStringLiteral("x")));
    CatalogueTableModel model(module.TableEngines());
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.columnCount(), 27)
        << "the catalogue's 25 fields and the two this program added";
    const int name = model.columnOf(QStringLiteral("name"));
    const int rating = model.columnOf(QStringLiteral("Bewertung"));
    const int flag = model.columnOf(QStringLiteral("CodeFuerFlagge"));
    const int date = model.columnOf(QStringLiteral("ZuletztRegistriert"));
    EXPECT_EQ(model.headerData(name, Qt::Horizontal).toString(), QStringLiteral("Name"));
    EXPECT_EQ(model.index(0, name).data().toString(), QStringLiteral("Adler"));
    EXPECT_EQ(model.index(1, date).data().toString(), QStringLiteral("17.05.01"));

    const QImage ratingGlyph = model.index(1, rating).data(Qt::DecorationRole).value<QImage>();
    EXPECT_EQ(ratingGlyph, CatalogueTableModel::ratingGlyph(4));
    EXPECT_FALSE(ratingGlyph.isNull());
    EXPECT_FALSE(model.index(1, rating).data(Qt::DisplayRole).isValid()) << "a picture, no number";
    EXPECT_FALSE(model.index(1, flag).data(Qt::DecorationRole).value<QImage>().isNull());
    EXPECT_FALSE(model.index(0, rating).data(Qt::DecorationRole).isValid())
        << "rating 9 has no glyph";
    EXPECT_FALSE(model.index(0, flag).data(Qt::DecorationRole).isValid());
    EXPECT_EQ(model.index(0, rating).data(CatalogueTableModel::RawValueRole).toInt(), 9);
    for (int code = 0; code <= 28; ++code)
        EXPECT_EQ(CatalogueTableModel::flagGlyph(code).size(), QSize(22, 14)) << code;
    for (int r = 0; r <= 4; ++r)
        EXPECT_EQ(CatalogueTableModel::ratingGlyph(r).size(), QSize(20, 12)) << r;

    // The model follows its view: selecting a service takes it out of this list.
    QSignalSpy resets(&model, &CatalogueTableModel::modelReset);
    module.EintragAuswaehlen();
    EXPECT_EQ(model.rowCount(), 1);
    // Once when the posted row leaves the list, once when the list is read again.
    EXPECT_EQ(resets.count(), 2);
}
