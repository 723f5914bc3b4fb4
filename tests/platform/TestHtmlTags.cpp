#include "TestMain.h"

#include "platform/Html.h"

using namespace velmo;

// Tags are known by their element name, whatever attributes they carry; other text in angle
// brackets stays.
class TestHtmlTags : public QObject
{
    Q_OBJECT

private slots:
    void tagsGoTextStays_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("plain");
        const auto row = [](const char* html, const char* plain) {
            QTest::newRow(html) << QString::fromUtf8(html) << QString::fromUtf8(plain);
        };
        row("<table border><tr><td>1</td></tr></table>", "1");
        row("<p class=\"a\" data-x>para</p>", "para");
        row("<iframe allowfullscreen src=x></iframe>frame", "frame");
        row("<video controls>clip</video>", "clip");
        row("<span aria-hidden data-id=\"7\" hidden>s</span><o:p></o:p><my-tag x=1>t</my-tag>", "st");
        row("a<b and c>d", "a<b and c>d");
        row("x <i think so> y <table of contents>", "x <i think so> y <table of contents>");
        row("<bold>x</bold><abc>", "<bold>x</bold><abc>");
    }

    void tagsGoTextStays()
    {
        QFETCH(QString, html);
        QFETCH(QString, plain);
        QCOMPARE(RemoveHtml(html), plain);
    }
};

VELMO_TEST_MAIN(TestHtmlTags)
#include "TestHtmlTags.moc"
