#include "TestMain.h"

#include "platform/Gbk.h"
#include "platform/UrlEncoders.h"
#include "velmo-service/StandInRequest.h"

using namespace velmo;

namespace {

bool isPlainAscii(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

} // namespace

class TestUrlEncoders : public QObject
{
    Q_OBJECT

private slots:
    void gbkConversion()
    {
        QCOMPARE(toGbk(u"中文"), QByteArray("\xD6\xD0\xCE\xC4"));
        QCOMPARE(fromGbk("\xD6\xD0\xCE\xC4"), QStringLiteral("中文"));
        QCOMPARE(toGbk(u"a😀b"), QByteArray("a?b"));
        QCOMPARE(toGbk(QString(QChar(0xDC00)) + QStringLiteral("x")), QByteArray("?x"));
        QCOMPARE(gbkCode(U'中').size, 2);
        QCOMPARE(gbkCode(U'€').size, 1);
        QCOMPARE(gbkCode(U'😀').size, 0);
    }

    void urlEncodeWorkedExamples()
    {
        QCOMPARE(URLEncode(QStringLiteral("a b-中")), QStringLiteral("a%20b%2D%D6%D0"));
        QVERIFY(URLEncode(QString()).isEmpty());
        QVERIFY(URLEncode(QStringLiteral("")).isEmpty());
        QCOMPARE(URLEncode(QStringLiteral(".-_&=+%?")), QStringLiteral("%2E%2D%5F%26%3D%2B%25%3F"));
        QCOMPARE(URLEncode(QStringLiteral("Az09")), QStringLiteral("Az09"));
    }

    void urlEncodeAlwaysWritesTwoHexDigits()
    {
        QCOMPARE(URLEncode(QStringLiteral("ab\ncd")), QStringLiteral("ab%0Acd"));
        QCOMPARE(URLEncode(QStringLiteral("\t\r")), QStringLiteral("%09%0D"));
        QCOMPARE(URLEncode(QString(QChar(1))), QStringLiteral("%01"));
        QCOMPARE(URLEncode(QStringLiteral("€")), QStringLiteral("%80"));
    }

    void charactersOutsideGbkBecomeAQuestionMark()
    {
        QCOMPARE(URLEncode(QStringLiteral("a😀b")), QStringLiteral("a%3Fb"));
        QCOMPARE(URLEncode(QStringLiteral("ก")), QStringLiteral("%3F"));
        QCOMPARE(URLEncode(QString(QChar(0xD800))), QStringLiteral("%3F"));
        QCOMPARE(EncodePostData(QStringLiteral("a😀b")), QStringLiteral("a%3Fb"));
        QCOMPARE(EncodePostData(QStringLiteral("ก")), QStringLiteral("%3F"));
        const QString mixed = QStringLiteral("é€中😀ก\u00A0x");
        QVERIFY(isPlainAscii(URLEncode(mixed)));
        QVERIFY(isPlainAscii(EncodePostData(mixed)));
    }

    void encodePostDataWorkedExamples()
    {
        QCOMPARE(EncodePostData(QStringLiteral("a=1&b=中文\n")), QStringLiteral("a=1%26b=%D6%D0%CE%C4<BR>"));
        QCOMPARE(EncodePostData(QStringLiteral("a=1 2")), QStringLiteral("a=1 2"));
        QCOMPARE(EncodePostData(QStringLiteral("line\r\nnext")), QStringLiteral("line\r<BR>next"));
        QCOMPARE(EncodePostData(QStringLiteral("plain text, no change.")),
                 QStringLiteral("plain text, no change."));
        QCOMPARE(EncodePostData(QStringLiteral("€")), QStringLiteral("%80"));
        QVERIFY(EncodePostData(QString()).isEmpty());
    }

    void encodePostDataProtectsPercentAndPlus()
    {
        QCOMPARE(EncodePostData(QStringLiteral("x y+z%")), QStringLiteral("x y%2Bz%25"));
        // The escapes the encoder writes itself are not encoded again.
        QCOMPARE(EncodePostData(QStringLiteral("中%")), QStringLiteral("%D6%D0%25"));
    }

    void serviceReadsBackWhatTheEncodersWrite()
    {
        // The service reads "+" as a blank and escapes as GBK bytes, as a form decoder does.
        const QString text = QStringLiteral("1+1=2 & 100% 中文 é€ a-b_c.d?");
        QCOMPARE(standin::decodeFormValue(URLEncode(text).toLatin1()), text);
        QCOMPARE(standin::decodeFormValue(EncodePostData(text).toLatin1()), text);
        QCOMPARE(standin::decodeFormValue(EncodePostData(QStringLiteral("a\nb")).toLatin1()),
                 QStringLiteral("a<BR>b"));
    }
};

VELMO_TEST_MAIN(TestUrlEncoders)
#include "TestUrlEncoders.moc"
