#include "widgettesting.h"

#include <certificateitem.h>
#include <certificateitemwidget.h>
#include <certificatesfiltermodel.h>
#include <certificateslist.h>
#include <certificatesmodel.h>

#include <certificatefactory.h>

#include <zelvoapplicationpage.h>
#include <zelvolabel.h>

#include <QGraphicsLinearLayout>

using namespace WidgetTesting;

// The list makes widgets for the rows on screen only, all of one height (a
// long name does not make its row taller), and they show the
// right rows wherever the page is scrolled.
class TestCertificatesList : public QObject
{
    Q_OBJECT

private:
    QList<IssuedCertificate> m_made;

private slots:
    void initTestCase()
    {
        for (int i = 0; i < 300; ++i) {
            CertificateFactory::Options options;
            options.commonName = QStringLiteral("row %1").arg(i, 3, 10, QLatin1Char('0'));
            if (i == 2) // far wider than the screen: it must not make its row taller
                options.commonName += QStringLiteral(" with a name of many words").repeated(6);
            m_made << CertificateFactory::makeSelfSigned(options);
        }
    }

    void onlyRowsOnScreenHaveWidgets_data()
    {
        QTest::addColumn<int>("rows");
        QTest::newRow("fewer rows than the screen holds") << 3;
        QTest::newRow("many screens of rows") << 300;
    }

    void onlyRowsOnScreenHaveWidgets()
    {
        QFETCH(int, rows);
        CertificatesModel model(QDBusConnection(QStringLiteral("unused")));
        // Added last first, so that only the filter's sorting puts them in order.
        for (int i = rows - 1; i >= 0; --i) {
            CertificateItem item;
            QVERIFY(item.setCertificate(m_made.at(i).certificate.data()));
            QVERIFY(model.populate(&item));
        }
        CertificatesFilterModel filter;
        filter.setSourceModel(&model);
        filter.sort(0);

        ZelvoApplicationWindow window;
        window.resize(480, 800);
        auto *page = new ZelvoApplicationPage;
        auto *content = new QGraphicsWidget;
        auto *layout = new QGraphicsLinearLayout(Qt::Vertical, content);
        auto *title = new ZelvoLabel(QStringLiteral("Certificates"));
        layout->addItem(title);
        auto *list = new CertificatesList;
        layout->addItem(list);
        layout->addStretch();
        list->setItemModel(&filter);
        page->setCentralWidget(content);
        page->appear(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        auto shownRows = [&] {
            QCoreApplication::processEvents();
            QList<int> shown;
            for (int r = 0; r < rows; ++r) {
                if (auto *widget = qobject_cast<CertificateItemWidget *>(list->itemWidget(r))) {
                    shown << r;
                    if (widget->text() != filter.index(r, 0).data().toString() || !widget->isVisible())
                        return QList<int>{ -1 };
                }
            }
            return shown;
        };
        QTRY_VERIFY(list->itemWidgetCount() > 0);
        const qreal rowHeight = list->itemWidget(0)->size().height();
        QVERIFY(rowHeight > 0);
        QCOMPARE(list->size().height(), rows * rowHeight);
        const int screenful = int(800 / rowHeight) + 2;
        for (int r = 0; r < qMin(rows, 3); ++r) {
            QGraphicsWidget *row = list->itemWidget(r);
            QVERIFY(row->effectiveSizeHint(Qt::PreferredSize, QSizeF(row->size().width(), -1)).height() <= rowHeight);
        }

        // At the top: the first rows, as many as fit.
        QList<int> shown = shownRows();
        QVERIFY(!shown.contains(-1));
        QCOMPARE(shown.value(0), 0);
        QVERIFY(shown.size() <= screenful);
        if (rows < screenful)
            QCOMPARE(shown.size(), rows);

        // Far down: the rows there, still no more widgets than a screen holds.
        page->setScrollPosition(list->mapToItem(content, QPointF(0, 150 * rowHeight)).y());
        shown = shownRows();
        QVERIFY(!shown.contains(-1));
        if (rows > 150) {
            QCOMPARE(shown.value(0), 150);
            QCOMPARE(shown.last(), shown.first() + shown.size() - 1);
            QVERIFY(list->childItems().size() <= screenful);
        }

        // A tap gives the filter's index of the row tapped.
        QSignalSpy clicked(list, &CertificatesList::itemClicked);
        const int tapped = shown.value(1, shown.value(0));
        tap(list->itemWidget(tapped));
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.at(0).at(0).value<QModelIndex>(), filter.index(tapped, 0));
        QCOMPARE(list->selectedIndexes(), QModelIndexList{ filter.index(tapped, 0) });
        list->clearSelection();
        QVERIFY(list->selectedIndexes().isEmpty());

        // A row going away: the rows below move up under the same widgets.
        const QString next = filter.index(tapped + 1, 0).data().toString();
        QVERIFY(model.removeRows(model.indexOf(filter.index(tapped, 0).data(34).value<CertificateItem *>()).row(), 1));
        shown = shownRows();
        QVERIFY(!shown.contains(-1));
        QCOMPARE(list->size().height(), (rows - 1) * rowHeight);
        if (!next.isEmpty())
            QCOMPARE(qobject_cast<CertificateItemWidget *>(list->itemWidget(tapped))->text(), next);
    }
};

CERTUI_WIDGET_TEST_MAIN(TestCertificatesList)
#include "tst_certificateslist.moc"
