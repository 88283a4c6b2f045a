#include "zelvoapplication.h"
#include "zelvolabel.h"
#include "zelvolayout.h"
#include "zelvolinearlayoutpolicy.h"

#include <QGraphicsScene>
#include <QGraphicsWidget>
#include <QPointer>
#include <QtTest>

// A layout with several arrangements, exactly one of them on screen.
class TestZelvoLayoutPolicies : public QObject
{
    Q_OBJECT

private:
    static QGraphicsWidget *box(qreal w, qreal h, const QString &name)
    {
        auto *b = new QGraphicsWidget;
        b->setObjectName(name);
        b->setPreferredSize(w, h);
        b->setMinimumSize(0, 0);
        b->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        return b;
    }

    // Runs the posted layout requests.
    static void settle(QGraphicsWidget *host)
    {
        QCoreApplication::processEvents();
        host->layout()->activate();
    }

private slots:
    void switchingHidesWhatTheNewPolicyLacks()
    {
        QGraphicsScene scene;
        // Made before it has a widget, as pages do.
        auto *layout = new ZelvoLayout;
        layout->setContentsMargins(0, 0, 0, 0);
        QGraphicsWidget *title = box(100, 40, QStringLiteral("title"));
        QGraphicsWidget *spinner = box(60, 60, QStringLiteral("spinner"));
        QGraphicsWidget *list = box(200, 300, QStringLiteral("list"));

        auto *spinnerPolicy = new ZelvoLinearLayoutPolicy(layout, Qt::Vertical);
        spinnerPolicy->addItem(title);
        spinnerPolicy->addStretch(1);
        spinnerPolicy->addItem(spinner, Qt::AlignCenter);
        spinnerPolicy->addStretch(1);
        auto *listPolicy = new ZelvoLinearLayoutPolicy(layout, Qt::Vertical);
        listPolicy->addItem(title);
        listPolicy->addItem(list);
        listPolicy->addStretch(1);

        QVERIFY(spinnerPolicy->isActive());  // the first policy until another is set
        QCOMPARE(layout->count(), 3);        // the shared title counts once

        auto *host = new QGraphicsWidget;
        scene.addItem(host);
        host->setLayout(layout);
        host->resize(480, 700);
        settle(host);
        QCOMPARE(title->parentItem(), host);
        QCOMPARE(list->parentItem(), host);
        QVERIFY(title->isVisible());
        QVERIFY(spinner->isVisible());
        QVERIFY(!list->isVisible());

        // Centred between two equal stretches, at its preferred size.
        QCOMPARE(spinner->geometry(), QRectF(210, 40 + (660 - 60) / 2.0, 60, 60));
        QCOMPARE(title->geometry(), QRectF(0, 0, 480, 40));

        layout->setPolicy(listPolicy);
        settle(host);
        QVERIFY(title->isVisible());
        QVERIFY(!spinner->isVisible());
        QVERIFY(list->isVisible());
        QCOMPARE(list->geometry(), QRectF(0, 40, 480, 300));

        listPolicy->activate();
        spinnerPolicy->activate();
        QVERIFY(spinner->isVisible());
        QVERIFY(!list->isVisible());
        delete host;
    }

    void stretchFactorsShareTheRest()
    {
        QGraphicsScene scene;
        auto *host = new QGraphicsWidget;
        scene.addItem(host);
        auto *layout = new ZelvoLayout(host);
        layout->setContentsMargins(10, 10, 10, 10);
        auto *row = new ZelvoLinearLayoutPolicy(layout, Qt::Horizontal);
        row->setSpacing(10);
        QGraphicsWidget *a = box(50, 20, QStringLiteral("a"));
        QGraphicsWidget *b = box(50, 20, QStringLiteral("b"));
        a->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        row->addItem(a);
        row->addItem(b, Qt::AlignVCenter);
        row->setStretchFactor(a, 2);
        row->addStretch(1);
        host->resize(420, 100);
        settle(host);
        // 400 wide inside the margins, 10 of spacing, 100 preferred: 290 to share 2:1.
        QCOMPARE(a->geometry().width(), 50 + 290 * 2 / 3.0);
        QCOMPARE(a->geometry().height(), 80.0);  // fills across
        QCOMPARE(b->geometry().width(), 50.0);
        QCOMPARE(b->geometry().top(), 10 + 30.0);  // vertically centred, preferred height
        QCOMPARE(row->stretchFactor(a), 2);
        QCOMPARE(row->alignment(b), Qt::Alignment(Qt::AlignVCenter));
        delete host;
    }

