#include "publish/instancelock.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// The lock that keeps a second program out when no bus is shared: held by one process at a
// time, released however that process ends, and never a reason to block or to refuse a start
// when it cannot be taken at all.
class TestInstanceLock : public QObject {
    Q_OBJECT

private slots:
    void heldByOneProcessAtATime();
    void unusualFilesAreNotLocks_data();
    void unusualFilesAreNotLocks();
};

void TestInstanceLock::heldByOneProcessAtATime()
{
    QTemporaryDir folder;
    const QString path = folder.filePath("made/on/the/way/ZAV41K.host.lock");
    int ready[2];
    QCOMPARE(::pipe(ready), 0);
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        InstanceLock lock(path);
        const char state = lock.state() == InstanceLock::State::Held ? 'h' : 'x';
        (void)!::write(ready[1], &state, 1);
        ::pause();
        ::_exit(0);
    }
    char state = 0;
    QCOMPARE(::read(ready[0], &state, 1), 1);
    QCOMPARE(state, 'h');
    {
        InstanceLock second(path);
        QCOMPARE(second.state(), InstanceLock::State::HeldByAnother);
        QCOMPARE(second.holder(), qint64(child));
    }
    // Killed, it leaves no stale lock behind.
    ::kill(child, SIGKILL);
    QCOMPARE(::waitpid(child, nullptr, 0), child);
    InstanceLock third(path);
    QCOMPARE(third.state(), InstanceLock::State::Held);
    QCOMPARE(third.holder(), qint64(::getpid()));
    ::close(ready[0]);
    ::close(ready[1]);
}

void TestInstanceLock::unusualFilesAreNotLocks_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("symbolic link") << "link";
    QTest::newRow("FIFO") << "fifo";
    QTest::newRow("folder") << "folder";
    QTest::newRow("folder without write permission") << "closed";
}

void TestInstanceLock::unusualFilesAreNotLocks()
{
    QFETCH(QString, kind);
    if (kind == "closed" && ::geteuid() == 0)
        QSKIP("root may write in any folder");
    QTemporaryDir folder;
    const QString path = folder.filePath("ZAV41K.host.lock");
    const QByteArray name = QFile::encodeName(path);
    if (kind == "link")
        QVERIFY(QFile::link(folder.filePath("elsewhere"), path));
    else if (kind == "fifo")
        QCOMPARE(::mkfifo(name.constData(), 0600), 0);
    else if (kind == "folder")
        QCOMPARE(::mkdir(name.constData(), 0700), 0);
    else
        QCOMPARE(::chmod(QFile::encodeName(folder.path()).constData(), 0500), 0);
    InstanceLock lock(path); // a FIFO would block here if opened for waiting
    QCOMPARE(lock.state(), InstanceLock::State::Unavailable);
    QVERIFY2(lock.error().startsWith(path), qPrintable(lock.error()));
    QVERIFY(!QFile::exists(folder.filePath("elsewhere")));
    ::chmod(QFile::encodeName(folder.path()).constData(), 0700);
}

QTEST_GUILESS_MAIN(TestInstanceLock)
#include "tst_instancelock.moc"
