#include "Recovery.h"

#include "store/DataFiles.h"
#include "store/FileUtils.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace velmo {

QString settingsLoadErrorText()
{
    return QStringLiteral("数据配置文件加载出错,请尝试重新启动程序");
}

MissingRowRecovery RecoverMissingRow(const QString& dbPath)
{
    MissingRowRecovery recovery;
    if (FileExists(dbPath))
        return recovery;
    recovery.fileWasMissing = true;
    recovery.recreated = SaveDatabaseFile(dbPath);
    return recovery;
}

QMessageBox* ShowLoadErrorAndQuit(QWidget* parent, std::function<void()> onClosed)
{
    if (!onClosed)
        onClosed = [] { QCoreApplication::exit(1); };
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Tarvik"), settingsLoadErrorText(),
                                QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QMessageBox::finished, box, [onClosed = std::move(onClosed)](int) { onClosed(); });
    box->open();
    return box;
}

} // namespace velmo
