#pragma once

// The log-on autostart entry of the program: an XDG autostart file naming the executable.
//
//   velmo::Autostart autostart;                 // this executable, the user's autostart folder
//   if (!autostart.SetAutoRun()) show(autostart.errorString());
//   bool on = autostart.IsAutoRun();
//   autostart.RemoveAutoRun();

#include <QString>
#include <QStringList>

namespace velmo {

class Autostart
{
public:
    // The running executable and $XDG_CONFIG_HOME/autostart (~/.config/autostart by default).
    Autostart();
    Autostart(QString executablePath, QString autostartFolder);

    // Writes the entry (replacing an older one). False, with errorString(), when it could not be
    // written.
    bool SetAutoRun();
    // Deletes the entry; true when it is gone afterwards (also when there was none).
    bool RemoveAutoRun();
    // True when the entry exists, is not hidden, and starts this executable: its path exactly as
    // spelled.
    bool IsAutoRun() const;

    QString entryPath() const;
    QString executablePath() const { return m_executable; }
    QString errorString() const { return m_error; }

    // The Exec value that starts the program: the path quoted and escaped by the desktop-entry rules.
    static QString execValue(const QString& executablePath);
    // The arguments of an Exec value as the desktop would run them; empty when it is malformed.
    static QStringList parseExecValue(const QString& value);

private:
    QString m_executable;
    QString m_folder;
    QString m_error;
};

} // namespace velmo
