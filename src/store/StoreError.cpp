#include "StoreError.h"

#include <QSqlError>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>

namespace velmo {

namespace {

// The system's error numbers that tell more than SQLite's "disk I/O error" or "unable to open".
bool tellsTheCause(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EROFS:
    case EACCES:
    case EPERM:
    case EAGAIN:
    case EBUSY:
    case ETXTBSY:
    case ENOLCK:
    case ENOMEM:
        return true;
    default:
        return false;
    }
}

} // namespace

QString sqliteReason(int code, const QString& sqliteText, int systemError)
{
    const int primary = code & 0xff;
    if ((primary == SQLITE_IOERR || primary == SQLITE_CANTOPEN) && tellsTheCause(systemError))
        return systemReason(systemError);
    switch (code) {
    case SQLITE_READONLY_DBMOVED:
        return QStringLiteral("数据文件在使用中被移走或删除了");
    case SQLITE_READONLY_DIRECTORY:
        return QStringLiteral("数据文件所在的文件夹是只读的,无法写入");
    case SQLITE_CONSTRAINT_CHECK:
        return QStringLiteral("内容超出了数据文件允许的长度或取值范围");
    case SQLITE_CONSTRAINT_NOTNULL:
        return QStringLiteral("缺少必须填写的内容");
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY:
        return QStringLiteral("记录重复");
    case SQLITE_CONSTRAINT_TRIGGER: // RAISE(ABORT, '...'): the text is the schema's own wording
        if (!sqliteText.trimmed().isEmpty())
            return sqliteText.trimmed();
        break;
    case SQLITE_IOERR_NOMEM:
        return QStringLiteral("内存不足");
    case SQLITE_IOERR_LOCK:
    case SQLITE_IOERR_RDLOCK:
    case SQLITE_IOERR_CHECKRESERVEDLOCK:
        return QStringLiteral("无法锁定数据文件,它可能正被另一个程序使用");
    case SQLITE_CANTOPEN_ISDIR:
        return QStringLiteral("该路径是一个文件夹");
    default:
        break;
    }
    switch (primary) {
    case SQLITE_FULL:
        return QStringLiteral("磁盘空间已满");
    case SQLITE_READONLY:
        return QStringLiteral("数据文件是只读的,无法写入");
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return QStringLiteral("没有访问数据文件的权限");
    case SQLITE_BUSY:
        return QStringLiteral("数据文件正被另一个程序使用,请关闭该程序后再试");
    case SQLITE_LOCKED: // a lock within this program: another statement of the connection holds the table
        return QStringLiteral("数据表正被本程序的另一项操作锁定,请稍后再试");
    case SQLITE_CORRUPT:
        return QStringLiteral("数据文件已损坏");
    case SQLITE_NOTADB:
        return QStringLiteral("该文件不是数据文件");
    case SQLITE_IOERR:
        return QStringLiteral("读写磁盘时出错");
    case SQLITE_CANTOPEN:
        return QStringLiteral("无法打开数据文件");
    case SQLITE_NOMEM:
        return QStringLiteral("内存不足");
    default:
        break;
    }
    const QString text =
        sqliteText.trimmed().isEmpty() ? QString::fromUtf8(sqlite3_errstr(code)) : sqliteText.trimmed();
    if ((code & 0xff) == SQLITE_CONSTRAINT)
        return QStringLiteral("内容不符合数据文件的要求(%1)").arg(text);
    return QStringLiteral("数据库出错(%1)").arg(text);
}

QString sqliteReason(const QSqlError& error)
{
    bool numeric = false;
    const int code = error.nativeErrorCode().toInt(&numeric);
    return sqliteReason(numeric ? code : SQLITE_ERROR, error.databaseText());
}

QString systemReason(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("没有权限");
    case EROFS:
        return QStringLiteral("磁盘是只读的");
    case EAGAIN:
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("文件正被另一个程序使用,请关闭该程序后再试");
    case ENOLCK:
        return QStringLiteral("无法给文件加锁");
    case ENOMEM:
        return QStringLiteral("内存不足");
    case EISDIR:
        return QStringLiteral("该路径是一个文件夹");
    case ENAMETOOLONG:
        return QStringLiteral("路径过长");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("打开的文件过多");
    case ENOSPC:
        return QStringLiteral("磁盘空间已满");
    case EDQUOT:
        return QStringLiteral("超出了磁盘配额");
    case ENOENT:
        return QStringLiteral("文件或文件夹不存在");
    case ENOTDIR:
        return QStringLiteral("路径中有一项不是文件夹");
    case EEXIST:
        return QStringLiteral("已有同名的文件");
    case ELOOP:
        return QStringLiteral("路径是一个符号链接");
    case EIO:
        return QStringLiteral("读写磁盘时出错");
    default:
        return QStringLiteral("系统错误(%1)").arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

} // namespace velmo
