#include "processtestharness.h"
#include "testmaterial.h"

#include <certificateitem.h>
#include <certificatesfiltermodel.h>
#include <certificatesmodel.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

// One certificate of the device: where it lives and what the model must make
// of it.
struct Planted {
    QString name;
    bool isCa;
    QStringList sharedDomains;
    QStringList privateDomains;
    bool trusted; // a trust record of the server
    int keyPreference; // -1: no key record
    bool keyShown; // the model asks for keys of certificates in "-user" domains only
    QStringList purposes;
    int userDomains;
    int manageable;
};

const QList<Planted> &planted()
{
    // clang-format off
    static const QList<Planted> all{
        { "Root Alpha", true, { "common-ca" }, {}, false, -1, false, { "common-ca" }, 0, 0 },
        { "Code Root", true, { "codesigning" }, {}, false, -1, false, { "common-codesigning-ca" }, 0, 0 },
        { "Own Root", true, { "common-ca" }, { "ssl-ca", "wifi-ca" }, false, 1, false,
          { "common-ca", "ssl", "wifi" }, 0, 1 },
        { "mail user", false, {}, { "smime-user" }, false, -1, false, { "smime" }, 1, 1 },
        { "wifi user", false, {}, { "ssl-user", "wifi-user" }, false, 0, true, { "ssl", "wifi" }, 1, 1 },
        { "signer", false, {}, { "codesign-user" }, false, 2, true, { "codesign" }, 1, 1 },
        { "notifier", false, {}, { "smime-user" }, false, 1, true, { "smime" }, 1, 1 },
        { "server.example", false, {}, {}, true, -1, false, { "server" }, 0, 0 },
        { "both.example", false, {}, { "ssl-user" }, true, -1, false, { "server", "ssl" }, 0, 1 },
        { "Twin", false, {}, { "smime-user" }, false, -1, false, { "smime" }, 1, 1 },
        { "twin", false, {}, { "smime-user" }, false, -1, false, { "smime" }, 1, 1 },
    };
    // clang-format on
    return all;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

bool populateAndWait(CertificatesModel &model, int calls = 1)
{
    QSignalSpy populated(&model, &CertificatesModel::modelPopulated);
    for (int i = 0; i < calls; ++i)
        model.populate();
    if (!QTest::qWaitFor([&] { return populated.count() >= calls; }, 60000))
        return false;
    QCoreApplication::processEvents();
    return populated.count() == calls && !model.isPopulating();
}

} // namespace

// The stored-certificates model and its filter against the real service.
class TestCertificatesModel : public QObject
{
    Q_OBJECT

private:
    // The store and trust database filled directly, the real service on the
    // private bus to list them.
    std::unique_ptr<ProcessTestHarness> m_device;
    std::unique_ptr<CertificatesModel> m_model;
    QHash<QString, IssuedCertificate> m_made;

private slots:
    void initTestCase()
    {
        m_device = std::make_unique<ProcessTestHarness>();
        QVERIFY2(m_device->isReady(), qPrintable(m_device->errorString()));
        for (const Planted &p : planted()) {
            CertificateFactory::Options options;
            options.commonName = p.name;
            IssuedCertificate made =
                p.isCa ? CertificateFactory::makeCa(p.name) : CertificateFactory::makeSelfSigned(options);
            X509 *cert = made.certificate.data();
            for (const QString &domain : p.sharedDomains)
                QVERIFY(m_device->root().addSharedCertificate(domain, cert));
            for (const QString &domain : p.privateDomains)
                QVERIFY(StoreProbe::addToDomain(domain, cert));
            if (p.trusted)
                QVERIFY(m_device->database().addTrustRecord(p.name, 1, QVariant(), CertificateFactory::toDer(cert))
                        > 0);
            if (p.keyPreference >= 0)
                QVERIFY(m_device->database().addKeyRecord(StoreProbe::keyIdOf(cert), p.name, p.keyPreference,
                                                          p.privateDomains.join(QLatin1Char(';')), QByteArray()));
            m_made.insert(p.name, std::move(made));
        }
        // A record the service lists but that holds no certificate: left out.
        QVERIFY(m_device->database().addTrustRecord(QStringLiteral("broken"), 1, QVariant(), "not a certificate") > 0);

        m_model = std::make_unique<CertificatesModel>(m_device->bus().connection());
        QVERIFY(populateAndWait(*m_model));
        QCOMPARE(m_model->rowCount(), planted().size());
    }

    void rowPerCertificateWithItsFacts_data()
    {
        QTest::addColumn<int>("plantedIndex");
        for (int i = 0; i < planted().size(); ++i)
            QTest::newRow(qPrintable(planted().at(i).name)) << i;
    }

