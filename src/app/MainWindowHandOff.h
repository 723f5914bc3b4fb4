#pragma once

#include "platform/Sounds.h"

#include <QObject>

#include <memory>

namespace velmo {

class ConflictWindows;
class EditorWindows;
class Form1;
class Startup;

// Builds the main window once a user has signed in and hands it to the start-up, which hides the
// sign-in window and lets the tray icon and later copies raise the main window from then on.
class MainWindowHandOff : public QObject
{
    Q_OBJECT

public:
    explicit MainWindowHandOff(Startup& startup, QObject* parent = nullptr);
    ~MainWindowHandOff() override;

    Form1* mainWindow() const { return m_mainWindow.get(); }
    EditorWindows* editors() const { return m_editors.get(); }
    ConflictWindows* conflicts() const { return m_conflicts.get(); }

signals:
    // The main window has run its load (shown, or left in the tray).
    void mainWindowLoaded();

private:
    void openMainWindow();

    Startup& m_startup;
    EffectSoundPlayer m_sounds;
    std::unique_ptr<Form1> m_mainWindow;
    std::unique_ptr<EditorWindows> m_editors;
    std::unique_ptr<ConflictWindows> m_conflicts;
};

} // namespace velmo
