#pragma once

#include "settings/ConfigSettings.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QPushButton;

namespace velmo {

class MessageBoxes;

// The settings dialog ("高级选项"): start-up and sign-in options, the ways a due memo alerts, and
// how often the reminders are checked. It edits the stored settings row and the autostart entry.
class Form_Config : public QWidget
{
    Q_OBJECT

public:
    // ends the program when the settings row turns out to be gone (after the user was told); the
    // default exits the event loop with code 1.
    Form_Config(Database& db, RunState& state, Autostart& autostart, MessageBoxes& boxes,
                std::function<void()> endProgram = {}, QWidget* parent = nullptr);

    // The one dialog: opens it (loading the settings) or, when it is open, brings it forward.
    static Form_Config* showDialog(Database& db, RunState& state, Autostart& autostart, MessageBoxes& boxes,
                                   std::function<void()> endProgram = {});

    // Reads the settings into the run state and the controls; Apply is disabled afterwards.
    // False when the settings row is gone (the program then ends).
    bool Form_Load();

    // Stores the controls; true when everything was stored (a failure has been reported).
    bool Command3_Click();
    // OK: store, then close (stays open when storing failed).
    void Command1_Click();
    // Cancel: close without storing.
    void Command2_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ConfigChoices choices() const;
    void showChoices(const ConfigChoices& choices);
    void EnableApply();
    void recoverMissingSettings();

    ConfigSettings m_settings;
    RunState& m_state;
    MessageBoxes& m_boxes;
    std::function<void()> m_endProgram;
    std::array<QCheckBox*, 10> m_check{}; // Check1..Check9 at their numbers
    QComboBox* m_interval = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_apply = nullptr;

    static QPointer<Form_Config> s_open;
};

} // namespace velmo
