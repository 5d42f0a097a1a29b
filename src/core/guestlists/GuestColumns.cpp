#include "core/guestlists/GuestColumns.h"

#include <QHash>

#include <algorithm>

namespace {

// A heading without blanks (including the wide ones used to align captions) and a closing colon.
QString normalised(const QString& heading)
{
    QString key;
    key.reserve(heading.size());
    for (const QChar c : heading) {
        if (!c.isSpace())
            key += c;
    }
    while (key.endsWith(QLatin1Char(':')) || key.endsWith(QChar(0xFF1A)) || key.endsWith(QLatin1Char('*')))
        key.chop(1);
    return key.toLower();
}

const QHash<QString, GuestField>& knownHeadings()
{
    static const QHash<QString, GuestField> headings = [] {
        QHash<QString, GuestField> h;
        for (const char* s : {"姓名", "名字", "宾客姓名", "宾客", "name"})
            h.insert(QString::fromUtf8(s), GuestField::Name);
        for (const char* s : {"性别", "sex"})
            h.insert(QString::fromUtf8(s), GuestField::Sex);
        for (const char* s : {"关系", "connection"})
            h.insert(QString::fromUtf8(s), GuestField::Connection);
        for (const char* s : {"工作单位", "单位", "职业", "job"})
            h.insert(QString::fromUtf8(s), GuestField::Job);
        for (const char* s : {"联系方式", "电话", "手机", "contact"})
            h.insert(QString::fromUtf8(s), GuestField::Contact);
        for (const char* s : {"备注", "remark"})
            h.insert(QString::fromUtf8(s), GuestField::Remark);
        return h;
    }();
    return headings;
}

} // namespace

namespace GuestColumns {

QList<GuestField> choices()
{
    return {GuestField::Name,    GuestField::Sex,    GuestField::Connection, GuestField::Job,
            GuestField::Contact, GuestField::Remark, GuestField::None};
}

QString caption(GuestField field)
{
    switch (field) {
    case GuestField::Name:
        return QStringLiteral("宾客姓名");
    case GuestField::Sex:
        return QStringLiteral("性别");
    case GuestField::Connection:
        return QStringLiteral("关系");
    case GuestField::Job:
        return QStringLiteral("职业");
    case GuestField::Contact:
        return QStringLiteral("联系方式");
    case GuestField::Remark:
        return QStringLiteral("备注");
    case GuestField::None:
        break;
    }
    return QStringLiteral("不导入");
}

GuestField fieldForHeading(const QString& heading)
{
    return knownHeadings().value(normalised(heading), GuestField::None);
}

ColumnMatch guess(const SheetTable& table)
{
    ColumnMatch match;
    for (int column = 0; column < table.columnCount(); ++column)
        match.fields.append(GuestField::None);
    if (table.isEmpty())
        return match;

    const int searched = std::min(table.rowCount(), kHeadingSearchRows);
    for (int r = 0; r < searched && !match.hasHeadings(); ++r) {
        for (int column = 0; column < table.cellCount(r); ++column) {
            if (fieldForHeading(table.cell(r, column)) != GuestField::None)
                match.headingRow = r;
        }
    }
    if (!match.hasHeadings()) {
        if (!match.fields.isEmpty())
            match.fields[0] = GuestField::Name;
        return match;
    }
    for (int column = 0; column < table.columnCount(); ++column)
        match.fields[column] = fieldForHeading(table.cell(match.headingRow, column));
    return match;
}

QString sexFrom(const QString& text)
{
    const QString t = text.trimmed().toLower();
    if (t == QStringLiteral("男") || t == QLatin1String("m") || t == QStringLiteral("男性") ||
        t == QLatin1String("male"))
        return QStringLiteral("男");
    if (t == QStringLiteral("女") || t == QLatin1String("f") || t == QStringLiteral("女性") ||
        t == QLatin1String("female"))
        return QStringLiteral("女");
    return QString();
}

} // namespace GuestColumns
