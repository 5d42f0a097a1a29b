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
    // Serif faces (宋体, 仿宋, 新宋体, 楷体) go to Noto Serif CJK, sans faces to Noto Sans CJK; the
    // second entry catches machines that only have the other family.
    const QStringList serif{QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")};
    const QStringList sans{QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Serif CJK SC")};
    const struct
    {
        const char* windowsName;
        const char* latinName;
        bool serifFace;
    } faces[] = {
        {"宋体", "SimSun", true},
        {"新宋体", "NSimSun", true},
        {"仿宋", "FangSong", true},
        {"仿宋_GB2312", "FangSong_GB2312", true},
        {"楷体", "KaiTi", true},
        {"楷体_GB2312", "KaiTi_GB2312", true},
        {"微软雅黑", "Microsoft YaHei", false},
        {"黑体", "SimHei", false},
    };
    for (const auto& face : faces) {
        const QStringList& target = face.serifFace ? serif : sans;
        QFont::insertSubstitutions(QString::fromUtf8(face.windowsName), target);
        QFont::insertSubstitutions(QString::fromLatin1(face.latinName), target);
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
