// How the control panel finds applets and which plug-ins it refuses to load
// (the program's refusal of a file that is no plug-in is tst_plixcontrolpanel's).

#include "plixappletif.h"
#include "sampleappletfixture.h"

#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>

class tst_PlixAppletLoading : public QObject
{
    Q_OBJECT

private slots:
    void descriptorRules_data()
    {
        QTest::addColumn<QByteArray>("content"); // null: a folder in place of the file
        QTest::addColumn<QString>("name"); // empty: refused
        QTest::addColumn<QString>("plugin"); // relative to the descriptor's folder
        QTest::addColumn<QString>("error");

        const struct {
            const char *what;
            QByteArray content;
            const char *name, *plugin, *error;
        } rows[] = {
            { "plain", QByteArray("Name=sample\nPlugin=libx.so\n"), "sample", "libx.so", "" },
            { "comments, blanks, spaces, later keys",
              QByteArray("# an applet\n\n  Name = a-b.c_1 \r\nIcon=x\nPlugin=sub/../liby.so"), "a-b.c_1", "liby.so",
              "" },
            { "no name", QByteArray("Plugin=libx.so\n"), "", "", "no Name" },
            { "no plug-in", QByteArray("Name=a\n"), "", "", "no Plugin" },
            { "name with a slash", QByteArray("Name=../a\nPlugin=x\n"), "", "", "may only hold" },
            { "line without a value", QByteArray("Name=a\nPlugin\n"), "", "", ":2: expected Key=Value" },
            { "key given twice", QByteArray("Name=a\nName=b\nPlugin=x\n"), "", "", ":2: Name given twice" },
            { "too large", QByteArray(70000, '#'), "", "", "too large" },
            { "folder in place of the file", QByteArray(), "", "", "is not a file" },
        };
        for (const auto &row : rows)
            QTest::newRow(row.what) << row.content << QString(row.name) << QString(row.plugin) << QString(row.error);
    }

    void descriptorRules()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, name);
        QFETCH(QString, plugin);
        QFETCH(QString, error);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("x.applet"));
        if (content.isNull()) {
            QVERIFY(QDir().mkpath(path));
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        PlixAppletDescriptor descriptor;
        QString why;
        QCOMPARE(PlixAppletDescriptor::read(path, &descriptor, &why), !name.isEmpty());
        if (name.isEmpty()) {
            QVERIFY2(why.contains(error), qPrintable(why));
            return;
        }
        QCOMPARE(descriptor.name, name);
        QCOMPARE(descriptor.pluginPath, dir.filePath(plugin));
        QCOMPARE(descriptor.descriptorPath, path);
    }

    void firstDescriptorOfANameWinsInSearchOrder()
    {
        QTemporaryDir first;
        QTemporaryDir second;
        const QList<QPair<QString, QByteArray>> files = {
            { first.filePath("one.applet"), "Name=one\nPlugin=first.so\n" },
            { second.filePath("a.applet"), "Name=one\nPlugin=second.so\n" },
            { second.filePath("b.applet"), "Name=two\nPlugin=two.so\n" },
            { second.filePath("broken.applet"), "Plugin=none.so\n" },
            { second.filePath("ignored.txt"), "Name=three\nPlugin=three.so\n" },
        };
        for (const auto &file : files) {
            QFile out(file.first);
            QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file.second) == file.second.size());
        }
        qputenv(PlixAppletDirectory::pathVariable, (first.path() + QStringLiteral(":") + second.path()).toLocal8Bit());
        const PlixAppletDirectory directory;
        qunsetenv(PlixAppletDirectory::pathVariable);

        QStringList names;
        for (const PlixAppletDescriptor &applet : directory.applets())
            names << applet.name;
        QCOMPARE(names.mid(0, 2), QStringList({ "one", "two" }));
        QVERIFY(names.contains(QStringLiteral("sample"))); // the build tree's folder comes after
        PlixAppletDescriptor one;
        QVERIFY(directory.find(QStringLiteral("one"), &one));
        QCOMPARE(one.pluginPath, first.filePath("first.so"));
        QVERIFY(!directory.find(QStringLiteral("three"), &one));
    }

    void metadataRules_data()
    {
        QTest::addColumn<QByteArray>("metaData");
        QTest::addColumn<QString>("refusal"); // empty: accepted

        const QByteArray iid = QByteArray("\"IID\":\"") + PlixAppletIf_iid + "\"";
        const QByteArray thisQt = QByteArray::number(QT_VERSION);
        QTest::newRow("this Qt") << ("{" + iid + ",\"version\":" + thisQt + "}") << "";
        QTest::newRow("older minor Qt") << ("{" + iid + ",\"version\":" + QByteArray::number(0x050c08) + "}") << "";
        QTest::newRow("no metadata") << QByteArray("{}") << "not a Qt plug-in";
        QTest::newRow("another interface id")
            << ("{\"IID\":\"com.tavelo.zelvo.core.PlixAppletIf/2.0\",\"version\":" + thisQt + "}")
            << "built for the interface \"com.tavelo.zelvo.core.PlixAppletIf/2.0\"";
        QTest::newRow("Qt 4") << ("{" + iid + ",\"version\":" + QByteArray::number(0x040804) + "}") << "Qt 4.8.4";
        QTest::newRow("Qt 6") << ("{" + iid + ",\"version\":" + QByteArray::number(0x060200) + "}") << "Qt 6.2.0";
        QTest::newRow("newer minor Qt") << ("{" + iid + ",\"version\":" + QByteArray::number(QT_VERSION + 0x100) + "}")
                                        << "which this control panel";
        QTest::newRow("no Qt version") << ("{" + iid + "}") << "Qt (unknown)";
        QTest::newRow("interface version 9")
            << ("{" + iid + ",\"version\":" + thisQt + ",\"MetaData\":{\"interfaceVersion\":9}}")
            << "interface version 9";
    }

    void metadataRules()
    {
        QFETCH(QByteArray, metaData);
        QFETCH(QString, refusal);
        const QString why = PlixAppletLoader::incompatibility(QJsonDocument::fromJson(metaData).object());
        if (refusal.isEmpty())
            QVERIFY2(why.isEmpty(), qPrintable(why));
        else
            QVERIFY2(why.contains(refusal), qPrintable(why));
    }

    void pluginMakesItsAppletAgainWhenDeleted()
    {
        PlixAppletLoader loader(sampleDescriptor());
        PlixAppletIf *applet = loader.load();
        QVERIFY2(applet, qPrintable(loader.errorString()));
        QObject *first = loader.instance();
        QCOMPARE(loader.instance(), first); // one instance while it lives
        applet->init();
        QCOMPARE(first->property("initCount").toInt(), 1);

        delete first;
        QObject *second = loader.instance();
        QVERIFY(second);
        QCOMPARE(second->property("initCount").toInt(), 0); // a fresh applet
    }
};

QTEST_MAIN(tst_PlixAppletLoading)
#include "tst_plixappletloading.moc"
