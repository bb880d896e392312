#include <QtTest>

#include <QTemporaryDir>

#include <unistd.h>

#include "common/datafolder.h"

// Which folder holds the program's files, and whether it can.
class TestDataFolder : public QObject
{
    Q_OBJECT

private slots:
    void folderFollowsTheOptionTheEnvironmentThenThePlace_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("environment");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QString>("xdg");
        QTest::addColumn<QString>("expected"); // relative to the scratch folder
        QTest::addColumn<bool>("beside");
        QTest::newRow("portable") << "" << "" << false << "" << "prog/bin" << true;
        QTest::newRow("installed") << "" << "" << true << "" << "home/.local/share/quelvane" << false;
        QTest::newRow("installed, XDG_DATA_HOME") << "" << "" << true << "@xdg" << "xdg/quelvane" << false;
        // The XDG rule: a relative path is ignored.
        QTest::newRow("installed, relative XDG") << "" << "" << true << "xdg" << "home/.local/share/quelvane" << false;
        QTest::newRow("environment") << "" << "@env" << true << "@xdg" << "env" << false;
        QTest::newRow("option over environment") << "@opt/./x/.." << "@env" << false << "" << "opt" << false;
        QTest::newRow("option naming the program's folder") << "@prog/bin/" << "" << false << "" << "prog/bin" << true;
    }

    void folderFollowsTheOptionTheEnvironmentThenThePlace()
    {
        QFETCH(QString, option);
        QFETCH(QString, environment);
        QFETCH(bool, installed);
        QFETCH(QString, xdg);
        QFETCH(QString, expected);
        QFETCH(bool, beside);
        QTemporaryDir scratch;
        const auto place = [&](QString text) { return text.replace(QLatin1Char('@'), scratch.path() + '/'); };
        QDir(scratch.path()).mkpath("prog/bin");
        if (installed)
            QDir(scratch.path()).mkpath("prog/share/quelvane");
        const DataFolder chosen = chooseDataFolder(place(option), place(environment), scratch.filePath("prog/bin"),
                                                   place(xdg), scratch.filePath("home"));
        QCOMPARE(chosen.path, scratch.filePath(expected));
        QCOMPARE(chosen.besideProgram, beside);
    }

    void folderIsMadeForItsOwnerAndTriedWithAFile()
    {
        QTemporaryDir scratch;
        QString error;
        const QString made = scratch.filePath("a/b");
        QVERIFY2(prepareDataFolder(made, &error), qPrintable(error));
        QCOMPARE(QFile::permissions(made) & 0x0077, QFileDevice::Permissions());
        QCOMPARE(QDir(made).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
        // An existing folder keeps the permissions its owner gave it.
        QFile::setPermissions(made, QFileDevice::Permissions(0x7755));
        QVERIFY(prepareDataFolder(made, &error));
        QCOMPARE(QFile::permissions(made) & 0x0077, QFileDevice::Permissions(0x0055));

        QFile file(scratch.filePath("file"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(!prepareDataFolder(scratch.filePath("file"), &error));
        QVERIFY2(error.contains("n'est pas un dossier"), qPrintable(error));
        QVERIFY(!prepareDataFolder(scratch.filePath("file/sub"), &error));
        QVERIFY2(error.contains("ne peut pas être créé"), qPrintable(error));
        // Read-only to its owner: only root writes there anyway.
        if (geteuid() != 0) {
            QFile::setPermissions(made, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
            QVERIFY(!prepareDataFolder(made, &error));
            QVERIFY2(error.contains("n'accepte pas l'écriture"), qPrintable(error));
            QFile::setPermissions(made, QFileDevice::Permissions(0x7700));
        }
    }
};

QTEST_GUILESS_MAIN(TestDataFolder)
#include "test_datafolder.moc"
