// The persisted key through its INI file: integer rule, values of another
// type, text round trips, and stores that cannot be written or are damaged.
#include "Registry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

class TestRegistry : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void readInteger_data();
    void readInteger();
    void otherType_data();
    void otherType();
    void commaTextIsText();
    void roundTrip_data();
    void roundTrip();
    void writesStoreText();
    void keyCreatedWhenMissing();
    void defaultStoreIsAFile();
    void unwritableStore();
    void readOnlyFile();
    void damagedFile_data();
    void damagedFile();

private:
    // A store file of its own for each test row, holding Content.
    QString storeWith(const QByteArray& content);
    QByteArray storeContent() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestRegistry::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(QStringLiteral("store.ini"));
    Registry::setFileOverride(m_path);
}

void TestRegistry::cleanup()
{
    Registry::setFileOverride(QString());
    m_dir.reset();
}

QString TestRegistry::storeWith(const QByteArray& content)
{
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write the store fixture");
    return m_path;
}

QByteArray TestRegistry::storeContent() const
{
    QFile file(m_path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestRegistry::readInteger_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("expected");

    QTest::newRow("missing") << QByteArray() << 77;
    QTest::newRow("decimal") << QByteArray("Left=5") << 5;
    QTest::newRow("negative") << QByteArray("Left=-12") << -12;
    QTest::newRow("plus") << QByteArray("Left=+3") << 3;
    QTest::newRow("$ hex") << QByteArray("Left=$1F") << 31;
    QTest::newRow("0x hex") << QByteArray("Left=0x1f") << 31;
    QTest::newRow("hex all ones") << QByteArray("Left=$FFFFFFFF") << -1;
    QTest::newRow("largest") << QByteArray("Left=2147483647") << 2147483647;
    QTest::newRow("x prefix") << QByteArray("Left=x9") << 77;
    QTest::newRow("letters") << QByteArray("Left=abc") << 77;
    QTest::newRow("trailing blank") << QByteArray("Left=\"12 \"") << 77;
    QTest::newRow("leading blank") << QByteArray("Left=\" 12\"") << 77;
    QTest::newRow("empty") << QByteArray("Left=") << 77;
    QTest::newRow("fraction") << QByteArray("Left=1.5") << 77;
    QTest::newRow("above 32 bits") << QByteArray("Left=2147483648") << 77;
    QTest::newRow("hex nine digits") << QByteArray("Left=$100000000") << 77;
    QTest::newRow("sign before hex") << QByteArray("Left=-$1") << 77;
    QTest::newRow("prefix alone") << QByteArray("Left=$") << 77;
    QTest::newRow("comma text") << QByteArray("Left=1,2") << 77;
}

void TestRegistry::readInteger()
{
    QFETCH(QByteArray, line);
    QFETCH(int, expected);
    storeWith("[Control]\n" + line + "\n");
    const Registry registry;
    QCOMPARE(registry.readInteger(QStringLiteral("Control"), QStringLiteral("Left"), 77),
             expected);
}

void TestRegistry::otherType_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::newRow("byte array") << QByteArray("@ByteArray(12)");
    QTest::newRow("32-bit number") << QByteArray("@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x5)");
    QTest::newRow("point") << QByteArray("@Point(1 2)");
    QTest::newRow("no type") << QByteArray("@Invalid()");
}

// A value that is no text fails every read of it, and only of it.
void TestRegistry::otherType()
{
    QFETCH(QByteArray, value);
    storeWith("[Control]\nLeft=" + value + "\nTop=4\n");
    const Registry registry;
    const QString control = QStringLiteral("Control");
    QVERIFY(registry.valueExists(control, QStringLiteral("Left")));
    QVERIFY_THROWS_EXCEPTION(RegistryError, registry.readInteger(control, QStringLiteral("Left"), 0));
    QVERIFY_THROWS_EXCEPTION(RegistryError,
                             registry.readString(control, QStringLiteral("Left"), QString()));
    QCOMPARE(registry.readInteger(control, QStringLiteral("Top"), 0), 4);
}

// A file has no list type: an unquoted text with commas is still text.
void TestRegistry::commaTextIsText()
{
    storeWith("[Comms]\nCommPort=COM2, COM3\n");
    const Registry registry;
    QCOMPARE(registry.readString(QStringLiteral("Comms"), QStringLiteral("CommPort"), QString()),
             QStringLiteral("COM2,COM3"));
}

void TestRegistry::roundTrip_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("port") << "COM2";
    QTest::newRow("empty") << "";
    QTest::newRow("blank character") << " ";
    QTest::newRow("outer blanks") << "  12  ";
    QTest::newRow("commas") << "a, b,c";
    QTest::newRow("INI syntax") << "[x]=y;z#w";
    QTest::newRow("quotes and backslash") << "say \"\\\"";
    QTest::newRow("looks like a typed value") << "@ByteArray(x)";
    QTest::newRow("line break") << "two\r\nlines";
    QTest::newRow("control character") << QString(QChar(0x11));
    QTest::newRow("non-ASCII") << QString::fromUtf8("\u00c4\u00b0\u20ac");
}

// A text comes back as written through a new key, and exactly as a text.
void TestRegistry::roundTrip()
{
    QFETCH(QString, value);
    {
        Registry registry;
        registry.writeString(QStringLiteral("Comms"), QStringLiteral("XONChar"), value);
        registry.writeString(QStringLiteral("Comms"), QStringLiteral("Next"), QStringLiteral("1"));
    }
    const Registry registry;
    QCOMPARE(registry.readString(QStringLiteral("Comms"), QStringLiteral("XONChar"),
                                 QStringLiteral("default")),
             value);
    QCOMPARE(registry.readInteger(QStringLiteral("Comms"), QStringLiteral("Next"), 0), 1);
}

