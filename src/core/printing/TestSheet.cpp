#include "core/printing/TestSheet.h"

#include "core/cards/CardPrinter.h"
#include "core/cards/CardRendering.h"
#include "core/printing/Calibration.h"
#include "core/printing/PrintTarget.h"
#include "core/printing/StyleLoad.h"
#include "core/store/CardStore.h"
#include "core/store/LabelStore.h"

#include <QLocale>

#include <cmath>

namespace {

const QString kFace = QStringLiteral("宋体");
constexpr double kArmMm = 8;

QString mm(double value)
{
    return QLocale::c().toString(std::round(value * 10) / 10, 'f', 1);
}

// Writes the lines of `text` at (`xMm`, `yMm`) in the sheet's face.
Status write(CardPrinter& printer, double xMm, double yMm, int points, bool bold, const QString& text)
{
    printer.setPosition(xMm, yMm);
    printer.setFontName(kFace);
    printer.setFontSize(points);
    printer.setItalic(false);
    printer.setBold(bold);
    return printer.printText(text);
}

Status crossHair(CardPrinter& printer, const QPointF& centre)
{
    if (Status s = printer.drawLine(centre.x() - kArmMm, centre.y(), centre.x() + kArmMm, centre.y());
        !s.isOk())
        return s;
    return printer.drawLine(centre.x(), centre.y() - kArmMm, centre.x(), centre.y() + kArmMm);
}

QString markText(const QString& name, const QPointF& mark, const CardSheet& sheet)
{
    const QPointF edges = fromPaperEdges(mark, sheet);
    return QStringLiteral("十字 %1：距纸张左边 %2 毫米，上边 %3 毫米\n（设计坐标 %4, %5 毫米）")
        .arg(name, mm(edges.x()), mm(edges.y()), mm(mark.x()), mm(mark.y()));
}

// A ruler whose numbers count millimetres from the paper's edge, laid along the printable area's
// top (`across`) or left edge. Ticks every millimetre, longer every 5 and 10, numbered every 10.
Status ruler(CardPrinter& printer, const CardSheet& sheet, bool across)
{
    const QMarginsF margins = sheet.marginsMm();
    const QSizeF area = sheet.printableSizeMm();
    const double start = across ? margins.left() : margins.top();
    const double length = across ? area.width() : area.height();
    for (int fromEdge = static_cast<int>(std::ceil(start)); fromEdge <= start + length; ++fromEdge) {
        const double at = fromEdge - start;
        const double tick = fromEdge % 10 == 0 ? 5 : fromEdge % 5 == 0 ? 3.5 : 2;
        const Status drawn = across ? printer.drawLine(at, 0, at, tick) : printer.drawLine(0, at, tick, at);
        if (!drawn.isOk())
            return drawn;
        if (fromEdge % 10 == 0 && fromEdge > 0) {
            const QString number = QString::number(fromEdge);
            const Status written = across ? write(printer, at + 0.4, 5.2, 6, false, number)
                                          : write(printer, 5.2, at + 0.4, 6, false, number);
            if (!written.isOk())
                return written;
        }
    }
    return Status::ok();
}

Status drawTestSheet(CardPrinter& printer, const CardSheet& sheet, const PageCorrection& correction,
                     const QDateTime& printedAt)
{
    const CalibrationMarks marks = calibrationMarks(sheet);
    for (bool across : {true, false}) {
        if (Status s = ruler(printer, sheet, across); !s.isOk())
            return s;
    }
    for (const QPointF& mark : {marks.a, marks.b}) {
        if (Status s = crossHair(printer, mark); !s.isOk())
            return s;
    }
    if (Status s = write(printer, marks.a.x() + 3, marks.a.y() + 2, 9, false,
                         markText(QStringLiteral("A"), marks.a, sheet));
        !s.isOk())
        return s;
    // B's label sits below and to the left, clear of both arms.
    if (Status s = write(printer, std::max(0.0, marks.b.x() - 90), marks.b.y() + 2, 9, false,
                         markText(QStringLiteral("B"), marks.b, sheet));
        !s.isOk())
        return s;

    const QString applied = correction.isIdentity()
                                ? QStringLiteral("打印时未使用校准")
                                : QStringLiteral("打印时使用的校准：%1")
                                      .arg(correction.describe().section(QStringLiteral("："), 1));
    const QString about =
        QStringLiteral("打印机：%1\n纸张：%2\n日期：%3\n%4\n\n"
                       "请用直尺量出十字 A 和十字 B 的中心到纸张左边和上边的距离（毫米），\n"
                       "填入“打印机校准”窗口。两边的标尺从纸张边缘量起。")
            .arg(sheet.printerText(), sheet.paperText(),
                 QLocale(QLocale::Chinese, QLocale::China)
                     .toString(printedAt, QStringLiteral("yyyy年M月d日 HH:mm")),
                 applied);
    const double left = marks.a.x() + 3;
    const double top = marks.a.y() + 16;
    if (Status s = write(printer, left, top, 16, true, QStringLiteral("打印机校准测试页")); !s.isOk())
        return s;
    return write(printer, left, top + 10, 10, false, about);
}

} // namespace

