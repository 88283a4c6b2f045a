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
};

int main(int argc, char **argv)
{
    ZelvoApplication app(argc, argv, QStringLiteral("tst_zelvotheme"));
    TestZelvoTheme test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_zelvotheme.moc"