    void rowPerCertificateWithItsFacts()
    {
        QFETCH(int, plantedIndex);
        const Planted &p = planted().at(plantedIndex);
        const QString keyId = StoreProbe::keyIdOf(m_made.value(p.name).certificate.data());
        QModelIndex row;
        for (int r = 0; r < m_model->rowCount(); ++r) {
            if (m_model->item(r)->keyId == keyId)
                row = m_model->index(r, 0);
        }
        QVERIFY(row.isValid());
        auto *item = row.data(CertificatesModel::ItemRole).value<CertificateItem *>();
        QCOMPARE(item, m_model->item(row.row()));
        QCOMPARE(m_model->indexOf(item), row);

        QCOMPARE(sorted(item->purposes), sorted(p.purposes));
        QVERIFY(item->stored);
        QCOMPARE(item->isCA, p.isCa);
        QCOMPARE(item->itemType, p.isCa ? 1 : 2);
        QCOMPARE(item->userDomains, p.userDomains);
        QCOMPARE(item->hasKey, p.keyShown);
        QCOMPARE(item->authPreference, p.keyShown ? p.keyPreference : -1);

        QCOMPARE(row.data(Qt::DisplayRole).toString(), p.name);
        QCOMPARE(row.data(CertificatesModel::SortRole).toString(), p.name.toLower() + QLatin1Char('\n') + keyId);
        QCOMPARE(row.data(CertificatesModel::IdentityRole), item->attribute(CertificateItem::Identity));
        QCOMPARE(row.data(CertificatesModel::ManageableRole).toInt(), p.manageable);
        // The identity finds the row again, as the list page looks items up.
        const QModelIndexList found =
            m_model->match(m_model->index(0, 0), CertificatesModel::IdentityRole,
                           item->attribute(CertificateItem::Identity), 1, Qt::MatchStartsWith | Qt::MatchWrap);
        QCOMPARE(found, QModelIndexList{ row });
    }

    void filterShowsOneKindSorted_data()
    {
        QTest::addColumn<QList<int>>("choices");
        QTest::addColumn<QStringList>("shown");
        const QStringList all{ "both.example",   "Code Root", "mail user", "notifier", "Own Root", "Root Alpha",
                               "server.example", "signer",    "Twin",      "twin",     "wifi user" };
        QTest::newRow("none chosen yet") << QList<int>{} << all;
        QTest::newRow("all") << QList<int>{ AllCertificates } << all;
        QTest::newRow("roots") << QList<int>{ RootCertificates }
                               << QStringList{ "Code Root", "Own Root", "Root Alpha" };
        QTest::newRow("user") << QList<int>{ UserCertificates }
                              << QStringList{ "both.example", "mail user", "notifier", "signer",
                                              "Twin",         "twin",      "wifi user" };
        QTest::newRow("server") << QList<int>{ ServerCertificates } << QStringList{ "both.example", "server.example" };
        QTest::newRow("back to none") << QList<int>{ ServerCertificates, NoCertificateType } << all;
        QTest::newRow("out of range ignored")
            << QList<int>{ RootCertificates, 5, -1 } << QStringList{ "Code Root", "Own Root", "Root Alpha" };
    }

    void filterShowsOneKindSorted()
    {
        QFETCH(QList<int>, choices);
        QFETCH(QStringList, shown);
        CertificatesFilterModel filter;
        filter.setSourceModel(m_model.get());
        for (int choice : choices)
            filter.selectCertificates(CertificateType(choice));
        filter.sort(0, Qt::AscendingOrder);
        QStringList names;
        for (int r = 0; r < filter.rowCount(); ++r)
            names << filter.index(r, 0).data().toString();
        // "Twin" and "twin" sort as one name, then by key id.
        const int twin = shown.indexOf(QStringLiteral("Twin"));
        if (twin >= 0
            && StoreProbe::keyIdOf(m_made.value(QStringLiteral("Twin")).certificate.data())
                > StoreProbe::keyIdOf(m_made.value(QStringLiteral("twin")).certificate.data()))
            shown.swapItemsAt(twin, twin + 1);
        QCOMPARE(names, shown);
    }

