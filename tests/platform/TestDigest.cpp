#include "TestMain.h"

#include "platform/Clock.h"
#include "platform/Md5.h"
#include "platform/RequestSignature.h"

#include <QCryptographicHash>

using namespace velmo;

namespace {

// A clock that moves one second forward every time it is read, and counts the reads.
class SteppingClock : public Clock
{
public:
    explicit SteppingClock(QDateTime start)
        : m_next(std::move(start))
    {
    }
    int reads() const { return m_reads; }

protected:
    QDateTime now() const override
    {
        ++m_reads;
        const QDateTime current = m_next;
        m_next = m_next.addSecs(1);
        return current;
    }

private:
    mutable QDateTime m_next;
    mutable int m_reads = 0;
};

} // namespace

class TestDigest : public QObject
{
    Q_OBJECT

private slots:
    void digestOfKnownTexts()
    {
        QCOMPARE(MD5(u"abc", 32), QStringLiteral("900150983cd24fb0d6963f7d28e17f72"));
        QCOMPARE(MD5_16(u"abc"), QStringLiteral("3cd24fb0d6963f7d"));
        QCOMPARE(MD5_16(u""), QStringLiteral("8f00b204e9800998"));
        // Any length other than 32 gives the 16-character cut.
        QCOMPARE(MD5(u"abc", 16), QStringLiteral("3cd24fb0d6963f7d"));
        QCOMPARE(MD5(u"abc", 0), QStringLiteral("3cd24fb0d6963f7d"));
        QCOMPARE(MD5(u"abc", 31), QStringLiteral("3cd24fb0d6963f7d"));
    }

    void chineseTextIsDigestedOverItsGbkBytes()
    {
        const QString zhong = QStringLiteral("中");
        QCOMPARE(digestBytes(zhong), QByteArray("\xD6\xD0"));
        QCOMPARE(MD5_16(zhong), QStringLiteral("e5ffca1823a5cef6"));
        const QByteArray utf8Digest =
            QCryptographicHash::hash(zhong.toUtf8(), QCryptographicHash::Md5).toHex();
        QVERIFY(MD5_16(zhong) != QString::fromLatin1(utf8Digest.mid(8, 16)));
        QCOMPARE(digestBytes(QStringLiteral("a中b")), QByteArray("a\xD6\xD0"
                                                                 "b"));
    }

    void charactersWithoutADoubleByteCodeGiveTheirLowByte()
    {
        // The euro sign has a single-byte code, and the emoji none: both go in as UTF-16 low bytes.
        QCOMPARE(digestBytes(QStringLiteral("€")), QByteArray("\xAC"));
        QCOMPARE(digestBytes(QStringLiteral("😀")), QByteArray("\x3D\x00", 2));
        QCOMPARE(digestBytes(QString(QChar(0xD800))), QByteArray("\x00", 1));
        // Latin letters with accents that GBK holds take their two GBK bytes.
        QCOMPARE(digestBytes(QStringLiteral("é")), QByteArray("\xA8\xA6"));
    }

    void timestampHasNoLeadingZeros()
    {
        QCOMPARE(NowNumberText(QDateTime(QDate(2012, 5, 21), QTime(9, 7, 5))), QStringLiteral("2012521975"));
        QCOMPARE(NowNumberText(QDateTime(QDate(2012, 12, 31), QTime(23, 59, 59))),
                 QStringLiteral("20121231235959"));
        QCOMPARE(NowNumberText(QDateTime(QDate(2012, 1, 11), QTime(0, 0, 0))),
                 NowNumberText(QDateTime(QDate(2012, 11, 1), QTime(0, 0, 0))));
        QCOMPARE(GetNowNumber(), QStringLiteral("20261261000"));
    }

    void signatureAndProof()
    {
        // Values worked out independently of this code: the salt follows the text directly.
        QCOMPARE(RequestSignature(QStringLiteral("2012521975")), QStringLiteral("90b77532de1749a7"));
        const QString passHash = MD5_16(u"velmo123");
        QCOMPARE(passHash, QStringLiteral("b17f74250bf96634"));
        QCOMPARE(ServerProof(passHash), QStringLiteral("190f51ba534e120f"));
        QVERIFY(isServerProof(ServerProof(passHash), passHash));
        QVERIFY(!isServerProof(ServerProof(passHash).toUpper(), passHash));
        QVERIFY(!isServerProof(QString(), passHash));
    }

    void signedTimestampReadsTheClockOnce()
    {
        SteppingClock clock(QDateTime(QDate(2026, 12, 6), QTime(23, 59, 59)));
        Clock::setInstance(&clock);
        const SignedTimestamp stamp = SignedTimestamp::now();
        Clock::setInstance(&test::fixedClock());

        QCOMPARE(clock.reads(), 1);
        QCOMPARE(stamp.nowtime, QStringLiteral("2026126235959"));
        QCOMPARE(stamp.md5, RequestSignature(stamp.nowtime));
    }
};

VELMO_TEST_MAIN(TestDigest)
#include "TestDigest.moc"
