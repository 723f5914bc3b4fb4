#pragma once

#include <QString>

namespace velmo {

// The per-user folder that holds the program's writable files (data.db, the skin file).
class DataFolder
{
public:
    // The standard per-user data location, e.g. ~/.local/share/velmo.
    DataFolder();
    explicit DataFolder(QString path);

    QString path() const { return m_path; }
    QString filePath(const QString& fileName) const;

    // Creates the folder (owner-only access) when it is missing; false when that failed.
    bool ensureExists() const;

private:
    QString m_path;
};

// Where the read-only assets (sound/, images/) live: beside the executable in the build tree,
// <prefix>/share/velmo once installed.
class AssetFolder
{
public:
    AssetFolder();
    explicit AssetFolder(QString path);

    QString path() const { return m_path; }
    QString filePath(const QString& relativePath) const;

private:
    QString m_path;
};

} // namespace velmo
