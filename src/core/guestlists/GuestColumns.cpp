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
        for (const char* s : {"称谓", "称呼", "尊称", "salutation", "title"})
            h.insert(QString::fromUtf8(s), GuestField::Salutation);
        for (const char* s :
             {"同行", "同行人", "配偶", "配偶/同行", "配偶／同行", "配偶同行", "伴侣", "家属", "partner"})
            h.insert(QString::fromUtf8(s), GuestField::Partner);
        for (const char* s : {"桌号", "桌次", "席位", "桌", "table"})
            h.insert(QString::fromUtf8(s), GuestField::Table);
        for (const char* s : {"人数", "出席人数", "到场人数", "attending", "guests"})
            h.insert(QString::fromUtf8(s), GuestField::Attending);
        return h;
    }();
    return headings;
}

} // namespace

namespace GuestColumns {

QList<GuestField> choices()
{
    return {GuestField::Name,    GuestField::Sex,       GuestField::Connection, GuestField::Job,
            GuestField::Contact, GuestField::Remark,    GuestField::Salutation, GuestField::Partner,
            GuestField::Table,   GuestField::Attending, GuestField::None};
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
    case GuestField::Salutation:
        return QStringLiteral("称谓");
    case GuestField::Partner:
        return QStringLiteral("同行");
    case GuestField::Table:
        return QStringLiteral("桌号");
    case GuestField::Attending:
        return QStringLiteral("人数");
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

std::optional<int> attendingFrom(const QString& text)
{
    QString t = text.trimmed();
    if (t.isEmpty())
        return 1;
    if (t.endsWith(QStringLiteral("人")) || t.endsWith(QStringLiteral("位")))
        t = t.chopped(1).trimmed();
    // A spreadsheet may keep a whole number as 2.0.
    if (t.endsWith(QLatin1String(".0")))
        t.chop(2);
    if (t.isEmpty() || t.size() > 4)
        return std::nullopt;
    int value = 0;
    for (const QChar c : t) {
        int digit = -1;
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digit = c.unicode() - '0';
        else if (c.unicode() >= 0xFF10 && c.unicode() <= 0xFF19) // full-width digits
            digit = c.unicode() - 0xFF10;
        if (digit < 0)
            return std::nullopt;
        value = value * 10 + digit;
    }
    if (value < 1)
        return std::nullopt;
    return value;
}

} // namespace GuestColumns
