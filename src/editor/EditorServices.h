#pragma once

#include "editor/TunePreview.h"
#include "platform/DataFolder.h"
#include "platform/ServiceAddress.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <functional>

namespace velmo {

class Database;
class MemoViews;
class MessageBoxes;
class ServiceChannel;
struct RunState;

// What the memo editors and the mail binding dialog work with; the caller keeps every referenced
// object alive longer than the windows.
struct EditorServices
{
    Database& db;
    RunState& run;
    MessageBoxes& boxes;
    MemoViews& views;
    AssetFolder assets = {};
    // The window that outlives the editors: notices shown after a save belong to it.
    QPointer<QWidget> owner = {};
    // Each editor's preview player; left empty, the program's tune player.
    TunePreviewFactory tunes = {};
    // The mail binding check: the main window's transfer control and the service's address.
    ServiceChannel* channel = nullptr;
    ServiceAddress service = {};
    // Hands a web page to a browser, true when one took it; the desktop's when left empty.
    std::function<bool(const QUrl&)> openUrl = {};
    // Ends the program when its data cannot be used (after the user was told); the default leaves
    // the event loop with code 1.
    std::function<void()> endProgram = {};
};

} // namespace velmo

namespace velmo {

// The settings row or the user's account row is gone: re-creates data.db should the file be
// missing, tells the user, and ends the program once the message is closed.
void endForUnusableData(const EditorServices& services, QWidget* parent);

} // namespace velmo
