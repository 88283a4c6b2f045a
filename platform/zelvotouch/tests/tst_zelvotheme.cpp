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
            "CommonApplicationPageInverted", "CommonHeaderInverted", "CommonHeaderDividerInverted",
            "CommonBodyTextInverted", "CommonTopButtonInverted", "CommonBottomButtonInverted",
            "CommonGroupHeaderPanelInverted", "CommonGroupHeaderDividerInverted", "CommonGroupHeaderInverted",
            "CommonSpacer", "CommonLargeSpacer", "CommonLargeSpinnerInverted", "CommonEmptyStateTitleInverted",
            "InformationBanner", "rootDeleteInfoBanner",
        };
        for (const QString &name : names)
            QVERIFY2(ZelvoTheme::instance().hasRule(name), qPrintable(name));
    }

    void styleResolution()
    {
        ZelvoButton plain;
        ZelvoButton top;
        top.setStyleName(QStringLiteral("CommonTopButtonInverted"));
        ZelvoButton unknown;
        unknown.setStyleName(QStringLiteral("NoSuchStyleName"));
        // The style name adds to the class's look; an unknown one adds nothing.
        QVERIFY(top.style().backgroundColor != plain.style().backgroundColor);
        QCOMPARE(unknown.style().backgroundColor, plain.style().backgroundColor);
        QCOMPARE(top.style().borderRadius, plain.style().borderRadius);

        ZelvoLabel header;
        header.setStyleName(QStringLiteral("CommonHeaderInverted"));
        ZelvoLabel body;
        QVERIFY(header.style().fontPixelSize > body.style().fontPixelSize);
        QCOMPARE(body.style().fontFamily, QStringLiteral("DejaVu Sans"));
    }

    void parsing()
    {
        ZelvoTheme &theme = ZelvoTheme::instance();
        const int before = theme.generation();
        QString error;
        QVERIFY(!theme.loadFromText(QStringLiteral("Broken { color: red;\n"), &error));
        QVERIFY(error.contains(QLatin1String("line")));
        QVERIFY(!theme.loadFromText(QStringLiteral("A B { color: red; }"), &error));
        QVERIFY(!theme.loadFromText(QStringLiteral("A { color red }"), &error));
        QCOMPARE(theme.generation(), before);  // the old rules stay
        QVERIFY(theme.hasRule(QStringLiteral("CommonHeaderInverted")));

        const QString text = QStringLiteral(
            "/* test */ $main: #102030;\n"
            "* { font-size: 10px; }\n"
            "ZelvoLabel, Other { color: $main; margin: 1px 2px 3px 4px; padding: 5px; }\n"
            "Special { color: rgba(1, 2, 3, 0.5); font-weight: bold; text-align: center; custom: value; }\n");
        QVERIFY2(theme.loadFromText(text, &error), qPrintable(error));
        ZelvoLabel label;
        QCOMPARE(label.style().textColor, QColor(0x10, 0x20, 0x30));
        QCOMPARE(label.style().margins, QMarginsF(4, 1, 2, 3));
        QCOMPARE(label.style().padding, QMarginsF(5, 5, 5, 5));
        QCOMPARE(label.style().fontPixelSize, 10.0);
        label.setStyleName(QStringLiteral("Special"));
        QCOMPARE(label.style().textColor.alpha(), 128);
        QCOMPARE(label.style().fontWeight, int(QFont::Bold));
        QCOMPARE(label.style().textAlignment, Qt::Alignment(Qt::AlignCenter));
        QCOMPARE(label.style().value(QStringLiteral("custom")), QStringLiteral("value"));

        QVERIFY(theme.loadFromFile(QStringLiteral(":/zelvotouch/zelvo-dark.theme"), &error));
        QVERIFY(!theme.loadFromFile(QStringLiteral("/nonexistent/theme"), &error));
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
