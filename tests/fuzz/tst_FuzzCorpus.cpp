#include "fuzz/FuzzTargets.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QtTest>

// Every stored fuzz input goes through its target again with the normal compiler, so an input that once
// crashed a parser or broke one of its checks stays fixed.
class TestFuzzCorpus : public QObject
{
    Q_OBJECT

    static QString Corpus()
    {
        return qEnvironmentVariable("ZENTRAVA_SOURCE_DIR") + QStringLiteral("/fuzz/corpus");
    }

private Q_SLOTS:
    void everyFolderHasItsTarget()
    {
        QSet<QString> targets;
        for (const FuzzTarget& target : FuzzTargets())
            targets.insert(QString::fromLatin1(target.name));
        const QStringList folders = QDir(Corpus()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QCOMPARE(QSet<QString>(folders.begin(), folders.end()), targets);
    }

    void replay_data()
    {
        QTest::addColumn<QString>("folder");
        for (const FuzzTarget& target : FuzzTargets())
            QTest::newRow(target.name) << Corpus() + u'/' + QString::fromLatin1(target.name);
    }

    void replay()
    {
        QFETCH(QString, folder);
        const FuzzTarget* target = FindFuzzTarget(QTest::currentDataTag());
        const QStringList files = QDir(folder).entryList(QDir::Files);
        QVERIFY2(!files.isEmpty(), qPrintable(folder + QStringLiteral(" holds no inputs")));
        for (const QString& name : files)
        {
            QFile file(folder + u'/' + name);
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
            target->run(file.readAll());
        }
    }
};

QTEST_GUILESS_MAIN(TestFuzzCorpus)
#include "tst_FuzzCorpus.moc"
