#include "core/app/OutputFile.h"

#include <QDir>
#include <QFileInfo>

namespace OutputFile {

Status checkReplaceable(const QString& path)
{
    const QFileInfo target(path); // follows links: a link to a device is refused too
    if (!target.exists() || target.isFile())
        return Status::ok();
    if (target.isDir()) {
        return Status::failure(QStringLiteral("“%1”是一个文件夹，请指定文件名。")
                                   .arg(QDir::toNativeSeparators(target.absoluteFilePath())));
    }
    return Status::failure(QStringLiteral("“%1”不是普通文件（而是设备、管道或套接字），不能把文件保存在那里。"
                                          "请另选一个文件名。")
                               .arg(QDir::toNativeSeparators(target.absoluteFilePath())));
}

} // namespace OutputFile
