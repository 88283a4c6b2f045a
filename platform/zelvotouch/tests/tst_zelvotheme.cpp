#include "zelvoapplication.h"
#include "zelvobutton.h"
#include "zelvolabel.h"
#include "zelvostylelibrary.h"
#include "zelvotheme.h"

#include <QtTest>

// The look comes from one theme file; every style name the product gives its
// widgets has a rule there.
class TestZelvoTheme : public QObject
{
    Q_OBJECT

private slots:
    void productStyleNamesHaveRules()
    {
        const QStringList names = {
            "CommonApplicationPageInverted",
            "CommonHeaderInverted",
            "CommonHeaderDividerInverted",
            "CommonBodyTextInverted",
            "CommonTopButtonInverted",
            "CommonBottomButtonInverted",
            "CommonGroupHeaderPanelInverted",
            "CommonGroupHeaderDividerInverted",
            "CommonGroupHeaderInverted",
            "CommonSpacer",
            "CommonLargeSpacer",
            "CommonLargeSpinnerInverted",
            "CommonEmptyStateTitleInverted",
            "InformationBanner",
            "rootDeleteInfoBanner",
        };
        for (const QString &name : names)
            QVERIFY2(ZelvoTheme::instance().hasRule(name), qPrintable(name));
    }

    // A plug-in names its style library and its widget types; only a type
    // registered with a creator may be made by name, and the registration
    // ends with the library object (the plug-in being unloaded).
    void styleLibraries()
    {
        {
            ZelvoStyleLibrary library(QStringLiteral("libsample"),
                                      { ZelvoStyleLibrary::Type(&ZelvoLabel::staticMetaObject,
                                                                [](QGraphicsItem *parent) -> QGraphicsWidget * {
                                                                    return new ZelvoLabel(parent);
                                                                }),
                                        ZelvoStyleLibrary::Type(&ZelvoButton::staticMetaObject) });
            QVERIFY(library.isRegistered());
            ZelvoStyleLibrary twice(QStringLiteral("libsample"), {});
            QVERIFY(!twice.isRegistered());
            QCOMPARE(ZelvoStyleLibrary::libraries().count(QStringLiteral("libsample")), 1);
            QCOMPARE(ZelvoStyleLibrary::styleTypes(QStringLiteral("libsample")),
                     QStringList({ "ZelvoLabel", "ZelvoButton" }));
            QCOMPARE(ZelvoStyleLibrary::libraryOf(QStringLiteral("ZelvoButton")), QStringLiteral("libsample"));

            QScopedPointer<QGraphicsWidget> made(ZelvoStyleLibrary::createWidget(QStringLiteral("ZelvoLabel")));
            QVERIFY(qobject_cast<ZelvoLabel *>(made.data()));
            QVERIFY(!ZelvoStyleLibrary::isCreatable(QStringLiteral("ZelvoButton")));
            QVERIFY(!ZelvoStyleLibrary::createWidget(QStringLiteral("ZelvoButton")));
            QVERIFY(!ZelvoStyleLibrary::createWidget(QStringLiteral("NoSuchWidget")));
        }
        QVERIFY(!ZelvoStyleLibrary::libraries().contains(QStringLiteral("libsample")));
        QVERIFY(!ZelvoStyleLibrary::createWidget(QStringLiteral("ZelvoLabel")));
    }

    // Colour values, with the theme's variables; a value that is not a colour
    // leaves the colour as it was (transparent), a selector with a space is a
    // syntax error.
    void colourValues_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("rgba") << "rgba(0, 0, 0, 0.5)" << QColor(0, 0, 0, 128);
        QTest::newRow("rgb, spaces") << "rgb( 10 ,20, 30 )" << QColor(10, 20, 30);
        QTest::newRow("rgba of three") << "rgba(1,2,3)" << QColor(1, 2, 3);
        QTest::newRow("variable") << "$accent" << QColor(0x10, 0x20, 0x30);
        QTest::newRow("too few") << "rgb(1, 2)" << QColor(Qt::transparent);
        QTest::newRow("fraction") << "rgb(1.5, 2, 3)" << QColor(Qt::transparent);
        QTest::newRow("other name") << "hsl(1, 2, 3)" << QColor(Qt::transparent);
    }
    void colourValues()
    {
        QFETCH(QString, value);
        QFETCH(QColor, expected);
        ZelvoTheme &theme = ZelvoTheme::instance();
        QVERIFY(theme.loadFromText(QStringLiteral("$accent: #102030;\nProbe { background-color: %1; }").arg(value)));
        const QColor got = theme.style(&QGraphicsWidget::staticMetaObject, QStringLiteral("Probe")).backgroundColor;
        QCOMPARE(got.rgba(), expected.rgba());
        QVERIFY(!theme.loadFromText(QStringLiteral("Pro be { color: red; }")));
        QVERIFY(theme.loadFromFile(QStringLiteral(":/zelvotouch/zelvo-dark.theme")));
    }
};

int main(int argc, char **argv)
{
    ZelvoApplication app(argc, argv, QStringLiteral("tst_zelvotheme"));
    TestZelvoTheme test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_zelvotheme.moc"