    void addingAndRemovingRows()
    {
        CertificatesModel model(m_device->bus().connection());
        QVERIFY(populateAndWait(model));
        const int before = model.rowCount();
        CertificatesFilterModel users;
        users.setSourceModel(&model);
        users.selectCertificates(UserCertificates);
        const int usersBefore = users.rowCount();

        CertificateFactory::Options options;
        options.commonName = QStringLiteral("fresh user");
        const IssuedCertificate fresh = CertificateFactory::makeSelfSigned(options);
        CertificateItem mine;
        QVERIFY(mine.setCertificate(fresh.certificate.data()));
        QVERIFY(mine.setPrivateKey(fresh.key.data()));
        mine.authPreference = 1;

        // Added as a copy of the model's own, stored and shown as a user's.
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QVERIFY(model.populate(&mine));
        QCOMPARE(model.rowCount(), before + 1);
        QCOMPARE(inserted.count(), 1);
        CertificateItem *added = model.item(before);
        QVERIFY(added && added != &mine);
        QVERIFY(added->stored && !mine.stored);
        QVERIFY(added->hasKey && added->privateKey && added->privateKey != nullptr);
        QCOMPARE(added->authPreference, 1);
        QCOMPARE(model.index(before, 0).data(CertificatesModel::ManageableRole).toInt(), 1);
        QCOMPARE(users.rowCount(), usersBefore + 1);

        // The same certificate again refreshes its row in place.
        mine.purposes = QStringList{ QStringLiteral("wifi"), QStringLiteral("common-ca") };
        QVERIFY(model.populate(&mine));
        QCOMPARE(model.rowCount(), before + 1);
        QCOMPARE(model.item(before), added);
        QCOMPARE(added->purposes, mine.purposes);
        QCOMPARE(added->userDomains, 0);

        // Nothing to add.
        CertificateItem empty;
        QVERIFY(!model.populate(&empty));
        QVERIFY(!model.populate(nullptr));
        QCOMPARE(model.rowCount(), before + 1);

        // Removed rows go; their items stay readable until the event loop runs.
        QVERIFY(!model.removeRows(before, 2));
        QVERIFY(!model.removeRows(-1, 1));
        QVERIFY(model.removeRows(before, 1));
        QCOMPARE(model.rowCount(), before);
        QCOMPARE(added->commonName, QStringLiteral("fresh user"));
        QCOMPARE(users.rowCount(), usersBefore);
        QVERIFY(!model.indexOf(added).isValid());
        QVERIFY(model.removeRows(0, before));
        QCOMPARE(model.rowCount(), 0);
        QCoreApplication::processEvents();

        // Removed for good: the same certificate can come back.
        QVERIFY(model.populate(&mine));
        QCOMPARE(model.rowCount(), 1);
    }

    // The key facts are asked once the list is filled; an item made right
    // then (a row shown at once) waits for its answer.
    void itemMadeWhenFilledHasItsKeyFacts()
    {
        CertificatesModel model(m_device->bus().connection());
        QHash<QString, int> preferences; // -2: no key
        connect(&model, &CertificatesModel::modelPopulated, &model, [&] {
            for (int r = 0; r < model.rowCount(); ++r) {
                const CertificateItem *item = model.item(r);
                preferences.insert(item->commonName, item->hasKey ? item->authPreference : -2);
            }
        });
        QVERIFY(populateAndWait(model));
        for (const Planted &p : planted())
            QCOMPARE(preferences.value(p.name, -3), p.keyShown ? p.keyPreference : -2);
    }

    void everyPopulateAnsweredOnce_data()
    {
        QTest::addColumn<int>("bus"); // 0 the device's, 1 one without the service, 2 none at all
        QTest::addColumn<int>("calls");
        QTest::addColumn<int>("rows");
        QTest::newRow("service, one call") << 0 << 1 << planted().size();
        QTest::newRow("service, a call superseded") << 0 << 3 << planted().size();
        QTest::newRow("service cannot start") << 1 << 1 << 0;
        QTest::newRow("service cannot start, twice") << 1 << 2 << 0;
        QTest::newRow("no bus") << 2 << 1 << 0;
    }

    void everyPopulateAnsweredOnce()
    {
        QFETCH(int, bus);
        QFETCH(int, calls);
        QFETCH(int, rows);
        // A bus whose service activation finds no program.
        const QByteArray buildDir = qgetenv("TRUSTKEEP_BUILD_DIR");
        qputenv("TRUSTKEEP_BUILD_DIR", "/nonexistent");
        PrivateBus emptyBus(m_device->root().path());
        qputenv("TRUSTKEEP_BUILD_DIR", buildDir);
        QVERIFY(emptyBus.isRunning());
        const QDBusConnection connection = bus == 0 ? m_device->bus().connection()
            : bus == 1                              ? emptyBus.connection()
                                                    : QDBusConnection(QStringLiteral("no such connection"));
        CertificatesModel model(connection);
        // Rows from before go when the service does not answer.
        const IssuedCertificate old = CertificateFactory::makeSelfSigned(CertificateFactory::Options());
        CertificateItem item;
        QVERIFY(item.setCertificate(old.certificate.data()));
        QVERIFY(model.populate(&item));
        QVERIFY(populateAndWait(model, calls));
        QCOMPARE(model.rowCount(), rows);

        // A receiver may delete the model; the remaining signals are dropped.
        auto *doomed = new CertificatesModel(connection);
        QSignalSpy gone(doomed, &QObject::destroyed);
        connect(doomed, &CertificatesModel::modelPopulated, doomed, [doomed] { delete doomed; });
        doomed->populate();
        doomed->populate();
        QVERIFY(gone.wait(60000));
    }
};

QTEST_MAIN(TestCertificatesModel)
#include "tst_certificatesmodel.moc"
