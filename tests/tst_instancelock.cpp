#include "publish/instancelock.h"
#include "support/unprivileged.h"

#include <QTest>

#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

using Make = std::function<bool(const QString &folder, const QByteArray &lock)>;

// The lock that keeps a second program out when no bus is shared: held by one process at a
// time, released however that process ends, and never a reason to block or to refuse a start
// when it cannot be taken at all.
class TestInstanceLock : public QObject {
    Q_OBJECT

private slots:
    void heldByOneProcessAtATime()
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
        // A failing check must not leave the child waiting for ever.
        bool reaped = false;
        const auto reap = qScopeGuard([&] {
            if (!reaped) {
                ::kill(child, SIGKILL);
                ::waitpid(child, nullptr, 0);
            }
        });
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
        reaped = true;
        InstanceLock third(path);
        QCOMPARE(third.state(), InstanceLock::State::Held);
        QCOMPARE(third.holder(), qint64(::getpid()));
        // What it holds, the holder's number, is the user's own.
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, mode_t(0600));
        ::close(ready[0]);
        ::close(ready[1]);
    }

    void unusualFilesAreNotLocks_data()
    {
        QTest::addColumn<Make>("make");
        QTest::newRow("symbolic link") << Make([](const QString &folder, const QByteArray &lock) {
            return QFile::link(folder + "/elsewhere", QFile::decodeName(lock));
        });
        QTest::newRow("FIFO") << Make([](const QString &, const QByteArray &lock) {
            return ::mkfifo(lock.constData(), 0600) == 0;
        });
        QTest::newRow("folder") << Make([](const QString &, const QByteArray &lock) {
            return ::mkdir(lock.constData(), 0700) == 0;
        });
        // Open to all but written by none; the lock is taken without privileges below.
        QTest::newRow("folder without write permission")
            << Make([](const QString &folder, const QByteArray &) {
                   return ::chmod(QFile::encodeName(folder).constData(), 0555) == 0;
               });
    }

    // Taken by a user without privileges, as root may write in any folder.
    void unusualFilesAreNotLocks()
    {
        QFETCH(Make, make);
        QTemporaryDir folder;
        QVERIFY(QFile::setPermissions(folder.path(),
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                          QFileDevice::ExeOther));
        const QString path = folder.filePath("ZAV41K.host.lock");
        QVERIFY(make(folder.path(), QFile::encodeName(path)));
        const std::optional<QString> said = asUnprivileged([&path] {
            InstanceLock lock(path); // a FIFO would block here if opened for waiting
            return lock.state() == InstanceLock::State::Unavailable ? lock.error() : u"taken"_s;
        });
        ::chmod(QFile::encodeName(folder.path()).constData(), 0700);
        QVERIFY(said);
        QVERIFY2(said->startsWith(path), qPrintable(*said));
        QVERIFY(!QFile::exists(folder.filePath("elsewhere")));
    }
};

QTEST_GUILESS_MAIN(TestInstanceLock)
#include "tst_instancelock.moc"
