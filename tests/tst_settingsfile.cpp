#include "resources/failuretexts.h"
#include "resources/language.h"
#include "settings/settingsfile.h"
#include "support/unprivileged.h"

#include <QTest>

#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

// What stands at the file's name, made by the row.
using Make = std::function<bool(const QString &file)>;

Make writes(const QByteArray &bytes)
{
    return [bytes](const QString &file) { return writeFile(file, bytes); };
}

Make linksTo(const QString &target)
{
    return [target](const QString &file) {
        return QFile::link(target.isEmpty() ? file : target, file);
    };
}

class TestSettingsFile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { setCurrentLanguage(Language::English); }

    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void storeChangesOneLine_data()
    {
        // clang-format off
        QTest::addColumn<QByteArray>("before"); // "MISSING": no file
        QTest::addColumn<QByteArray>("after");  // with CommPort set to 5

        QTest::newRow("no file") << QByteArray("MISSING") << QByteArray("[Properties]\nCommPort=5\n");
        QTest::newRow("empty file") << QByteArray("") << QByteArray("[Properties]\nCommPort=5\n");
        QTest::newRow("comments and blank lines stay")
            << QByteArray("# our reader, room 2\n\n[Properties]\n; chosen by Anna\nCommPort=2\n\n[Ports]\nCom1=/dev/ttyUSB0\n")
            << QByteArray("# our reader, room 2\n\n[Properties]\n; chosen by Anna\nCommPort=5\n\n[Ports]\nCom1=/dev/ttyUSB0\n");
        QTest::newRow("line ends CRLF")
            << QByteArray("[Ports]\r\nCom1=/dev/x\r\n[Properties]\r\nCommPort=2\r\n")
            << QByteArray("[Ports]\r\nCom1=/dev/x\r\n[Properties]\r\nCommPort=5\r\n");
        QTest::newRow("byte order mark")
            << QByteArray("\xEF\xBB\xBF[Properties]\nCommPort=2\n")
            << QByteArray("\xEF\xBB\xBF[Properties]\nCommPort=5\n");
        QTest::newRow("path that is not UTF-8")
            << QByteArray("[Ports]\nCom1=/tmp/\xE9\xFF\n")
            << QByteArray("[Ports]\nCom1=/tmp/\xE9\xFF\n\n[Properties]\nCommPort=5\n");
        QTest::newRow("unknown groups keep their order; key added to its group")
            << QByteArray("[Zeta]\na=1\n[Properties]\nOther=x\n\n[Alpha]\nb=2\n")
            << QByteArray("[Zeta]\na=1\n[Properties]\nOther=x\nCommPort=5\n\n[Alpha]\nb=2\n");
        QTest::newRow("no line end at the end")
            << QByteArray("[Properties]\nCommPort=2") << QByteArray("[Properties]\nCommPort=5");
        QTest::newRow("group last, no line end, key added")
            << QByteArray("[Properties]\nOther=x") << QByteArray("[Properties]\nOther=x\nCommPort=5\n");
        // A CRLF file cut after its last CR: the line end is completed, so the Ports entry keeps
        // its value rather than gaining a carriage return.
        QTest::newRow("cut after a CR, group added")
            << QByteArray("[Ports]\r\nCom1=/dev/x\r")
            << QByteArray("[Ports]\r\nCom1=/dev/x\r\n\r\n[Properties]\r\nCommPort=5\r\n");
        QTest::newRow("cut after a CR, key added to its group")
            << QByteArray("[Properties]\r\nOther=x\r")
            << QByteArray("[Properties]\r\nOther=x\r\nCommPort=5\r\n");
        QTest::newRow("blanks around the equals sign stay")
            << QByteArray("[Properties]\nCommPort = 12 \n") << QByteArray("[Properties]\nCommPort = 5 \n");
        QTest::newRow("quoted value")
            << QByteArray("[Properties]\nCommPort=\"2\"\n") << QByteArray("[Properties]\nCommPort=5\n");
        QTest::newRow("key repeated: the one that counts")
            << QByteArray("[Properties]\nCommPort=1\nCommPort=2\n") << QByteArray("[Properties]\nCommPort=1\nCommPort=5\n");
        QTest::newRow("group repeated: the key that counts is the later one")
            << QByteArray("[Properties]\nCommPort=1\n[X]\n[Properties]\nCommPort=2\n") << QByteArray("[Properties]\nCommPort=1\n[X]\n[Properties]\nCommPort=5\n");
        QTest::newRow("group repeated: the key only in the first")
            << QByteArray("[Properties]\nCommPort=1\n[X]\n[Properties]\nOther=x\n") << QByteArray("[Properties]\nCommPort=5\n[X]\n[Properties]\nOther=x\n");
        QTest::newRow("same key in another group untouched")
            << QByteArray("[Other]\nCommPort=9\n") << QByteArray("[Other]\nCommPort=9\n\n[Properties]\nCommPort=5\n");
        // clang-format on
    }

    void storeChangesOneLine()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        if (before != "MISSING")
            QVERIFY(writeFile(file(), before));
        const Status stored = SettingsFile::store(file(), "Properties", "CommPort", "5");
        QVERIFY2(stored, qPrintable(stored ? QString() : stored.failure().description));
        QCOMPARE(contentsOf(file()), after);
        // Storing the same again changes nothing, and nothing is left beside the file.
        QVERIFY(SettingsFile::store(file(), "Properties", "CommPort", "5").isOk());
        QCOMPARE(contentsOf(file()), after);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"ZAV41K.conf"_s});
        const Outcome<IniDocument> read = SettingsFile::load(file());
        QVERIFY(read);
        QCOMPARE(read.value().value("Properties", "CommPort"), QByteArray("5"));
    }

    void valuesAsWritten_data()
    {
        // clang-format off
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("value"); // "NONE": no value

        QTest::newRow("plain") << QByteArray("[Ports]\nCom1=/dev/ttyUSB0\n") << QByteArray("/dev/ttyUSB0");
        QTest::newRow("blanks trimmed") << QByteArray("[Ports]\n  Com1 =\t/dev/a b \n") << QByteArray("/dev/a b");
        QTest::newRow("quoted, escapes") << QByteArray("[Ports]\nCom1=\" a\\\"b\\\\ \"\n") << QByteArray(" a\"b\\ ");
        QTest::newRow("equals sign in the value") << QByteArray("[Ports]\nCom1=a=b\n") << QByteArray("a=b");
        QTest::newRow("group case counts") << QByteArray("[ports]\nCom1=x\n") << QByteArray("NONE");
        QTest::newRow("key case counts") << QByteArray("[Ports]\ncom1=x\n") << QByteArray("NONE");
        QTest::newRow("an escaped backslash before the closing quote") << QByteArray("[Ports]\nCom1=\"a\\\\\"\n") << QByteArray("a\\");
        QTest::newRow("group seen twice") << QByteArray("[Ports]\nCom1=a\n[X]\n[Ports]\nCom1=b\n") << QByteArray("b");
        QTest::newRow("byte order mark before the group") << QByteArray("\xEF\xBB\xBF[Ports]\nCom1=x\n") << QByteArray("x");
        // clang-format on
    }

    void valuesAsWritten()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, value);
        const std::optional<QByteArray> found = IniDocument(text).value("Ports", "Com1");
        QCOMPARE(found.has_value(), value != "NONE");
        if (found)
            QCOMPARE(*found, value);
    }

    void storeKeepsModeAndLink()
    {
        const QString real = m_dir->filePath(u"real.conf"_s);
        QVERIFY(writeFile(real, "[Properties]\nCommPort=2\n"));
        QVERIFY(::chmod(QFile::encodeName(real).constData(), 0640) == 0);
        QVERIFY(QFile::link(real, file()));
        QVERIFY(SettingsFile::store(file(), "Properties", "CommPort", "3").isOk());
        QVERIFY(QFileInfo(file()).isSymLink());
        QCOMPARE(contentsOf(real), QByteArray("[Properties]\nCommPort=3\n"));
        struct stat info {};
        QVERIFY(::stat(QFile::encodeName(real).constData(), &info) == 0);
        QCOMPARE(info.st_mode & 07777, mode_t(0640));
    }

    void storeIntoAMissingFolder()
    {
        const QString nested = m_dir->filePath(u"a/b/ZAV41K.conf"_s);
        QVERIFY(SettingsFile::store(nested, "Properties", "CommPort", "4").isOk());
        QCOMPARE(contentsOf(nested), QByteArray("[Properties]\nCommPort=4\n"));
        // A new settings file is the user's own.
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(nested).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, mode_t(0600));
    }

    void refused_data()
    {
        QTest::addColumn<Make>("make");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a folder") << Make([](const QString &f) { return QDir().mkpath(f); })
                                  << FailureTexts::settingsNotRegular();
        QTest::newRow("a FIFO, not waited on") << Make([](const QString &f) {
            return ::mkfifo(QFile::encodeName(f).constData(), 0600) == 0;
        }) << FailureTexts::settingsNotRegular();
        QTest::newRow("a device") << linksTo(u"/dev/zero"_s) << FailureTexts::settingsNotRegular();
        QTest::newRow("a symbolic-link loop")
            << linksTo({}) << QString::fromLocal8Bit(std::strerror(ELOOP));
        QTest::newRow("a link to nowhere") << linksTo(QDir::tempPath() + u"/nowhere/x"_s)
                                           << QString::fromLocal8Bit(std::strerror(ENOENT));
        QTest::newRow("binary garbage") << writes(QByteArray("[Properties]\nCommPort=2\n\x7f"
                                                             "ELF\x02\x01\x01\0\0",
                                                             33))
                                        << FailureTexts::settingsBinary();
        QTest::newRow("a DEL among the text")
            << writes("[Properties]\nCommPort=2\x7f\n") << FailureTexts::settingsBinary();
        QTest::newRow("UTF-16 with a byte order mark")
            << writes(QByteArray("\xFF\xFE[\0P\0]\0\n\0", 10)) << FailureTexts::settingsUtf16();
        QTest::newRow("UTF-16 without one")
            << writes(QByteArray("[\0P\0]\0\n\0", 8)) << FailureTexts::settingsBinary();
        QTest::newRow("far too large") << writes(QByteArray(SettingsFile::kMaxSize + 1, ';'))
                                       << FailureTexts::settingsTooLarge(SettingsFile::kMaxSize);
    }

    void refused()
    {
        QFETCH(Make, make);
        QFETCH(QString, reason);
        QVERIFY(make(file()));
        const QByteArray before = QFileInfo(file()).isFile() ? contentsOf(file()) : QByteArray();
        const Outcome<IniDocument> loaded = SettingsFile::load(file());
        QVERIFY(!loaded);
        QCOMPARE(loaded.failure().code, int(Failure::SettingsRead));
        QCOMPARE(loaded.failure().description, FailureTexts::settingsUnreadable(file(), reason));
        // Nor is it replaced by a store.
        const Status stored = SettingsFile::store(file(), "Properties", "CommPort", "5");
        QVERIFY(!stored && stored.failure().description.contains(file()));
        if (!before.isEmpty())
            QCOMPARE(contentsOf(file()), before);
    }

    void refusedWithoutReadPermission()
    {
        QVERIFY(writeFile(file(), "[Properties]\nCommPort=2\n"));
        QVERIFY(QFile::setPermissions(file(), QFileDevice::WriteOwner | QFileDevice::WriteOther));
        // The folder may be passed through, so that the file itself is what cannot be read.
        QVERIFY(QFile::setPermissions(m_dir->path(),
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner | QFileDevice::ExeOther));
        const std::optional<QString> said = asUnprivileged([this] {
            const Outcome<IniDocument> loaded = SettingsFile::load(file());
            return loaded ? u"read"_s : loaded.failure().description;
        });
        QVERIFY(said);
        QVERIFY2(said->contains(file()) && said->contains(u"cannot be read"_s), qPrintable(*said));
    }

private:
    QString file() const { return m_dir->filePath(u"ZAV41K.conf"_s); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
