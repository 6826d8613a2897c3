#include "resources/language.h"
#include "shell/programtitle.h"
#include "shell/settingsstore.h"
#include "support/filesizelimit.h"
#include "support/labsettings.h"
#include "support/unprivileged.h"

#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

class TestSettingsStore : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        setCurrentLanguage(Language::English);
        ProgramTitle::setTitle(u"ZAV41K"_s);
        m_home = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home->path()));
    }

    void cleanup()
    {
        QFile::setPermissions(m_home->filePath(u"ZAV41K"_s), QFileDevice::ReadOwner |
                                                                 QFileDevice::WriteOwner |
                                                                 QFileDevice::ExeOwner);
        m_home.reset();
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("a port number") << "12";
        QTest::newRow("blanks are not nothing") << "   ";
        QTest::newRow("letters") << "abc";
        QTest::newRow("a comma") << "1,2";
        QTest::newRow("an equals sign") << "a=b";
        QTest::newRow("non-ASCII") << u"é€"_s;
    }

    void roundTrip()
    {
        QFETCH(QString, text);
        const QString app = u"ZAV41K"_s;
        QVERIFY(SettingsStore::write(app, u"Properties"_s, u"CommPort"_s, text).isOk());
        QCOMPARE(storedPortText(), text);
    }

    void applicationNameIsTheTitleAtTheCall()
    {
        ProgramTitle::setTitle(u"Other"_s);
        QVERIFY(PortSetting::write(7).isOk());
        QVERIFY(QFile::exists(m_home->filePath(u"Other/Other.conf"_s)));
        ProgramTitle::setTitle(u"ZAV41K"_s);
        QCOMPARE(storedPortText(), QString());
    }

    // After a write that failed, the process must not go on seeing the value it could not store,
    // neither in what it reads nor in what a later write of another key puts in the file.
    void failedWriteLeavesNothingBehind()
    {
        QVERIFY(PortSetting::write(2).isOk());
        const QString before = fileText();
        {
            FileSizeLimit limit(8);
            const Status status = PortSetting::write(5);
            QVERIFY(!status.isOk());
            QCOMPARE(status.failure().code, int(Failure::SettingsWrite));
            QVERIFY(status.failure().description.contains(u"ZAV41K.conf"_s));
        }
        QCOMPARE(fileText(), before);
        QCOMPARE(storedPortText(), u"2"_s);

        QVERIFY(SettingsStore::write(u"ZAV41K"_s, u"Other"_s, u"Key"_s, u"x"_s).isOk());
        QCOMPARE(storedPortText(), u"2"_s);
        QVERIFY(fileText().contains(u"CommPort=2"_s));
        QVERIFY(PortSetting::write(7).isOk());
        QCOMPARE(storedPortText(), u"7"_s);
    }

    void relativeConfigHomeIsIgnored()
    {
        // A relative XDG_CONFIG_HOME is invalid and ignored, as the base directory rules say.
        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(m_home->path()));
        qputenv("XDG_CONFIG_HOME", "relative/config");
        const Status stored = PortSetting::write(6);
        qputenv("HOME", home);
        QVERIFY(stored.isOk());
        QVERIFY(QFile::exists(m_home->filePath(u".config/ZAV41K/ZAV41K.conf"_s)));
        QVERIFY(!QFile::exists(u"relative/config"_s));
    }

private:
    QString fileText() const
    {
        QFile file(m_home->filePath(u"ZAV41K/ZAV41K.conf"_s));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    std::unique_ptr<QTemporaryDir> m_home;
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
