#include "core/store/ForeignData.h"

#include "core/store/CardStore.h"
#include "core/store/SqliteAccess.h"

#include <QDir>
#include <QSqlQuery>
#include <QStringDecoder>

namespace {

struct NumericColumn
{
    const char* table;
    const char* column;
    bool whole; // a style number; otherwise a position in millimetres
};

// The columns the program compares and computes with as numbers.
const NumericColumn kNumericColumns[] = {
    {"Lists", "ListID", true},  {"Main", "ListID", true},    {"Main", "KeyX", false},
    {"Main", "KeyY", false},    {"GuestXY", "ListID", true}, {"GuestXY", "keyx", false},
    {"GuestXY", "keyy", false}, {"Guests", "ListID", true},
};
const char* const kTables[] = {"Lists", "Main", "GuestXY", "Guests"};
constexpr int kSamples = 5;

QString quoted(const QString& text)
{
    return QStringLiteral("“%1”").arg(text);
}

QString identifier(const QString& name)
{
    QString escaped = name;
    return QLatin1Char('"') + escaped.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

const NumericColumn* numericColumn(const QString& table, const QString& column)
{
    for (const NumericColumn& numeric : kNumericColumns) {
        if (table.compare(QLatin1String(numeric.table), Qt::CaseInsensitive) == 0 &&
            column.compare(QLatin1String(numeric.column), Qt::CaseInsensitive) == 0)
            return &numeric;
    }
    return nullptr;
}

QString fromGb18030(const QByteArray& bytes)
{
    QStringDecoder decoder("GB18030");
    return decoder.decode(bytes);
}

} // namespace

Result<ForeignDataFindings> ForeignData::inspect()
{
    ForeignDataFindings found;
    QSqlQuery query(m_store.database());
    for (const char* tableName : kTables) {
        const QString table = QString::fromLatin1(tableName);
        if (Status s = m_store.exec(query, QStringLiteral("SELECT name FROM pragma_table_info(?)"), {table});
            !s.isOk())
            return s;
        QStringList numberTests{QStringLiteral("0")};
        QStringList numbers;
        QStringList texts;
        while (query.next()) {
            const QString column = query.value(0).toString();
            const NumericColumn* numeric = numericColumn(table, column);
            if (numeric)
                numbers << QStringLiteral("fennick_is_number(%1, %2)")
                               .arg(identifier(column))
                               .arg(numeric->whole ? 1 : 0);
            else
                texts << identifier(column);
        }
        // Nearly every file holds nothing of the kind: one quick pass that stops at the first find
        // decides whether the table needs counting.
        QStringList anything = numbers;
        if (!texts.isEmpty())
            anything << QStringLiteral("NOT fennick_is_utf8(%1)").arg(texts.join(QLatin1Char(',')));
        if (anything.isEmpty())
            continue;
        if (Status s =
                m_store.exec(query, QStringLiteral("SELECT 1 FROM %1 WHERE %2 LIMIT 1")
                                        .arg(identifier(table), anything.join(QStringLiteral(" OR "))));
            !s.isOk())
            return s;
        if (!query.next())
            continue;
        numberTests << numbers;
        // One pass over the table counts both kinds.
        QStringList textTests{QStringLiteral("0")};
        for (const QString& column : texts)
            textTests << QStringLiteral("(typeof(%1) = 'text' AND NOT fennick_is_utf8(%1))").arg(column);
        if (Status s = m_store.exec(query, QStringLiteral("SELECT total(%1), total(%2) FROM %3")
                                               .arg(numberTests.join(QLatin1Char('+')),
                                                    textTests.join(QLatin1Char('+')), identifier(table)));
            !s.isOk())
            return s;
        query.next();
        found.numbersAsText += query.value(0).toInt();
        const int foreign = query.value(1).toInt();
        found.foreignText += foreign;
        for (int c = 0; c < texts.size() && foreign > 0 && found.foreignSamples.size() < kSamples; ++c) {
            if (Status s =
                    m_store.exec(query, QStringLiteral("SELECT CAST(%1 AS BLOB) FROM %2 WHERE typeof(%1) = "
                                                       "'text' AND NOT fennick_is_utf8(%1) LIMIT %3")
                                            .arg(texts.at(c), identifier(table))
                                            .arg(kSamples - found.foreignSamples.size()));
                !s.isOk())
                return s;
            while (query.next())
                found.foreignSamples << fromGb18030(query.value(0).toByteArray());
        }
    }
    return found;
}

Status ForeignData::mend(bool decodeText)
{
    for (const NumericColumn& numeric : kNumericColumns) {
        if (Status s = mendNumbers(QString::fromLatin1(numeric.table), QString::fromLatin1(numeric.column),
                                   numeric.whole);
            !s.isOk())
            return s;
    }
    if (!decodeText)
        return Status::ok();
    QSqlQuery query(m_store.database());
    for (const char* tableName : kTables) {
        const QString table = QString::fromLatin1(tableName);
        if (Status s = m_store.exec(query, QStringLiteral("SELECT name FROM pragma_table_info(?)"), {table});
            !s.isOk())
            return s;
        QStringList texts;
        while (query.next()) {
            if (!numericColumn(table, query.value(0).toString()))
                texts << query.value(0).toString();
        }
        for (const QString& column : texts) {
            if (Status s = mendText(table, column); !s.isOk())
                return s;
        }
    }
    return Status::ok();
}

Status ForeignData::mendNumbers(const QString& table, const QString& column, bool whole)
{
    // Only text that reads as a number changes; other text stays for the checks that name it.
    const QString numbersAsText = QStringLiteral("SELECT %3 FROM %2 WHERE fennick_is_number(%1, %4)")
                                      .arg(identifier(column), identifier(table));
    QSqlQuery read(m_store.database());
    if (Status s = m_store.exec(
            read, numbersAsText.arg(QStringLiteral("rowid, %1").arg(identifier(column))).arg(whole ? 1 : 0));
        !s.isOk())
        return s;
    QList<std::pair<qint64, QVariant>> changes;
    while (read.next()) {
        const double value = SqliteAccess::numberIn(read.value(1).toString().toUtf8(), whole).value_or(0);
        changes.append(
            {read.value(0).toLongLong(), whole ? QVariant(static_cast<qint64>(value)) : QVariant(value)});
    }
    read.finish();
    if (changes.isEmpty())
        return Status::ok();
    QSqlQuery write(m_store.database());
    for (const auto& [rowid, value] : changes) {
        if (Status s = m_store.exec(write,
                                    QStringLiteral("UPDATE %1 SET %2 = ? WHERE rowid = ?")
                                        .arg(identifier(table), identifier(column)),
                                    {value, rowid});
            !s.isOk())
            return s;
    }
    // A column declared as text turns every number written into it back into text.
    if (Status s = m_store.exec(read, numbersAsText.arg(QStringLiteral("count(*)")).arg(whole ? 1 : 0));
        !s.isOk())
        return s;
    if (read.next() && read.value(0).toInt() > 0) {
        return Status::failure(
            QStringLiteral("数据表%1的字段%2被定义为只能保存文字，其中以文字保存的编号和位置无法改为数值。")
                .arg(quoted(table), quoted(column)));
    }
    return Status::ok();
}

Status ForeignData::mendText(const QString& table, const QString& column)
{
    QSqlQuery read(m_store.database());
    if (Status s = m_store.exec(read, QStringLiteral("SELECT rowid, CAST(%1 AS BLOB) FROM %2 "
                                                     "WHERE typeof(%1) = 'text' AND NOT fennick_is_utf8(%1)")
                                          .arg(identifier(column), identifier(table)));
        !s.isOk())
        return s;
    QList<std::pair<qint64, QString>> changes;
    while (read.next())
        changes.append({read.value(0).toLongLong(), fromGb18030(read.value(1).toByteArray())});
    read.finish();
    QSqlQuery write(m_store.database());
    for (const auto& [rowid, text] : changes) {
        if (Status s = m_store.exec(write,
                                    QStringLiteral("UPDATE %1 SET %2 = ? WHERE rowid = ?")
                                        .arg(identifier(table), identifier(column)),
                                    {text, rowid});
            !s.isOk())
            return s;
    }
    return Status::ok();
}

QString ForeignData::question(const ForeignDataFindings& found, const QString& filePath,
                              const QString& backupFolder)
{
    QStringList samples;
    for (const QString& sample : found.foreignSamples)
        samples << quoted(sample.left(30));
    return QStringLiteral(
               "数据文件%1中有 %2 处文字不是本程序使用的 UTF-8 编码，可能是其他程序按 GBK 编码写入的，"
               "现在只能显示为乱码。\n\n按 GB18030（GBK）编码读出来是：%3%4\n\n"
               "是否把这些文字转换为 UTF-8？转换前会先把数据文件备份到文件夹%5。"
               "选择“否”将不使用这个文件，也不做任何修改。")
        .arg(quoted(filePath))
        .arg(found.foreignText)
        .arg(samples.join(QStringLiteral("、")),
             found.foreignText > found.foreignSamples.size() ? QStringLiteral("……") : QString(),
             quoted(QDir::toNativeSeparators(backupFolder)));
}

QString ForeignData::mendedNotice(const ForeignDataFindings& found, bool decodedText, const QString& filePath,
                                  const QString& backupPath)
{
    QStringList done;
    if (found.numbersAsText > 0)
        done << QStringLiteral("%1 个以文字保存的编号和位置已改为数值").arg(found.numbersAsText);
    if (decodedText && found.foreignText > 0)
        done << QStringLiteral("%1 处 GBK 编码的文字已转换为 UTF-8").arg(found.foreignText);
    QString notice = QStringLiteral("数据文件%1由其他程序写入了本程序不能直接使用的数据：%2。")
                         .arg(quoted(filePath), done.join(QStringLiteral("，")));
    if (!backupPath.isEmpty())
        notice += QStringLiteral("转换前的文件保存在%1。").arg(quoted(QDir::toNativeSeparators(backupPath)));
    return notice;
}
