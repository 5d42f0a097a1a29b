#include "core/cards/CardCheck.h"

#include "core/cards/CardDrawing.h"
#include "core/cards/CardPreview.h"
#include "core/cards/CardRendering.h"
#include "core/cards/CardUnits.h"
#include "core/cards/FitCheck.h"
#include "core/cards/UnprintableText.h"

#include <QHash>
#include <QImage>
#include <QPainter>
#include <QSet>

#include <cmath>

namespace {

bool usablePosition(double xMm, double yMm)
{
    return std::isfinite(xMm) && std::isfinite(yMm) && std::fabs(xMm) <= CardCheck::kMaxPositionMm &&
           std::fabs(yMm) <= CardCheck::kMaxPositionMm;
}

bool usableSize(const QString& fontSize)
{
    return drawnPoints(fontSize).value_or(0) <= CardCheck::kMaxPoints;
}

QString positionText(double xMm, double yMm)
{
    return QStringLiteral("%1, %2").arg(QString::number(xMm, 'g', 6), QString::number(yMm, 'g', 6));
}

// Problems of the values themselves; true when the text can be measured and placed at all.
bool checkValues(bool isGuest, const QString& name, double xMm, double yMm, const QString& fontSize,
                 QList<CardProblem>& found)
{
    bool usable = true;
    if (!usablePosition(xMm, yMm)) {
        found.append({CardProblem::Kind::Position, isGuest, name, positionText(xMm, yMm)});
        usable = false;
    }
    if (!usableSize(fontSize)) {
        found.append({CardProblem::Kind::Size, isGuest, name, fontSize.trimmed()});
        usable = false;
    }
    return usable;
}

} // namespace

QString CardProblem::describe() const
{
    // Of the guest-name setting itself only its format holds characters.
    const QString setting =
        kind == Kind::Unprintable ? QStringLiteral("宾客姓名的格式") : QStringLiteral("宾客姓名");
    const QString what = !isGuest         ? QStringLiteral("标签“%1”").arg(name)
                         : name.isEmpty() ? setting
                                          : QStringLiteral("宾客“%1”").arg(name);
    switch (kind) {
    case Kind::Position:
        return QStringLiteral("%1：位置（%2 毫米）超出了 ±10 米，打印不出来").arg(what, detail);
    case Kind::Size:
        return QStringLiteral("%1：字号 %2 磅超过了 %3 磅，打印不出来")
            .arg(what, detail)
            .arg(CardCheck::kMaxPoints);
    case Kind::OffPrintable:
        return QStringLiteral("%1：超出了可打印区域，超出的部分打印不出来").arg(what);
    case Kind::Unprintable:
        return QStringLiteral("%1：%2没有任何已安装的字体可以打印，打印出来将是空白方框")
            .arg(what, describeCharacters(detail));
    case Kind::TooWide:
        return detail;
    }
    return what;
}

namespace CardCheck {

QList<CardProblem> find(const CardTemplate& card, const CardGuestList& guests, const QSizeF& printableMm,
                        GlyphCoverage& coverage)
{
    QList<CardProblem> found;
    const QList<Label>& labels = card.labels();
    const GuestNameSetting& setting = card.setting();
    QList<bool> measurable; // per label: its values allow placing it
    for (const Label& label : labels)
        measurable << checkValues(false, label.name, label.xMm, label.yMm, label.fontSize, found);
    const bool nameMeasurable =
        checkValues(true, QString(), setting.xMm, setting.yMm, setting.fontSize, found);

    // Fonts, positions and placements as the card gives them to each text; only the texts change
    // from guest to guest.
    const QList<CardText> drawn = cardTexts(card, GuestFields());
    QImage device(1, 1, QImage::Format_ARGB32_Premultiplied);
    const int dotsPerMeter =
        static_cast<int>(std::lround(CardUnits::dotsPerMm(CardUnits::kLayoutDpi) * 1000));
    device.setDotsPerMeterX(dotsPerMeter);
    device.setDotsPerMeterY(dotsPerMeter);
    QPainter measuring(&device);
    const auto runsPast = [&](const CardText& where, const QString& text) {
        return !text.isEmpty() &&
               runsPastPrintableArea(measureTextMm(measuring, text, where.positionMm.x(),
                                                   where.positionMm.y(), where.font, where.placement)
                                         .boxMm,
                                     printableMm);
    };

    // A label without fields is the same on every card: measured once. One with fields is measured
    // with each text its guests give it, each text once.
    for (int i = 0; i < labels.size(); ++i) {
        if (!measurable.at(i))
            continue;
        bool off = false;
        if (!card.labelText(i).hasFields()) {
            off = runsPast(drawn.at(i), drawn.at(i).text);
        } else {
            QSet<QString> measured;
            for (qsizetype g = 0; g < guests.size() && !off; ++g) {
                const QString text = card.labelFor(i, CardFields::valuesOf(guests.guestAt(g), card.rules()));
                if (!measured.contains(text)) {
                    measured.insert(text);
                    off = runsPast(drawn.at(i), text);
                }
            }
        }
        if (off)
            found.append({CardProblem::Kind::OffPrintable, false, labels.at(i).name, QString()});
    }
    const QList<UnprintableText> unprintable = findUnprintable(card, guests, coverage);
    for (const UnprintableText& text : unprintable) {
        if (text.source == UnprintableText::Source::Label)
            found.append({CardProblem::Kind::Unprintable, false, text.name, text.missing});
        else if (text.source == UnprintableText::Source::NameFormat)
            found.append({CardProblem::Kind::Unprintable, true, QString(), text.missing});
    }
    const QList<WidthOverflow> tooWide = findWidthOverflows(card, guests);
    for (const WidthOverflow& text : tooWide) {
        if (!text.isGuest)
            found.append({CardProblem::Kind::TooWide, false, text.name, text.describe()});
    }

    if (nameMeasurable) {
        QHash<QString, bool> measured; // a name line repeated in the list is measured once
        for (qsizetype g = 0; g < guests.size(); ++g) {
            const GuestFields guest = guests.guestAt(g);
            const QString line = card.nameLineFor(guest, CardFields::valuesOf(guest, card.rules()));
            auto past = measured.constFind(line);
            if (past == measured.constEnd())
                past = measured.insert(line, runsPast(drawn.last(), line));
            if (past.value())
                found.append({CardProblem::Kind::OffPrintable, true, guest.name, QString()});
        }
    }
    for (const UnprintableText& text : unprintable) {
        if (text.source == UnprintableText::Source::Guest)
            found.append({CardProblem::Kind::Unprintable, true, text.name, text.missing});
    }
    for (const WidthOverflow& text : tooWide) {
        if (text.isGuest)
            found.append({CardProblem::Kind::TooWide, true, text.name, text.describe()});
    }
    return found;
}

QString question(const QList<CardProblem>& problems, int maxListed)
{
    if (problems.isEmpty())
        return {};
    QStringList lines;
    const int listed = std::min(static_cast<int>(problems.size()), maxListed);
    for (int i = 0; i < listed; ++i)
        lines << problems.at(i).describe();
    if (problems.size() > listed)
        lines << QStringLiteral("……另有%1处未列出。").arg(problems.size() - listed);
    return QStringLiteral(
               "以下内容打印出来将和设计的不一样：\n\n%1\n\n是否仍然开始打印？选择“否”将不打印任何请柬。")
        .arg(lines.join(QLatin1Char('\n')));
}

} // namespace CardCheck
