#include "core/cards/CardFields.h"

#include "core/cards/FieldText.h"

namespace {

// In the order of CardField.
const char* const kNames[kCardFieldCount] = {"姓名", "称谓", "同行", "关系", "单位",
                                             "电话", "备注", "桌号", "人数"};

} // namespace

namespace CardFields {

QString name(CardField field)
{
    return QString::fromUtf8(kNames[static_cast<int>(field)]);
}

std::optional<CardField> byName(QStringView name)
{
    static const std::array<QString, kCardFieldCount> names = [] {
        std::array<QString, kCardFieldCount> all;
        for (int i = 0; i < kCardFieldCount; ++i)
            all[i] = QString::fromUtf8(kNames[i]);
        return all;
    }();
    for (int i = 0; i < kCardFieldCount; ++i) {
        if (name == names[i])
            return static_cast<CardField>(i);
    }
    return std::nullopt;
}

QString writtenList()
{
    QStringList written;
    for (const char* n : kNames)
        written << QStringLiteral("{%1}").arg(QString::fromUtf8(n));
    return written.join(QLatin1Char(' '));
}

FieldValues valuesOf(const GuestFields& guest, const SalutationRules& rules)
{
    FieldValues values;
    values[static_cast<int>(CardField::Name)] = guest.name;
    values[static_cast<int>(CardField::Salutation)] =
        guest.salutation.isEmpty() ? rules.forSex(guest.sex) : guest.salutation;
    values[static_cast<int>(CardField::Partner)] = guest.partner;
    values[static_cast<int>(CardField::Connection)] = guest.connection;
    values[static_cast<int>(CardField::Job)] = guest.job;
    values[static_cast<int>(CardField::Contact)] = guest.contact;
    values[static_cast<int>(CardField::Remark)] = guest.remark;
    values[static_cast<int>(CardField::Table)] = guest.table;
    values[static_cast<int>(CardField::Attending)] = QString::number(guest.attending);
    return values;
}

QString refusal(const QString& text, const QString& where)
{
    const QStringList unknown = FieldText(text).unknownNames();
    if (unknown.isEmpty())
        return {};
    QStringList quoted;
    for (const QString& name : unknown)
        quoted << QStringLiteral("“%1”").arg(name);
    return QStringLiteral("%1中的%2不是可用的字段，无法保存。\n\n可用的字段有：%3\n"
                          "要打印花括号本身，请写成“{{”和“}}”。")
        .arg(where, quoted.join(QStringLiteral("、")), writtenList());
}

} // namespace CardFields