    void shrinksTowardsMinimumAndWrapsText()
    {
        QGraphicsScene scene;
        auto *host = new QGraphicsWidget;
        scene.addItem(host);
        auto *layout = new ZelvoLayout(host);
        layout->setContentsMargins(0, 0, 0, 0);
        auto *column = new ZelvoLinearLayoutPolicy(layout, Qt::Vertical);
        auto *label = new ZelvoLabel(QStringLiteral("A long text that must wrap onto several lines when the "
                                                     "layout is narrow, as body texts of pages do."));
        label->setWordWrap(true);
        column->addItem(label);
        const qreal wide = layout->effectiveSizeHint(Qt::PreferredSize, QSizeF(800, -1)).height();
        const qreal narrow = layout->effectiveSizeHint(Qt::PreferredSize, QSizeF(200, -1)).height();
        QVERIFY2(narrow > wide * 2, qPrintable(QStringLiteral("%1 vs %2").arg(narrow).arg(wide)));
        host->resize(200, narrow);
        settle(host);
        QCOMPARE(label->geometry().width(), 200.0);
        QCOMPARE(label->geometry().height(), narrow);
        delete host;
    }

    void removingAndDeletingItems()
    {
        QGraphicsScene scene;
        auto *host = new QGraphicsWidget;
        scene.addItem(host);
        auto *layout = new ZelvoLayout(host);
        auto *first = new ZelvoLinearLayoutPolicy(layout, Qt::Vertical);
        auto *second = new ZelvoLinearLayoutPolicy(layout, Qt::Vertical);
        QGraphicsWidget *shared = box(10, 10, QStringLiteral("shared"));
        QPointer<QGraphicsWidget> only = box(10, 10, QStringLiteral("only"));
        first->addItem(shared);
        first->addItem(only);
        second->addItem(shared);
        first->addItem(shared);  // already there: ignored
        QCOMPARE(first->count(), 2);

        first->removeItem(shared);
        QCOMPARE(layout->count(), 2);  // still held by the second policy
        second->removeAt(0);
        QCOMPARE(layout->count(), 1);
        QCOMPARE(layout->indexOf(shared), -1);

        delete only.data();  // a deleted widget leaves every policy
        QCOMPARE(first->count(), 0);
        QCOMPARE(layout->count(), 0);

        layout->setPolicy(nullptr);
        QCOMPARE(layout->policy(), static_cast<ZelvoLinearLayoutPolicy *>(nullptr));
        delete second;  // a policy may go before its layout
        QCOMPARE(layout->registeredPolicies(), (QList<ZelvoLinearLayoutPolicy *>{first}));
        delete shared;
        delete host;
    }

    void foreignPolicyIsRefused()
    {
        ZelvoLayout one;
        auto *other = new ZelvoLayout;
        auto *mine = new ZelvoLinearLayoutPolicy(&one, Qt::Vertical);
        auto *theirs = new ZelvoLinearLayoutPolicy(other, Qt::Vertical);
        one.setPolicy(theirs);
        QCOMPARE(one.policy(), mine);
        delete other;
    }
};

int main(int argc, char **argv)
{
    ZelvoApplication app(argc, argv, QStringLiteral("tst_zelvolayoutpolicies"));
    TestZelvoLayoutPolicies test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_zelvolayoutpolicies.moc"
