#pragma once

#include "BoxRecorder.h"
#include "SoundRecorder.h"
#include "TestStore.h"

#include "mainwin/Form1.h"
#include "mainwin/MainController.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include <memory>

namespace velmo::test {

// The texts of one column of the memo list, top to bottom.
inline QStringList listCells(const MemoListModel& model, int column)
{
    QStringList cells;
    for (int row = 0; row < model.rowCount(); ++row)
        cells << model.rowAt(row)[static_cast<size_t>(column)];
    return cells;
}

// A signed-in user's data.db, an asset folder holding the action sounds, recorders for sounds,
// boxes and opened pages, and the main window over them (not yet loaded).
class MainWindowFixture
{
public:
    explicit MainWindowFixture(bool autoHide = false, bool trayAvailable = true,
                               const QUrl& service = QUrl(QStringLiteral("http://memo.example:8080")))
    {
        QDir(assetDir.path()).mkpath(QStringLiteral("sound"));
        for (const char* name : {"ok.wav", "del.wav", "error.wav"})
            QFile(assetDir.filePath(QStringLiteral("sound/") + QLatin1String(name)))
                .open(QIODevice::WriteOnly);
        store.runState().settings.AutoHide = autoHide;
        store.runState().LocalSignedIn = true;
        Form1::Services services{store.db(), store.runState(), AssetFolder(assetDir.path()), sounds, boxes};
        services.service = ServiceAddress(service);
        services.version = QStringLiteral("1.8.3");
        services.openUrl = [this](const QUrl& url) { return openedUrls.append(url), browserTakesPages; };
        services.trayAvailable = [trayAvailable] { return trayAvailable; };
        form = std::make_unique<Form1>(services);
        form->controller().setDueScan([this] { ++dueScans; });
    }

    qint64 addMemo(const QString& title, int type, bool done = false, const QString& owner = QString())
    {
        MemoRecord memo = store.sampleMemo(title);
        memo.type = type;
        memo.Done = done;
        memo.userid = owner.isEmpty() ? memo.userid : owner;
        return store.addMemo(memo);
    }

    QTreeView* list() const { return form->findChild<QTreeView*>(QStringLiteral("ListView1")); }
    QTreeWidget* tree() const { return form->findChild<QTreeWidget*>(QStringLiteral("TreeView1")); }
    bool uploadArmed() const { return form->findChild<QTimer*>(QStringLiteral("Timer3"))->isActive(); }

    QStringList listTitles() const { return listCells(form->listModel(), MemoCells::TitleColumn); }

    QTreeWidgetItem* treeItem(const QString& captionStart, bool done) const
    {
        QTreeWidgetItem* root = tree()->topLevelItem(done ? 1 : 0);
        if (root->text(0).startsWith(captionStart))
            return root;
        for (int j = 0; j < root->childCount(); ++j) {
            if (root->child(j)->text(0).startsWith(captionStart))
                return root->child(j);
        }
        return nullptr;
    }

    // Selects the list rows holding these titles, and no others.
    void selectTitles(const QStringList& titles)
    {
        list()->selectionModel()->clearSelection();
        for (int row = 0; row < form->listModel().rowCount(); ++row) {
            if (titles.contains(form->listModel().rowAt(row)[MemoCells::TitleColumn]))
                list()->selectionModel()->select(form->listModel().index(row, 0),
                                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }

    TestStore store;
    QTemporaryDir assetDir;
    SoundRecorder sounds;
    BoxRecorder boxes;
    QList<QUrl> openedUrls;
    bool browserTakesPages = true;
    int dueScans = 0;
    std::unique_ptr<Form1> form; // last, so it goes first: nothing of one test lingers into the next
};

// A shown window of the program that has no owner, by its object name.
template <typename T = QWidget>
T* topLevel(const QString& name)
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == name && window->isVisible())
            return qobject_cast<T*>(window);
    }
    return nullptr;
}

} // namespace velmo::test
