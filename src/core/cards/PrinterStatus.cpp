#include "core/cards/PrinterStatus.h"

#include <QHash>

QString PrinterStatus::reasonText(const QString& keyword)
{
    // The spooler may add -error, -warning or -report to any reason.
    QString base = keyword;
    for (const QLatin1String suffix :
         {QLatin1String("-error"), QLatin1String("-warning"), QLatin1String("-report")}) {
        if (base.endsWith(suffix)) {
            base.chop(suffix.size());
            break;
        }
    }
    static const QHash<QString, QString> kNames{
        {QStringLiteral("paused"), QStringLiteral("已被暂停")},
        {QStringLiteral("media-empty"), QStringLiteral("缺纸")},
        {QStringLiteral("media-needed"), QStringLiteral("需要放纸")},
        {QStringLiteral("media-jam"), QStringLiteral("卡纸")},
        {QStringLiteral("media-low"), QStringLiteral("纸张快用完")},
        {QStringLiteral("toner-empty"), QStringLiteral("墨粉用完")},
        {QStringLiteral("toner-low"), QStringLiteral("墨粉不足")},
        {QStringLiteral("marker-supply-empty"), QStringLiteral("墨水用完")},
        {QStringLiteral("marker-supply-low"), QStringLiteral("墨水不足")},
        {QStringLiteral("door-open"), QStringLiteral("机门打开")},
        {QStringLiteral("cover-open"), QStringLiteral("机盖打开")},
        {QStringLiteral("input-tray-missing"), QStringLiteral("纸盒不在")},
        {QStringLiteral("output-area-full"), QStringLiteral("出纸盒已满")},
        {QStringLiteral("offline"), QStringLiteral("脱机")},
        {QStringLiteral("shutdown"), QStringLiteral("已关机")},
        {QStringLiteral("connecting-to-device"), QStringLiteral("正在连接打印机")},
        {QStringLiteral("timed-out"), QStringLiteral("连接超时")},
        {QStringLiteral("spool-area-full"), QStringLiteral("打印队列已满")},
    };
    const auto found = kNames.constFind(base);
    return found == kNames.constEnd() ? keyword : QStringLiteral("%1 %2").arg(found.value(), keyword);
}

QString PrinterStatus::describe() const
{
    QString state = stopped ? QStringLiteral("已停止") : QStringLiteral("可以打印");
    if (!accepting)
        state = (stopped ? state + QStringLiteral("，") : QString()) + QStringLiteral("不接受新的打印任务");
    QStringList details;
    if (!reasons.isEmpty()) {
        QStringList named;
        for (const QString& reason : reasons)
            named << reasonText(reason);
        details << QStringLiteral("原因：") + named.join(QStringLiteral("，"));
    }
    // An idle printer keeps the words of its last fault; they are worth showing only while it is held up.
    if (!message.trimmed().isEmpty() && (stopped || !accepting || !reasons.isEmpty()))
        details << QStringLiteral("打印机的说明：“%1”").arg(message.trimmed());
    if (details.isEmpty())
        return state;
    return state + QStringLiteral("（") + details.join(QStringLiteral("；")) + QStringLiteral("）");
}
