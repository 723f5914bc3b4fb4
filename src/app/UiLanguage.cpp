#include "UiLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace velmo {

namespace {

// Qt asks for the kinds of files ("Folder", "%1 File", "Drive") of its file dialog under a context
// whose Chinese words its catalog still keeps under the file dialog's own: they are looked up there.
class FileKindWords : public QTranslator
{
public:
    FileKindWords(const QTranslator& catalog, QObject* parent)
        : QTranslator(parent)
        , m_catalog(catalog)
    {
    }

    QString translate(const char* context, const char* sourceText, const char* disambiguation,
                      int n) const override
    {
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0)
            return {};
        return m_catalog.translate("QFileDialog", sourceText, disambiguation, n);
    }
    bool isEmpty() const override { return false; }

private:
    const QTranslator& m_catalog;
};

} // namespace

bool installChineseLanguage()
{
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    QLocale::setDefault(chinese);

    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return false;
    auto* translator = new QTranslator(app);
    if (!translator->load(chinese, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(new FileKindWords(*translator, translator));
    return true;
}

} // namespace velmo