Status printTestSheet(CardPrinter& printer, const CardSheet& sheet, const PageCorrection& correction,
                      const QDateTime& printedAt)
{
    printer.setSheet(sheet, correction);
    printer.setDocumentTitle(QStringLiteral("打印机校准测试页"));
    if (Status drawn = drawTestSheet(printer, sheet, correction, printedAt); !drawn.isOk()) {
        printer.discardDocument();
        return drawn;
    }
    return printer.endDocument();
}

Status printTrialCard(CardPrinter& printer, const CardSheet& sheet, const PageCorrection& correction,
                      const CardTemplate& card, const GuestFields& guest)
{
    printer.setSheet(sheet, correction);
    printer.setDocumentTitle(QStringLiteral("试印 – %1").arg(guest.name));
    Status drawn = drawCardFor(printer, card, guest);
    // The paper's edge in card coordinates, a hair inside it so that the line is on the paper.
    const QMarginsF m = sheet.marginsMm();
    const QSizeF paper = sheet.paperSizeMm();
    const double inset = 0.1;
    const QPointF corners[] = {{inset - m.left(), inset - m.top()},
                               {paper.width() - inset - m.left(), inset - m.top()},
                               {paper.width() - inset - m.left(), paper.height() - inset - m.top()},
                               {inset - m.left(), paper.height() - inset - m.top()}};
    for (int i = 0; i < 4 && drawn.isOk(); ++i) {
        const QPointF& from = corners[i];
        const QPointF& to = corners[(i + 1) % 4];
        drawn = printer.drawLine(from.x(), from.y(), to.x(), to.y());
    }
    if (!drawn.isOk()) {
        printer.discardDocument();
        return drawn;
    }
    return printer.endDocument();
}

Result<QString> printStyleTrialCard(CardStore& store, CardPrinter& printer, qint16 listId,
                                    const QString& styleName, const PrintTarget& target)
{
    const Result<QList<Label>> labels = LabelStore(store).labelsToPrint(listId, styleName);
    if (!labels.isOk())
        return Status::failure(labels.error());
    if (labels.value().isEmpty()) {
        return Status::failure(
            QStringLiteral("请柬样式“%1”还没有任何标签，无法试印。请先添加标签。").arg(styleName));
    }
    if (Status s = checkDrawable(labels.value(), styleName); !s.isOk())
        return s;
    const Result<StyleLoad> style = loadStyle(store, listId, styleName, GuestNameSetting{});
    if (!style.isOk())
        return Status::failure(style.error());
    if (style.value().cursor.atEnd) {
        return Status::failure(
            QStringLiteral("请柬样式“%1”还没有任何宾客，无法试印。请先添加宾客。").arg(styleName));
    }
    if (Status s = target.readyToPrint(); !s.isOk())
        return s;
    const GuestFields& guest = style.value().cursor.guest;
    const CardTemplate card(labels.value(), style.value().guestName, style.value().rules);
    if (Status s = printTrialCard(printer, target.sheet, target.appliedCorrection(), card, guest); !s.isOk())
        return s;
    return guest.name;
}
