#include "core/cards/CardRendering.h"

#include "core/cards/CardPrinter.h"
#include "core/cards/PainterCardPrinter.h"
#include "core/cards/StoredValues.h"
#include "core/cards/TextTrim.h"

#include <QPainter>

namespace {

const QString kFallbackFont = QStringLiteral("宋体");
constexpr int kFallbackSize = 12;

Status unusable(const QString& styleName, const StoredLabel& row, const QString& what, const QVariant& value)
{
    return Status::failure(QStringLiteral("请柬样式“%1”的标签“%2”的%3“%4”不是有效的数值，无法打印请柬。"
                                          "请在“编辑样式”中改正这个标签后再继续。")
                               .arg(styleName, row.keywords, what, value.toString()));
}

// Draws onto a painter the caller owns; every "document" is that painter's page.
class BorrowedPainterPrinter : public PainterCardPrinter
{
public:
    explicit BorrowedPainterPrinter(QPainter& painter) : m_painter(painter) {}
    int installedPrinterCount() const override { return 1; }

protected:
    Result<QPainter*> beginDocument() override { return &m_painter; }
    Status finishDocument() override { return Status::ok(); }
    void abandonDocument() override {}

private:
    QPainter& m_painter;
};

} // namespace

void applyStyleWord(CardPrinter& printer, const QString& word)
{
    bool bold = false;
    bool italic = false;
    if (word == QStringLiteral("常规")) {
    } else if (word == QStringLiteral("粗体")) {
        bold = true;
    } else if (word == QStringLiteral("斜体")) {
        italic = true;
    } else if (word == QStringLiteral("粗斜体")) {
        bold = true;
        italic = true;
    } else {
        return;
    }
    printer.setItalic(italic);
    printer.setBold(bold);
}

Result<QList<CardLabel>> cardLabels(const QList<StoredLabel>& rows, const QString& styleName)
{
    QList<CardLabel> labels;
    labels.reserve(rows.size());
    for (const StoredLabel& row : rows) {
        const std::optional<double> x = storedNumber(row.x);
        if (!x)
            return unusable(styleName, row, QStringLiteral("横向位置"), row.x);
        const std::optional<double> y = storedNumber(row.y);
        if (!y)
            return unusable(styleName, row, QStringLiteral("纵向位置"), row.y);
        const std::optional<qint16> size = storedFontSize(row.fontSize);
        if (!size || *size < 1)
            return unusable(styleName, row, QStringLiteral("字号"), row.fontSize);
        CardLabel label;
        label.keywords = row.keywords;
        label.text = row.value;
        label.xMm = *x;
        label.yMm = *y;
        label.fontName = row.font.toString();
        if (label.fontName.isEmpty())
            label.fontName = kFallbackFont;
        label.fontSize = *size;
        label.styleWord = row.fontStyle.toString();
        labels.append(label);
    }
    return labels;
}

Status drawLabels(CardPrinter& printer, const QList<CardLabel>& labels)
{
    for (const CardLabel& label : labels) {
        printer.setPosition(label.xMm, label.yMm);
        printer.setFontName(label.fontName);
        printer.setFontSize(label.fontSize);
        applyStyleWord(printer, label.styleWord);
        if (Status s = printer.printText(trimAsciiSpaces(label.text)); !s.isOk())
            return s;
    }
    return Status::ok();
}

Status drawGuestName(CardPrinter& printer, const GuestNameSetting& setting, const QString& name)
{
    printer.setPosition(setting.xMm, setting.yMm);
    if (setting.fontName.isEmpty() || setting.fontSize <= 0) {
        printer.setFontName(kFallbackFont);
        printer.setFontSize(kFallbackSize);
        printer.setItalic(false);
        printer.setBold(false);
    } else {
        printer.setFontName(setting.fontName);
        printer.setFontSize(setting.fontSize);
        applyStyleWord(printer, setting.styleWord);
    }
    return printer.printText(name);
}

void drawCard(QPainter& painter, const QList<CardLabel>& labels, const GuestNameSetting& setting,
              const QString& name)
{
    BorrowedPainterPrinter printer(painter);
    // Drawing on a painter that is already active cannot fail to begin.
    (void)drawLabels(printer, labels);
    (void)drawGuestName(printer, setting, name);
}
