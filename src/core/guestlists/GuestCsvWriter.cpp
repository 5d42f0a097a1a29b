#include "core/guestlists/GuestCsvWriter.h"

#include "core/app/OutputFile.h"
#include "core/guestlists/GuestColumns.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString quoted(const QString& text)
{
    return QStringLiteral("“%1”").arg(text);
}

void appendField(QString& out, const QString& field)
{
    const bool needsQuotes = field.contains(QLatin1Char(',')) || field.contains(QLatin1Char('"')) ||
                             field.contains(QLatin1Char('\n')) || field.contains(QLatin1Char('\r')) ||
                             field.contains(QLatin1Char('\t')) ||
                             (!field.isEmpty() && (field.front().isSpace() || field.back().isSpace()));
    if (!needsQuotes) {
        out += field;
        return;
    }
    out += QLatin1Char('"');
    for (const QChar c : field) {
        if (c == QLatin1Char('"'))
            out += QLatin1Char('"');
        out += c;
    }
    out += QLatin1Char('"');
}

void appendRow(QString& out, const QStringList& fields)
{
    for (int i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += QLatin1Char(',');
        appendField(out, fields.at(i));
    }
    out += QLatin1String("\r\n");
}

} // namespace

namespace GuestCsvWriter {

QByteArray toCsv(const QList<GuestFields>& guests)
{
    QString text;
    QStringList headings;
    for (const GuestField field : GuestColumns::choices()) {
        if (field != GuestField::None)
            headings << GuestColumns::caption(field);
    }
    appendRow(text, headings);
    for (const GuestFields& g : guests)
        appendRow(text, {g.name, g.sex, g.connection, g.job, g.contact, g.remark, g.salutation, g.partner,
                         g.table, QString::number(g.attending)});
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

Status write(const QString& path, const QList<GuestFields>& guests)
{
    const QFileInfo info(path);
    const QString folder = QDir::toNativeSeparators(info.absolutePath());
    if (Status s = OutputFile::checkReplaceable(path); !s.isOk())
        return s;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (!QFileInfo(info.absolutePath()).isWritable() || (info.exists() && !info.isWritable())) {
            return Status::failure(
                QStringLiteral("无法保存文件%1：没有在文件夹%2中写入的权限。请另选一个文件夹。")
                    .arg(quoted(info.fileName()), quoted(folder)));
        }
        return Status::failure(QStringLiteral("无法保存文件%1：%2")
                                   .arg(quoted(QDir::toNativeSeparators(path)), file.errorString()));
    }
    const QByteArray bytes = toCsv(guests);
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        return Status::failure(QStringLiteral("无法保存文件%1：%2")
                                   .arg(quoted(QDir::toNativeSeparators(path)), file.errorString()));
    }
    return Status::ok();
}

} // namespace GuestCsvWriter
