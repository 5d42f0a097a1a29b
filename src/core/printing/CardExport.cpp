#include "core/printing/CardExport.h"

#include "core/app/OutputFile.h"
#include "core/cards/CardRendering.h"
#include "core/cards/CardUnits.h"
#include "core/printing/StyleLoad.h"
#include "core/store/LabelStore.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace {

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

Result<CardSet> loadCardSet(CardStore& store, qint16 listId, const QString& styleName,
                            GuestFieldsRead columns)
{
    CardSet cards;
    cards.listId = listId;
    cards.styleName = styleName;

    Result<QList<Label>> labels = LabelStore(store).labelsToPrint(listId, styleName);
    if (!labels.isOk())
        return Status::failure(labels.error());
    if (Status s = checkDrawable(labels.value(), styleName); !s.isOk())
        return s;
    cards.labels = std::move(labels.value());

    const Result<StyleLoad> style = loadStyleSettings(store, listId, styleName, GuestNameSetting{});
    if (!style.isOk())
        return Status::failure(style.error());
    cards.guestName = style.value().guestName;
    cards.rules = style.value().rules;
    cards.order = style.value().order;

    const GuestSql::ColumnSet read = columns == GuestFieldsRead::All
                                         ? GuestSql::allColumns()
                                         : GuestSql::columnsFor(cards.card().fieldsUsed());
    Result<CardGuestList> guests = CardSetQueries(store).guests(listId, cards.order, read);
    if (!guests.isOk())
        return Status::failure(guests.error());
    cards.guests = std::move(guests.value());
    return cards;
}

Result<std::pair<qint16, QString>> findStyle(CardStore& store, const QString& nameOrNumber)
{
    const Result<std::optional<qint16>> byName = store.styleIdByName(nameOrNumber);
    if (!byName.isOk())
        return Status::failure(byName.error());
    if (byName.value()) {
        // The stored spelling, which may differ from the typed one in letter case.
        const Result<std::optional<QString>> stored = CardSetQueries(store).styleName(*byName.value());
        if (!stored.isOk())
            return Status::failure(stored.error());
        return std::make_pair(*byName.value(), stored.value().value_or(nameOrNumber));
    }
    bool isNumber = false;
    const int number = nameOrNumber.trimmed().toInt(&isNumber);
    if (isNumber && number >= 1 && number <= 32767) {
        const Result<std::optional<QString>> named =
            CardSetQueries(store).styleName(static_cast<qint16>(number));
        if (!named.isOk())
            return Status::failure(named.error());
        if (named.value())
            return std::make_pair(static_cast<qint16>(number), *named.value());
    }
    return Status::failure(QStringLiteral("数据文件中没有名称或编号为“%1”的请柬样式。").arg(nameOrNumber));
}

Status checkExportable(const CardSet& cards)
{
    if (cards.labels.isEmpty()) {
        return Status::failure(
            QStringLiteral("请柬样式“%1”还没有任何标签，无法导出。请先在“编辑样式”中添加标签。")
                .arg(cards.styleName));
    }
    if (cards.guests.isEmpty()) {
        return Status::failure(
            QStringLiteral("请柬样式“%1”还没有任何宾客，无法导出。请先添加宾客。").arg(cards.styleName));
    }
    return Status::ok();
}

Status checkExportTarget(const QString& outPath, const QString& databasePath)
{
    if (outPath.trimmed().isEmpty())
        return Status::failure(QStringLiteral("没有指定导出的PDF文件。"));
    const QFileInfo target(outPath);
    if (target.isDir()) {
        return Status::failure(QStringLiteral("“%1”是一个文件夹，请指定要导出的PDF文件名。")
                                   .arg(native(target.absoluteFilePath())));
    }
    if (Status s = OutputFile::checkReplaceable(outPath); !s.isOk())
        return s;
    const QFileInfo folder(target.absolutePath());
    if (!folder.exists() || !folder.isDir()) {
        return Status::failure(
            QStringLiteral("文件夹“%1”不存在，无法导出。").arg(native(folder.absoluteFilePath())));
    }
    if (!folder.isWritable()) {
        return Status::failure(QStringLiteral("文件夹“%1”不可写入，无法导出。请选择其他文件夹。")
                                   .arg(native(folder.absoluteFilePath())));
    }
    // Writing the cards over the database would destroy every style.
    const QFileInfo database(databasePath);
    if (target.exists() && database.exists() && target.canonicalFilePath() == database.canonicalFilePath())
        return Status::failure(
            QStringLiteral("导出的文件不能是数据文件“%1”本身。").arg(native(databasePath)));
    if (target.exists() && !target.isWritable())
        return Status::failure(
            QStringLiteral("文件“%1”是只读的，无法覆盖。").arg(native(target.absoluteFilePath())));
    return Status::ok();
}

Result<ExportEnd> exportCards(const CardSet& cards, const QPageLayout& layout, const QString& outPath,
                              const ExportProgress& progress)
{
    if (Status s = checkExportable(cards); !s.isOk())
        return s;

    // The pages go to a temporary file beside the target, which replaces the target only when
    // every page is written.
    if (Status s = OutputFile::checkReplaceable(outPath); !s.isOk())
        return s;
    QSaveFile file(outPath);
    if (!file.open(QIODevice::WriteOnly)) {
        return Status::failure(QStringLiteral("无法写入文件“%1”：%2。请检查文件夹是否存在、是否可写。")
                                   .arg(native(outPath), file.errorString()));
    }
    const QString failedWrite =
        QStringLiteral("文件“%1”没有写完整，已放弃导出。请检查磁盘空间和文件夹权限。").arg(native(outPath));
    QPdfWriter writer(&file);
    // The painter starts at the paper's corner and is moved by the exact margins: Qt would round
    // them to whole points, which is up to 0.18 mm off the printable area.
    QPageLayout fullPage = layout;
    fullPage.setMode(QPageLayout::FullPageMode);
    writer.setPageLayout(fullPage);
    const QMarginsF margins = layout.margins(QPageLayout::Millimeter);
    writer.setCreator(QStringLiteral("Zanbor Fennick"));
    writer.setTitle(QStringLiteral("请柬：%1").arg(cards.styleName));
    QPainter painter;
    if (!painter.begin(&writer)) {
        file.cancelWriting();
        return Status::failure(failedWrite);
    }

    const CardTemplate card = cards.card();
    const int total = static_cast<int>(cards.guests.size());
    for (int i = 0; i < total; ++i) {
        if (i > 0 && !writer.newPage()) {
            painter.end();
            file.cancelWriting();
            return Status::failure(failedWrite);
        }
        const double dotsPerMm = CardUnits::dotsPerMm(writer.logicalDpiX());
        painter.save();
        painter.translate(margins.left() * dotsPerMm, margins.top() * dotsPerMm);
        drawCard(painter, card, cards.guests.guestAt(i));
        painter.restore();
        if (progress && !progress(i + 1, total)) {
            painter.end();
            file.cancelWriting();
            return ExportEnd::Cancelled;
        }
    }
    if (!painter.end() || !file.commit())
        return Status::failure(failedWrite);
    return ExportEnd::Written;
}
