#pragma once

// Makes a file or a folder read-only for this process until the object goes, also when the tests
// run as root (who writes regardless of the mode): the write bits go and, where the file system
// has it, the immutable flag is set (root may do that).
//
//   test::ReadOnlyPath locked(path);
//   if (!locked.isReadOnly()) QSKIP("...");

#include <QFile>
#include <QString>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmo::test {

class ReadOnlyPath
{
public:
    explicit ReadOnlyPath(const QString& path)
        : m_path(QFile::encodeName(path))
    {
        struct stat info
        {
        };
        if (::stat(m_path.constData(), &info) != 0)
            return;
        m_mode = info.st_mode & 07777;
        m_folder = S_ISDIR(info.st_mode);
        ::chmod(m_path.constData(), m_mode & ~mode_t(0222));
        if (::geteuid() == 0)
            m_immutable = setImmutable(true);
    }
    ~ReadOnlyPath()
    {
        if (m_immutable)
            setImmutable(false);
        if (m_mode)
            ::chmod(m_path.constData(), m_mode);
    }
    ReadOnlyPath(const ReadOnlyPath&) = delete;
    ReadOnlyPath& operator=(const ReadOnlyPath&) = delete;

    // Whether writing there is refused now.
    bool isReadOnly() const
    {
        if (!m_folder) {
            const int fd = ::open(m_path.constData(), O_WRONLY | O_CLOEXEC);
            if (fd >= 0)
                ::close(fd);
            return fd < 0;
        }
        const QByteArray probe = m_path + "/.read-only-probe";
        const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0)
            return true;
        ::close(fd);
        ::unlink(probe.constData());
        return false;
    }

private:
    bool setImmutable(bool on) const
    {
        const int fd = ::open(m_path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return false;
        int flags = 0;
        bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (done) {
            flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
            done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return done;
    }

    QByteArray m_path;
    mode_t m_mode = 0;
    bool m_folder = false;
    bool m_immutable = false;
};

} // namespace velmo::test
