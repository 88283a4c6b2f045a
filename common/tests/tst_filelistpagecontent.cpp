// The pieces and arrangements of the file list page.

#include "filelistpagecontent.h"

#include <zelvolabel.h>
#include <zelvolayout.h>
#include <zelvolinearlayoutpolicy.h>
#include <zelvolocale.h>
#include <zelvoprogressindicator.h>
#include <zelvoseparator.h>

#include <QGraphicsWidget>
#include <QtTest>

class TestFileListPageContent : public QObject
{
    Q_OBJECT

private:
    ZelvoLocale m_locale;

private slots:
    void initTestCase()
    {
        QVERIFY(m_locale.installTrCatalog(QStringLiteral("certificatemanager")));
        ZelvoLocale::setDefault(m_locale);
    }

    // Items from top to bottom; a null entry is a stretch.
    void policiesArrangeTheirItems()
    {
        QGraphicsWidget page;
        auto *layout = new ZelvoLayout;
        page.setLayout(layout);
        ZelvoLabel *title = FileListPageContent::createTitleLabel();
        auto *spinner = FileListPageContent::createSpinner(&page);
        ZelvoSeparator *first = FileListPageContent::createSeparator();
        ZelvoLinearLayoutPolicy *spinning = FileListPageContent::createSpinnerPolicy(layout, title, first, spinner);
        QCOMPARE(spinning->count(), 5);
        QCOMPARE(spinning->itemAt(0), title);
        QCOMPARE(spinning->itemAt(1), first);
        QVERIFY(!spinning->itemAt(2));
        QCOMPARE(spinning->itemAt(3), spinner);
        QCOMPARE(spinning->alignment(spinner), Qt::AlignCenter);
        QVERIFY(!spinning->itemAt(4));
        QCOMPARE(spinning->orientation(), Qt::Vertical);

        auto *list = new QGraphicsWidget;
        ZelvoSeparator *second = FileListPageContent::createSeparator();
        ZelvoLinearLayoutPolicy *listing = FileListPageContent::createListPolicy(layout, title, second, list);
        QCOMPARE(listing->count(), 4);
        QCOMPARE(listing->itemAt(0), title);
        QCOMPARE(listing->itemAt(1), second);
        QCOMPARE(listing->itemAt(2), list);
        QVERIFY(!listing->itemAt(3));

        ZelvoLabel *emptyText = FileListPageContent::createEmptyLabel();
        ZelvoSeparator *third = FileListPageContent::createSeparator();
        ZelvoLinearLayoutPolicy *empty = FileListPageContent::createEmptyPolicy(layout, title, third, emptyText);
        QCOMPARE(empty->count(), 3);
        QCOMPARE(empty->itemAt(2), emptyText);

        // Only the active arrangement is on screen.
        layout->setPolicy(empty);
        QVERIFY(emptyText->isVisible() && title->isVisible());
        QVERIFY(!spinner->isVisible() && !list->isVisible() && !first->isVisible());
        layout->setPolicy(spinning);
        QVERIFY(spinner->isVisible() && !emptyText->isVisible());
    }
};

QTEST_MAIN(TestFileListPageContent)
#include "tst_filelistpagecontent.moc"
