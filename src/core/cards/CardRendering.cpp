#include "core/cards/CardRendering.h"

#include "core/cards/CardPrinter.h"
#include "core/cards/PainterCardPrinter.h"
#include "core/cards/StoredValues.h"

#include <QPainter>

namespace {

const QString kFallbackFont = QStringLiteral("宋体");
constexpr int kFallbackSize = 12;

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

Status drawGuestName(CardPrinter& printer, const GuestNameSetting& setting, const QString& name)
{
    printer.setPosition(setting.xMm, setting.yMm);
    printer.setPlacement(setting.placement);
    const std::optional<int> points = drawnPoints(setting.fontSize);
    if (setting.fontName.isEmpty() || !points || *points <= 0) {
        printer.setFontName(kFallbackFont);
        printer.setFontSize(kFallbackSize);
        printer.setItalic(false);
        printer.setBold(false);
    } else {
        printer.setFontName(setting.fontName);
        printer.setFontSize(*points);
        applyStyleWord(printer, setting.styleWord);
    }
    return printer.printText(name);
}

} // namespace

std::optional<int> drawnPoints(const QString& fontSize)
{
    const std::optional<qint16> points = storedFontSize(fontSize);
    if (!points)
        return std::nullopt;
    return *points;
}

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

Status checkDrawable(const QList<Label>& labels, const QString& styleName)
{
    for (const Label& label : labels) {
        const std::optional<int> points = drawnPoints(label.fontSize);
        if (!points || *points < 1) {
            return Status::failure(
                QStringLiteral("请柬样式“%1”的标签“%2”的字号“%3”不是有效的数值，无法打印请柬。"
                               "请在“编辑样式”中改正这个标签后再继续。")
                    .arg(styleName, label.name, label.fontSize));
        }
    }
    return Status::ok();
}

Status drawCardFor(CardPrinter& printer, const CardTemplate& card, const GuestFields& guest)
{
    const FieldValues values = CardFields::valuesOf(guest, card.rules());
    // Every card starts upright and regular, whatever the card before it ended with; within the
    // card an unknown style word keeps the style of the text before it.
    printer.setItalic(false);
    printer.setBold(false);
    const QList<Label>& labels = card.labels();
    for (int i = 0; i < labels.size(); ++i) {
        const Label& label = labels.at(i);
        printer.setPosition(label.xMm, label.yMm);
        printer.setPlacement(label.placement);
        printer.setFontName(label.fontName.isEmpty() ? kFallbackFont : label.fontName);
        printer.setFontSize(drawnPoints(label.fontSize).value_or(kFallbackSize));
        applyStyleWord(printer, label.styleWord);
        if (Status s = printer.printText(card.labelFor(i, values)); !s.isOk())
            return s;
    }
    return drawGuestName(printer, card.setting(), card.nameLineFor(guest, values));
}

void drawCard(QPainter& painter, const CardTemplate& card, const GuestFields& guest)
{
    BorrowedPainterPrinter printer(painter);
    // Drawing on a painter that is already active cannot fail to begin.
    (void)drawCardFor(printer, card, guest);
}
