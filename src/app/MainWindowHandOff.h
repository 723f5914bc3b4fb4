#pragma once

#include "platform/Sounds.h"

#include <QObject>

#include <memory>

namespace velmo {

class ConflictWindows;
class EditorWindows;
class Form1;
class Startup;

// Builds the main window while the sign-in window is up, and once a user has signed in loads it
// and hands it to the start-up, which hides the sign-in window and lets the tray icon and later
// copies raise the main window from then on.
class MainWindowHandOff : public QObject
{
    Q_OBJECT

public:
    explicit MainWindowHandOff(Startup& startup, QObject* parent = nullptr);
    ~MainWindowHandOff() override;

    Form1* mainWindow() const { return m_mainWindow.get(); }
    EditorWindows* editors() const { return m_editors.get(); }
    ConflictWindows* conflicts() const { return m_conflicts.get(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // The main window has run its load (shown, or left in the tray).
    void mainWindowLoaded();

private:
    void buildMainWindow();
    void openMainWindow();

    Startup& m_startup;
    EffectSoundPlayer m_sounds;
    std::unique_ptr<Form1> m_mainWindow;
    std::unique_ptr<EditorWindows> m_editors;
    std::unique_ptr<ConflictWindows> m_conflicts;
    bool m_opened = false;
};

} // namespace velmo