void TestRegistry::writesStoreText()
{
    {
        Registry registry;
        registry.writeInteger(QStringLiteral("Control"), QStringLiteral("Left"), -42);
        registry.writeString(QStringLiteral("Control"), QStringLiteral("Hex"), QStringLiteral("$1F"));
        // Each write is in the file at once, before any flush.
        QVERIFY(storeContent().contains("Left=-42"));
        registry.flush();
    }
    const QByteArray content = storeContent();
    QVERIFY2(!content.contains('@'), content.constData());
    const Registry registry;
    QCOMPARE(registry.readString(QStringLiteral("Control"), QStringLiteral("Left"), QString()),
             QStringLiteral("-42"));
    QCOMPARE(registry.readInteger(QStringLiteral("Control"), QStringLiteral("Hex"), 0), 31);
}

void TestRegistry::keyCreatedWhenMissing()
{
    const QString path = m_dir->filePath(QStringLiteral("new/folder/store.ini"));
    Registry::setFileOverride(path);
    const Registry registry;
    QVERIFY(QFile::exists(path));
    QVERIFY(!registry.valueExists(QStringLiteral("Control"), QStringLiteral("Left")));
    QCOMPARE(registry.readInteger(QStringLiteral("Control"), QStringLiteral("Left"), 3), 3);
    QCOMPARE(Registry::storePath(), path);
}

void TestRegistry::defaultStoreIsAFile()
{
    Registry::setFileOverride(QString());
#ifdef Q_OS_WIN
    QCOMPARE(Registry::storePath(), QString());
#else
    const QString path = Registry::storePath();
    QVERIFY2(QDir::isAbsolutePath(path), qPrintable(path));
    QVERIFY2(path.endsWith(QStringLiteral("/MorvaneControlPanel.ini")), qPrintable(path));
#endif
}

// A folder that cannot exist, since a plain file holds its name.
void TestRegistry::unwritableStore()
{
    QFile blocker(m_dir->filePath(QStringLiteral("blocker")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Registry::setFileOverride(blocker.fileName() + QStringLiteral("/store.ini"));

    Registry registry;
    QCOMPARE(registry.readInteger(QStringLiteral("Control"), QStringLiteral("Left"), 8), 8);
    QVERIFY_THROWS_EXCEPTION(RegistryError,
                             registry.writeInteger(QStringLiteral("Control"), QStringLiteral("Left"), 1));
    QVERIFY_THROWS_EXCEPTION(RegistryError, registry.flush());
}

void TestRegistry::readOnlyFile()
{
#ifdef Q_OS_UNIX
    if (::geteuid() == 0)
        QSKIP("root writes read-only files; unwritableStore covers the failure");
#endif
    storeWith("[Control]\nLeft=5\n");
    QVERIFY(QFile::setPermissions(m_path, QFile::ReadOwner | QFile::ReadUser));
    Registry registry;
    QCOMPARE(registry.readInteger(QStringLiteral("Control"), QStringLiteral("Left"), 0), 5);
    QVERIFY_THROWS_EXCEPTION(RegistryError,
                             registry.writeInteger(QStringLiteral("Control"), QStringLiteral("Top"), 1));
    QVERIFY_THROWS_EXCEPTION(RegistryError, registry.flush());
    QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);
}

void TestRegistry::damagedFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("line without =")
        << QByteArray("[Control]\nLeft=5\nthis is no value\nTop=7\n");
    QTest::newRow("unclosed section")
        << QByteArray("[Control]\nLeft=5\nTop=7\n[Comms\nBaudRate=9600\n");
    QTest::newRow("binary bytes")
        << QByteArray("[Control]\nLeft=5\n\x01\xff\xfe\x80=\x02\nTop=7\n", 30);
    QTest::newRow("NUL bytes") << QByteArray("[Control]\nLeft=5\n\0\0\0\nTop=7\n", 27);
    QTest::newRow("unterminated quote") << QByteArray("[Control]\nLeft=5\nTop=7\nX=\"open");
}

// What parsed is read, nothing throws, a read alone leaves the file as it
// was, and a write still goes through.
void TestRegistry::damagedFile()
{
    QFETCH(QByteArray, content);
    storeWith(content);
    {
        const Registry registry;
        QCOMPARE(registry.readInteger(QStringLiteral("Control"), QStringLiteral("Left"), 0), 5);
        QCOMPARE(registry.readInteger(QStringLiteral("Control"), QStringLiteral("Top"), 0), 7);
        QCOMPARE(registry.readInteger(QStringLiteral("Control"), QStringLiteral("Missing"), 9), 9);
    }
    QCOMPARE(storeContent(), content);
    {
        Registry registry;
        registry.writeInteger(QStringLiteral("Control"), QStringLiteral("ActivePage"), 4);
        registry.flush();
    }
    const Registry registry;
    QCOMPARE(registry.readInteger(QStringLiteral("Control"), QStringLiteral("ActivePage"), 0), 4);
    QCOMPARE(registry.readInteger(QStringLiteral("Control"), QStringLiteral("Left"), 0), 5);
}

QTEST_GUILESS_MAIN(TestRegistry)
#include "tst_registry.moc"
