#include "core/help/ProgramInfo.h"

#include <QUrlQuery>

namespace ProgramInfo {

QString versionText()
{
    return QStringLiteral("%1.%2.%3 (110516)")
        .arg(FENNICK_VERSION_MAJOR)
        .arg(FENNICK_VERSION_MINOR)
        .arg(FENNICK_VERSION_PATCH);
}

QString contactAddress()
{
    return QStringLiteral("feedback@fennick.example.org");
}

QString homePage()
{
    return QStringLiteral("https://fennick.example.org/");
}

QUrl mailUrl()
{
    QUrl url(QStringLiteral("mailto:") + contactAddress());
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"), QStringLiteral("关于 Zanbor Fennick的一些问题反馈"));
    url.setQuery(query);
    return url;
}

QUrl homePageUrl()
{
    return QUrl(homePage());
}

} // namespace ProgramInfo
