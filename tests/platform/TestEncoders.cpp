#include "TestMain.h"

#include "platform/Gbk.h"
#include "platform/Md5.h"
#include "platform/RequestSignature.h"
#include "platform/UrlEncoders.h"
#include "velmo-service/StandInRequest.h"

using namespace velmo;

class TestEncoders : public QObject
{
    Q_OBJECT

private slots:
    void digests_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes"); // what is digested
        QTest::addColumn<QString>("md5");      // MD5_16, worked out independently; empty: not checked
        QTest::newRow("empty") << "" << QByteArray() << "8f00b204e9800998";
        QTest::newRow("demo password") << "velmo123" << QByteArray("velmo123") << "b17f74250bf96634";
        // Chinese text goes in as its GBK bytes, not as UTF-8.
        QTest::newRow("zhong") << "中" << QByteArray("\xD6\xD0") << "e5ffca1823a5cef6";
        // Without a double-byte code a character goes in as its UTF-16 low byte.
        QTest::newRow("euro") << "€" << QByteArray("\xAC") << "";
        QTest::newRow("emoji") << "😀" << QByteArray("\x3D\x00", 2) << "";
    }

    void digests()
    {
        QFETCH(QString, text);
        QFETCH(QString, md5);
        QTEST(digestBytes(text), "bytes");
        if (!md5.isEmpty())
            QCOMPARE(MD5_16(text), md5);
    }

    void timestampSignatureAndProof()
    {
        QCOMPARE(MD5(u"abc", 32), QStringLiteral("900150983cd24fb0d6963f7d28e17f72"));
        // Any length other than 32 gives the 16-character cut.
        QCOMPARE(MD5(u"abc", 31), QStringLiteral("3cd24fb0d6963f7d"));
        QCOMPARE(NowNumberText(QDateTime(QDate(2012, 5, 21), QTime(9, 7, 5))), QStringLiteral("2012521975"));
        QCOMPARE(GetNowNumber(), QStringLiteral("20261261000"));
        // Values worked out independently of this code: the salt follows the text directly.
        QCOMPARE(RequestSignature(QStringLiteral("2012521975")), QStringLiteral("90b77532de1749a7"));
        QCOMPARE(ServerProof(QStringLiteral("b17f74250bf96634")), QStringLiteral("190f51ba534e120f"));
        QVERIFY(isServerProof(QStringLiteral("190f51ba534e120f"), QStringLiteral("b17f74250bf96634")));
        QVERIFY(!isServerProof(QStringLiteral("190F51BA534E120F"), QStringLiteral("b17f74250bf96634")));
    }

    void signedTimestampReadsTheClockOnce()
    {
        test::fixedClock().setNow(QDateTime(QDate(2026, 12, 6), QTime(23, 59, 59)));
        test::fixedClock().stepOnEachRead(1);
        const SignedTimestamp stamp = SignedTimestamp::now();
        test::fixedClock().stepOnEachRead(0);
        test::fixedClock().setNow(test::defaultTestMoment());
        QCOMPARE(stamp.nowtime, QStringLiteral("2026126235959"));
        QCOMPARE(stamp.md5, RequestSignature(QStringLiteral("2026126235959")));
    }

    void encoders_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("post");
        const auto row = [](const char* name, const char* text, const char* url, const char* post) {
            QTest::newRow(name) << QString::fromUtf8(text) << QString::fromUtf8(url)
                                << QString::fromUtf8(post);
        };
        row("blank, dash, chinese", "a b-中", "a%20b%2D%D6%D0", "a b-%D6%D0");
        row("punctuation", ".-_&=+%?", "%2E%2D%5F%26%3D%2B%25%3F", ".-_%26=%2B%25?");
        // Two hex digits always, also below 0x10.
        row("control characters", "ab\ncd\t\r", "ab%0Acd%09%0D", "ab<BR>cd\t\r");
        // Characters outside GBK become an encoded question mark.
        row("emoji", "a😀b", "a%3Fb", "a%3Fb");
        row("form", "a=1&b=中文\n", "a%3D1%26b%3D%D6%D0%CE%C4%0A", "a=1%26b=%D6%D0%CE%C4<BR>");
        // The escapes the encoder writes itself are not encoded again.
        row("percent and plus", "x y+z%中%", "x%20y%2Bz%25%D6%D0%25", "x y%2Bz%25%D6%D0%25");
    }

    void encoders()
    {
        QFETCH(QString, text);
        QTEST(URLEncode(text), "url");
        QTEST(EncodePostData(text), "post");
    }

    void serviceReadsBackWhatTheEncodersWrite()
    {
        // The service reads "+" as a blank and escapes as GBK bytes, as a form decoder does.
        const QString text = QStringLiteral("1+1=2 & 100% 中文 é€ a-b_c.d?");
        QCOMPARE(standin::decodeFormValue(URLEncode(text).toLatin1()), text);
        QCOMPARE(standin::decodeFormValue(EncodePostData(text).toLatin1()), text);
    }
};

VELMO_TEST_MAIN(TestEncoders)
#include "TestEncoders.moc"
