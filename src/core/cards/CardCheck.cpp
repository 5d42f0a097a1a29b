#include "core/cards/CardCheck.h"

#include "core/cards/CardPreview.h"
#include "core/cards/FitCheck.h"
#include "core/cards/CardRendering.h"
#include "core/cards/UnprintableText.h"

#include <QHash>

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
    const QString what = !isGuest         ? QStringLiteral("标签“%1”").arg(name)
                         : name.isEmpty() ? QStringLiteral("宾客姓名")
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

QList<CardProblem> find(const QList<Label>& labels, const GuestNameSetting& setting,
                        const QStringList& guestNames, const QSizeF& printableMm, GlyphCoverage& coverage)
{
    QList<CardProblem> found;
    QHash<QString, bool> measurable; // by label name: its values allow placing it
    for (const Label& label : labels)
        measurable.insert(label.name,
                          checkValues(false, label.name, label.xMm, label.yMm, label.fontSize, found));
    const bool nameMeasurable =
        checkValues(true, QString(), setting.xMm, setting.yMm, setting.fontSize, found);

    // The labels are the same on every card: measured once, without a name.
    for (const CardTextBox& box : cardTextBoxes(labels, setting, QString())) {
        if (!box.isGuest && measurable.value(box.name) && runsPastPrintableArea(box.rectMm, printableMm))
            found.append({CardProblem::Kind::OffPrintable, false, box.name, QString()});
    }
    for (const UnprintableText& text : findUnprintable(labels, setting, {}, coverage))
        found.append({CardProblem::Kind::Unprintable, false, text.name, text.missing});
    QList<WidthOverflow> tooWide = findWidthOverflows(labels, setting, guestNames);
    for (const WidthOverflow& text : tooWide) {
        if (!text.isGuest)
            found.append({CardProblem::Kind::TooWide, false, text.name, text.describe()});
    }

    const QString family = guestNameFamily(setting);
    QHash<QString, bool> measured; // a name repeated in the list is reported once per guest, measured once
    for (const QString& name : guestNames) {
        if (nameMeasurable && !name.isEmpty()) {
            auto past = measured.constFind(name);
            if (past == measured.constEnd()) {
                bool off = false;
                for (const CardTextBox& box : cardTextBoxes({}, setting, name))
                    off = off || runsPastPrintableArea(box.rectMm, printableMm);
                past = measured.insert(name, off);
            }
            if (past.value())
                found.append({CardProblem::Kind::OffPrintable, true, name, QString()});
        }
        const QString missing = coverage.missingCharacters(name, family);
        if (!missing.isEmpty())
            found.append({CardProblem::Kind::Unprintable, true, name, missing});
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
