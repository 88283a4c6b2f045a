#include "zelvoapplication.h"
#include "zelvobutton.h"
#include "zelvolabel.h"
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

};

int main(int argc, char **argv)
{
    ZelvoApplication app(argc, argv, QStringLiteral("tst_zelvotheme"));
    TestZelvoTheme test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_zelvotheme.moc"
