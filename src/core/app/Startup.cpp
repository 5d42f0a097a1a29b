#include "core/app/Startup.h"

#include "core/app/MessageService.h"
#include "core/app/SharedState.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QStringList>
#include <QTranslator>

namespace Startup {

QString dataFilePath(const QString& directory, const QString& fileName)
{
    return QDir::toNativeSeparators(QDir(directory).absoluteFilePath(fileName));
}

bool isOrdinaryFile(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && info.isFile(); // isFile() follows symbolic links
}

bool locateDataFile(SharedState& state, MessageService& messages)
{
    state.DataFileName = QString::fromLatin1(kDataFileName);
    state.DbConnectionString = dataFilePath(QDir::currentPath(), state.DataFileName);
    if (isOrdinaryFile(state.DbConnectionString))
        return true;
    messages.critical(nullptr, Titles::CriticalError, QStringLiteral("数据文件丢失，程序无法启动。"));
    return false;
}

void installFontSubstitutions()
{
    // Song faces (宋体, 新宋体) go to Noto Serif CJK, Hei faces to Noto Sans CJK, Kai faces to AR PL
    // UKai, a real brush-script Kai. No free FangSong covers Simplified Chinese, so 仿宋 prints in the
    // Song face, its nearest kin. Later entries catch machines that lack the first.
    const QStringList song{QStringLiteral("Noto Serif CJK SC"), QStringLiteral("AR PL UMing CN"),
                           QStringLiteral("Noto Sans CJK SC")};
    const QStringList hei{QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Serif CJK SC")};
    const QStringList kai{QStringLiteral("AR PL UKai CN"), QStringLiteral("AR PL KaitiM GB"),
                          QStringLiteral("LXGW WenKai"), QStringLiteral("Noto Serif CJK SC")};
    const struct
    {
        const char* windowsName;
        const char* latinName;
        const QStringList& faces;
    } mapped[] = {
        {"宋体", "SimSun", song},
        {"新宋体", "NSimSun", song},
        {"仿宋", "FangSong", song},
        {"仿宋_GB2312", "FangSong_GB2312", song},
        {"楷体", "KaiTi", kai},
        {"楷体_GB2312", "KaiTi_GB2312", kai},
        {"微软雅黑", "Microsoft YaHei", hei},
        {"黑体", "SimHei", hei},
    };
    for (const auto& face : mapped) {
        QFont::insertSubstitutions(QString::fromUtf8(face.windowsName), face.faces);
        QFont::insertSubstitutions(QString::fromLatin1(face.latinName), face.faces);
    }
}

bool installQtTranslations()
{
    // Owned by the application, so the texts stay for as long as any window may need them.
    auto* chinese = new QTranslator(QCoreApplication::instance());
    if (!chinese->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                       QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete chinese;
        return false;
    }
    return QCoreApplication::installTranslator(chinese);
}

} // namespace Startup
