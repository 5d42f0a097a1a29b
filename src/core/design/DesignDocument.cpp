#include "core/design/DesignDocument.h"

#include "core/cards/BackgroundFile.h"
#include "core/cards/CardPreview.h"
#include "core/cards/CardUnits.h"
#include "core/store/CardFieldStore.h"
#include "core/store/CardStore.h"
#include "core/store/DesignStore.h"
#include "core/store/LabelStore.h"
#include "core/store/NumberText.h"
#include "core/store/PrintQueries.h"

#include <QUndoCommand>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QString kSampleGuest = QStringLiteral("宾客姓名");
const QString kNewLabelText = QStringLiteral("新标签");
constexpr double kNewLabelPoints = 12;
constexpr int kLongestCandidates = 20; // guests with most characters, measured in the name's font
constexpr int kMergeOpacity = 1;
constexpr TypedRange kBackgroundWidthMm{1, 3000};

// Positions keep a micrometre at most, so steps of 0.1 mm add up to what they say.
double roundedMm(double value)
{
    return std::round(value * 1000.0) / 1000.0 + 0.0; // never -0
}

QString axisWord(Qt::Orientation axis)
{
    return axis == Qt::Horizontal ? QStringLiteral("横坐标") : QStringLiteral("纵坐标");
}

} // namespace

// One step of the undo stack: the whole content before and after, so that undo and redo restore
// every position exactly, however many items the step moved.
class DesignDocument::SnapshotCommand : public QUndoCommand
{
public:
    SnapshotCommand(DesignDocument& document, const QString& text, Content before, Content after, int mergeId)
        : QUndoCommand(text), m_document(document), m_before(std::move(before)), m_after(std::move(after)),
          m_mergeId(mergeId)
    {
    }
    void undo() override { m_document.setContent(m_before); }
    void redo() override { m_document.setContent(m_after); }
    int id() const override { return m_mergeId; }
    bool mergeWith(const QUndoCommand* other) override
    {
        m_after = static_cast<const SnapshotCommand*>(other)->m_after;
        return true;
    }

private:
    DesignDocument& m_document;
    Content m_before;
    Content m_after;
    int m_mergeId;
};

DesignDocument::DesignDocument(CardStore& store, qint16 listId, QString styleName, const CardSheet& sheet)
    : m_store(store), m_listId(listId), m_styleName(std::move(styleName)), m_sheet(sheet)
{
}

DesignDocument::~DesignDocument()
{
    // The commands refer to the document: gone first.
    m_undo.clear();
}

Result<std::unique_ptr<DesignDocument>> DesignDocument::open(CardStore& store, qint16 listId,
                                                             const QString& styleName, const CardSheet& sheet)
{
    std::unique_ptr<DesignDocument> document(new DesignDocument(store, listId, styleName, sheet));
    Content& content = document->m_content;
    LabelStore labels(store);
    Result<QList<Label>> stored = labels.labelsToPrint(listId, styleName);
    if (!stored.isOk())
        return Status::failure(stored.error());
    content.labels = std::move(stored.value());
    for (const Label& label : content.labels) {
        const DesignKey key = document->m_nextKey++;
        content.keys.append(key);
        document->m_ids.insert(key, label.id);
    }
    const Result<std::optional<GuestNameSetting>> guest = labels.guestNameSetting(listId, styleName);
    if (!guest.isOk())
        return Status::failure(guest.error());
    content.guest = guest.value().value_or(GuestNameSetting{});
    const Result<SalutationRules> rules = CardFieldStore(store).salutationRules(listId);
    if (!rules.isOk())
        return Status::failure(rules.error());
    document->m_rules = rules.value();

    DesignStore design(store);
    Result<std::optional<CardBackground>> background = design.background(listId);
    if (!background.isOk())
        return Status::failure(background.error());
    if (background.value()) {
        content.background = std::move(*background.value());
        Result<QImage> picture = BackgroundFile::decode(content.background->shownData());
        if (picture.isOk())
            content.picture = std::move(picture.value());
        else
            document->m_notice = picture.error();
    }
    Result<QHash<QString, QString>> others = design.namesOfOtherStyles(listId);
    if (!others.isOk())
        return Status::failure(others.error());
    document->m_others = std::move(others.value());
    document->m_saved = content;
    if (Status s = document->showFirstGuest(); !s.isOk())
        return s;
    return document;
}

QList<DesignKey> DesignDocument::keys() const
{
    QList<DesignKey> all = m_content.keys;
    all.append(kGuestNameKey);
    return all;
}

bool DesignDocument::contains(DesignKey key) const
{
    return key == kGuestNameKey || m_content.keys.contains(key);
}

int DesignDocument::indexOf(DesignKey key) const
{
    return static_cast<int>(m_content.keys.indexOf(key));
}

std::optional<Label> DesignDocument::label(DesignKey key) const
{
    const int index = indexOf(key);
    if (index < 0)
        return std::nullopt;
    return m_content.labels.at(index);
}

QPointF DesignDocument::positionMm(DesignKey key) const
{
    if (key == kGuestNameKey)
        return {m_content.guest.xMm, m_content.guest.yMm};
    const int index = indexOf(key);
    return index < 0 ? QPointF() : QPointF(m_content.labels.at(index).xMm, m_content.labels.at(index).yMm);
}

QString DesignDocument::caption(DesignKey key) const
{
    if (key == kGuestNameKey)
        return QStringLiteral("宾客姓名");
    const int index = indexOf(key);
    return index < 0 ? QString() : QStringLiteral("标签“%1”").arg(m_content.labels.at(index).name);
}

const QList<DesignBox>& DesignDocument::boxes() const
{
    if (m_boxesValid)
        return m_boxes;
    // Measured by the core's own layout of the card, so the boxes are where the ink will be, for
    // any font, anchor or writing direction the drawing routine knows.
    const QList<CardTextBox> measured = cardTextBoxes(card(), m_shownGuest);
    const QSizeF printable = m_sheet.printableSizeMm();
    m_boxes.clear();
    const auto add = [&](DesignKey key, int labelIndex, const QPointF& position) {
        QRectF rect(position, QSizeF(4, 4)); // a text with nothing to draw can still be picked up
        for (const CardTextBox& box : measured) {
            if (box.labelIndex == labelIndex) {
                rect = box.rectMm;
                break;
            }
        }
        bool tooLong = false;
        for (const CardTextBox& box : measured)
            tooLong = tooLong || (box.labelIndex == labelIndex && box.overflowsWidth);
        m_boxes.append(DesignBox{key, rect, runsPastPrintableArea(rect, printable), tooLong});
    };
    for (int i = 0; i < m_content.keys.size(); ++i)
        add(m_content.keys.at(i), i, QPointF(m_content.labels.at(i).xMm, m_content.labels.at(i).yMm));
    add(kGuestNameKey, -1, QPointF(m_content.guest.xMm, m_content.guest.yMm));
    m_boxesValid = true;
    return m_boxes;
}

QRectF DesignDocument::boxMm(DesignKey key) const
{
    for (const DesignBox& box : boxes()) {
        if (box.key == key)
            return box.rectMm;
    }
    return {};
}

CardTemplate DesignDocument::card() const
{
    return CardTemplate(m_content.labels, m_content.guest, m_rules);
}

void DesignDocument::showGuest(const QString& name)
{
    showGuest(GuestFields{name});
}

void DesignDocument::showGuest(const GuestFields& guest)
{
    m_shownGuest = guest;
    if (m_shownGuest.name.isEmpty())
        m_shownGuest.name = kSampleGuest;
    m_boxesValid = false;
    emit changed();
}

Status DesignDocument::showFirstGuest()
{
    const Result<GuestCursor> first = m_store.firstGuest(m_listId);
    if (!first.isOk())
        return Status::failure(first.error());
    m_shownGuestId = first.value().atEnd ? 0 : first.value().guestId;
    showGuest(first.value().atEnd ? GuestFields() : first.value().guest);
    return Status::ok();
}

Status DesignDocument::showLongestGuest()
{
    const Result<QStringList> names = DesignStore(m_store).longestGuestNames(m_listId, kLongestCandidates);
    if (!names.isOk())
        return Status::failure(names.error());
    // Most characters is not always most room (Latin letters are narrow): the few longest are
    // measured in the font the name is drawn in.
    QString widest;
    double widestMm = -1;
    for (const QString& name : names.value()) {
        const QList<CardTextBox> measured =
            cardTextBoxes(CardTemplate({}, m_content.guest, m_rules), GuestFields{name});
        const double width = measured.isEmpty() ? 0 : measured.last().rectMm.width();
        if (width > widestMm) {
            widestMm = width;
            widest = name;
        }
    }
    m_shownGuestId = 0;
    showGuest(widest);
    return Status::ok();
}

Result<bool> DesignDocument::showGuestContaining(const QString& text)
{
    const Result<QList<GuestRow>> found = PrintQueries(m_store).guestsNamed(m_listId, text);
    if (!found.isOk())
        return Status::failure(found.error());
    if (found.value().isEmpty())
        return false;
    // From the guest after the one shown, round to the start: asking again finds the next one.
    const GuestRow* next = &found.value().first();
    for (const GuestRow& row : found.value()) {
        if (row.guestId > m_shownGuestId) {
            next = &row;
            break;
        }
    }
    m_shownGuestId = next->guestId;
    showGuest(next->fields);
    return true;
}

void DesignDocument::setContent(const Content& content)
{
    m_content = content;
    m_boxesValid = false;
    emit changed();
}

void DesignDocument::commit(const QString& what, const Content& after)
{
    m_undo.push(new SnapshotCommand(*this, what, m_content, after, -1));
}

void DesignDocument::placeItem(Content& content, DesignKey key, const QPointF& positionMm) const
{
    if (key == kGuestNameKey) {
        content.guest.xMm = positionMm.x();
        content.guest.yMm = positionMm.y();
        return;
    }
    const int index = static_cast<int>(content.keys.indexOf(key));
    if (index < 0)
        return;
    content.labels[index].xMm = positionMm.x();
    content.labels[index].yMm = positionMm.y();
}

QPointF DesignDocument::allowedMove(const QList<DesignKey>& keys, const QPointF& deltaMm) const
{
    // A label goes no further than the label window would take it to (no negative position), the
    // guest's name no further than the settings window: the same rows stay editable there. The
    // items stop together, so a selection keeps its shape; one already beyond stays where it is.
    double left = -std::numeric_limits<double>::infinity(), right = -left, up = left, down = right;
    for (const DesignKey key : keys) {
        if (!contains(key))
            continue;
        const TypedRange& range = key == kGuestNameKey ? kSignedPositionMm : kPositionMm;
        const QPointF at = positionMm(key);
        left = std::max(left, std::min(0.0, range.min - at.x()));
        right = std::min(right, std::max(0.0, range.max - at.x()));
        up = std::max(up, std::min(0.0, range.min - at.y()));
        down = std::min(down, std::max(0.0, range.max - at.y()));
    }
    return QPointF(std::clamp(deltaMm.x(), std::min(left, 0.0), std::max(right, 0.0)),
                   std::clamp(deltaMm.y(), std::min(up, 0.0), std::max(down, 0.0)));
}

void DesignDocument::moveItems(const QList<DesignKey>& keys, const QPointF& wantedMm)
{
    const QPointF deltaMm = allowedMove(keys, wantedMm);
    if (keys.isEmpty() || deltaMm.isNull())
        return;
    Content after = m_content;
    for (const DesignKey key : keys) {
        const QPointF from = positionMm(key);
        placeItem(after, key, QPointF(roundedMm(from.x() + deltaMm.x()), roundedMm(from.y() + deltaMm.y())));
    }
    commit(keys.size() == 1 ? QStringLiteral("移动%1").arg(caption(keys.first()))
                            : QStringLiteral("移动 %1 项").arg(keys.size()),
           after);
}

Status DesignDocument::setPositionText(DesignKey key, Qt::Orientation axis, const QString& typed)
{
    if (!contains(key))
        return Status::ok();
    const QPointF position = positionMm(key);
    const double current = axis == Qt::Horizontal ? position.x() : position.y();
    const QString text = typed.trimmed();
    const QString what = axisWord(axis);
    std::optional<double> number;
    if (key == kGuestNameKey) {
        // As the guest-name group of the settings window takes it.
        number = plainNumber(text);
        if (!number) {
            return Status::failure(
                QStringLiteral("宾客姓名的%1只能是数字（可带小数点和负号），请检查后重新输入。").arg(what));
        }
        if (*number != current && !kSignedPositionMm.contains(*number)) {
            return Status::failure(QStringLiteral("宾客姓名的%1必须在 %2之间，请检查后重新输入。")
                                       .arg(what, kSignedPositionMm.text(QStringLiteral("毫米"))));
        }
    } else {
        // As the label window takes it, with tenths: the designer places labels finer than whole
        // millimetres.
        number = text.startsWith(QLatin1Char('-')) ? std::nullopt : plainNumber(text);
        if (!number)
            return Status::failure(
                QStringLiteral("%1只能是数字（可带小数点），请检查后重新输入。").arg(what));
        if (*number != current && !kPositionMm.contains(*number)) {
            return Status::failure(QStringLiteral("%1必须在 %2之间，请检查后重新输入。")
                                       .arg(what, kPositionMm.text(QStringLiteral("毫米"))));
        }
    }
    if (*number == current)
        return Status::ok();
    Content after = m_content;
    placeItem(after, key,
              axis == Qt::Horizontal ? QPointF(*number, position.y()) : QPointF(position.x(), *number));
    commit(QStringLiteral("移动%1").arg(caption(key)), after);
    return Status::ok();
}

Status DesignDocument::setText(DesignKey key, const QString& text)
{
    const int index = indexOf(key);
    if (index < 0) {
        return Status::failure(QStringLiteral("宾客姓名来自宾客名单，每张请柬印的是各自宾客的姓名，"
                                              "不能在这里修改。"));
    }
    if (text.trimmed().isEmpty())
        return Status::failure(QStringLiteral("标签的内容不能为空，请输入将来要打印的文字。"));
    if (text == m_content.labels.at(index).text)
        return Status::ok();
    Content after = m_content;
    after.labels[index].text = text;
    commit(QStringLiteral("修改%1的文字").arg(caption(key)), after);
    return Status::ok();
}

Status DesignDocument::checkName(DesignKey key, const QString& name) const
{
    if (name.trimmed().isEmpty())
        return Status::failure(QStringLiteral("请为标签取一个名称，以便辨认。"));
    const QString folded = DesignStore::foldedName(name);
    for (int i = 0; i < m_content.keys.size(); ++i) {
        if (m_content.keys.at(i) != key && DesignStore::foldedName(m_content.labels.at(i).name) == folded) {
            return Status::failure(QStringLiteral("当前样式中已有名为“%1”的标签，请换一个名称。")
                                       .arg(m_content.labels.at(i).name));
        }
    }
    if (const auto other = m_others.constFind(folded); other != m_others.constEnd()) {
        const QString where = other.value().isEmpty() ? QStringLiteral("另一个请柬样式（该样式已不存在）")
                                                      : QStringLiteral("请柬样式“%1”").arg(other.value());
        return Status::failure(
            QStringLiteral("标签名称“%1”与%2中已存在的标签重名，请换一个名称。").arg(name, where));
    }
    return Status::ok();
}

Status DesignDocument::rename(DesignKey key, const QString& name)
{
    const int index = indexOf(key);
    if (index < 0)
        return Status::failure(QStringLiteral("宾客姓名没有标签名称。"));
    if (name == m_content.labels.at(index).name)
        return Status::ok();
    if (Status s = checkName(key, name); !s.isOk())
        return s;
    Content after = m_content;
    after.labels[index].name = name;
    commit(QStringLiteral("把%1改名为“%2”").arg(caption(key), name), after);
    return Status::ok();
}

void DesignDocument::setFont(const QList<DesignKey>& keys, const FontTexts& font)
{
    Content after = m_content;
    for (const DesignKey key : keys) {
        if (key == kGuestNameKey) {
            after.guest.fontName = font.name;
            after.guest.fontSize = font.size;
            after.guest.styleWord = font.style;
        } else if (const int index = indexOf(key); index >= 0) {
            after.labels[index].fontName = font.name;
            after.labels[index].fontSize = font.size;
            after.labels[index].styleWord = font.style;
        }
    }
    commit(QStringLiteral("修改字体"), after);
}

void DesignDocument::completeGuestFont(GuestNameSetting& guest)
{
    // A name whose font was never chosen is drawn in 宋体 12 regular whatever its size says: a
    // size or style word given alone takes that font with it, or it would change nothing.
    if (!guest.fontName.isEmpty())
        return;
    const FontTexts drawn = fontTexts(FontChoice{QStringLiteral("宋体"), 12, false, false});
    guest.fontName = drawn.name;
    guest.fontSize = drawn.size;
    guest.styleWord = drawn.style;
}

QString* DesignDocument::fontTextOf(Content& content, DesignKey key, QString Label::*ofLabel,
                                    QString GuestNameSetting::*ofGuest) const
{
    if (const int index = indexOf(key); index >= 0)
        return &(content.labels[index].*ofLabel);
    if (key != kGuestNameKey)
        return nullptr;
    completeGuestFont(content.guest);
    return &(content.guest.*ofGuest);
}

Status DesignDocument::setFontSizeText(const QList<DesignKey>& keys, const QString& typed)
{
    const QString text = typed.trimmed();
    const std::optional<double> number = plainNumber(text);
    if (!number || *number <= 0) {
        return Status::failure(
            QStringLiteral("字号只能是大于零的数字，“%1”未保存，请检查后重新输入。").arg(typed));
    }
    Content after = m_content;
    bool changedAny = false;
    for (const DesignKey key : keys) {
        QString* stored = fontTextOf(after, key, &Label::fontSize, &GuestNameSetting::fontSize);
        if (!stored)
            continue;
        QString& size = *stored;
        // A size already stored passes as it is, as in the label grid.
        if (*number != plainNumber(size.trimmed()) && !kFontPoints.contains(*number)) {
            return Status::failure(
                QStringLiteral("字号必须大于 0、不超过 %1 磅，“%2”未保存，请检查后重新输入。")
                    .arg(QString::number(kFontPoints.max), typed));
        }
        changedAny = changedAny || size != text;
        size = text;
    }
    if (changedAny)
        commit(QStringLiteral("修改字号"), after);
    return Status::ok();
}

Status DesignDocument::setStyleWord(const QList<DesignKey>& keys, const QString& word)
{
    if (!fontStyleFlags(word)) {
        return Status::failure(
            QStringLiteral("字体样式只能是“常规”、“粗体”、“斜体”或“粗斜体”，“%1”未保存。").arg(word));
    }
    Content after = m_content;
    bool changedAny = false;
    for (const DesignKey key : keys) {
        QString* stored = fontTextOf(after, key, &Label::styleWord, &GuestNameSetting::styleWord);
        if (!stored)
            continue;
        QString& style = *stored;
        changedAny = changedAny || style != word;
        style = word;
    }
    if (changedAny)
        commit(QStringLiteral("修改字体样式"), after);
    return Status::ok();
}

TextPlacement DesignDocument::placement(DesignKey key) const
{
    const int index = indexOf(key);
    return index < 0 ? m_content.guest.placement : m_content.labels.at(index).placement;
}

void DesignDocument::placeTexts(const QList<DesignKey>& keys, const QString& what,
                                const std::function<void(TextPlacement&)>& change)
{
    Content after = m_content;
    bool changedAny = false;
    for (const DesignKey key : keys) {
        const int index = indexOf(key);
        if (index < 0 && key != kGuestNameKey)
            continue;
        TextPlacement& placement = index < 0 ? after.guest.placement : after.labels[index].placement;
        const TextPlacement before = placement;
        change(placement);
        changedAny = changedAny || placement != before;
    }
    if (changedAny)
        commit(what, after);
}

Status DesignDocument::setAnchorWord(const QList<DesignKey>& keys, const QString& word)
{
    const std::optional<TextAnchor> anchor = Placement::anchorOf(word);
    if (!anchor)
        return Status::failure(QStringLiteral("对齐只能是“左”、“中”或“右”，“%1”未保存。").arg(word));
    placeTexts(keys, QStringLiteral("修改对齐"), [&](TextPlacement& p) { p.anchor = *anchor; });
    return Status::ok();
}

Status DesignDocument::setFitWidthText(const QList<DesignKey>& keys, const QString& typed)
{
    const std::optional<double> width = fitWidthNumber(typed);
    if (!width)
        return Status::failure(QStringLiteral("限宽只能是大于零的数字（毫米），不限宽请留空。"));
    for (const DesignKey key : keys) {
        // A fit width already stored passes as it is, as in the label window.
        if (contains(key) && *width != placement(key).fitWidthMm && *width > kFitWidthMm.max) {
            return Status::failure(QStringLiteral("限宽必须大于 0、不超过 %1 毫米，请检查后重新输入。")
                                       .arg(QString::number(kFitWidthMm.max)));
        }
    }
    placeTexts(keys, QStringLiteral("修改限宽"), [&](TextPlacement& p) { p.fitWidthMm = *width; });
    return Status::ok();
}

Status DesignDocument::setWritingWord(const QList<DesignKey>& keys, const QString& word)
{
    const std::optional<bool> vertical = Placement::verticalOf(word);
    if (!vertical)
        return Status::failure(QStringLiteral("排列只能是“横排”或“竖排”，“%1”未保存。").arg(word));
    placeTexts(keys, QStringLiteral("修改排列"), [&](TextPlacement& p) { p.vertical = *vertical; });
    return Status::ok();
}

QString DesignDocument::freeLabelName() const
{
    for (int n = 1;; ++n) {
        const QString name = QStringLiteral("标签%1").arg(n);
        if (checkName(0xFFFFFFFFu, name).isOk())
            return name;
    }
}

Result<DesignKey> DesignDocument::addLabel(const QPointF& atMm)
{
    Label label;
    label.name = freeLabelName();
    label.text = kNewLabelText;
    // Where the label window would take it: a click left of or above the printable area puts the
    // label on its edge.
    label.xMm = std::clamp(std::round(atMm.x() * 10) / 10, kPositionMm.min, kPositionMm.max) + 0.0;
    label.yMm = std::clamp(std::round(atMm.y() * 10) / 10, kPositionMm.min, kPositionMm.max) + 0.0;
    const FontTexts font = fontTexts(FontChoice{QStringLiteral("宋体"), kNewLabelPoints, false, false});
    label.fontName = font.name;
    label.fontSize = font.size;
    label.styleWord = font.style;
    Content after = m_content;
    const DesignKey key = m_nextKey++;
    after.keys.append(key);
    after.labels.append(label);
    commit(QStringLiteral("添加标签“%1”").arg(label.name), after);
    return key;
}

Status DesignDocument::deleteItems(const QList<DesignKey>& keys)
{
    Content after = m_content;
    int deleted = 0;
    for (const DesignKey key : keys) {
        const int index = static_cast<int>(after.keys.indexOf(key));
        if (index < 0)
            continue;
        after.keys.removeAt(index);
        after.labels.removeAt(index);
        ++deleted;
    }
    if (deleted == 0) {
        if (keys.contains(kGuestNameKey))
            return Status::failure(QStringLiteral("宾客姓名不能删除：每张请柬都要印上宾客的姓名。"));
        return Status::ok();
    }
    commit(QStringLiteral("删除 %1 个标签").arg(deleted), after);
    return Status::ok();
}

const CardBackground& DesignDocument::background() const
{
    static const CardBackground none;
    return m_content.background ? *m_content.background : none;
}

CardBackdrop DesignDocument::backdrop() const
{
    if (!m_content.background)
        return {};
    return CardBackdrop{m_content.picture, m_content.background->placement};
}

Status DesignDocument::loadBackground(const QString& path)
{
    Result<BackgroundFile::Loaded> loaded = BackgroundFile::read(path);
    if (!loaded.isOk())
        return Status::failure(loaded.error());
    Content after = m_content;
    // A new scan of the same card is lined up as the one before it was.
    if (m_content.background)
        loaded.value().background.placement = m_content.background->placement;
    after.background = std::move(loaded.value().background);
    after.picture = std::move(loaded.value().picture);
    commit(QStringLiteral("载入背景图片"), after);
    return Status::ok();
}

void DesignDocument::removeBackground()
{
    if (!m_content.background)
        return;
    Content after = m_content;
    after.background.reset();
    after.picture = QImage();
    commit(QStringLiteral("移除背景图片"), after);
}

void DesignDocument::placeBackground(const BackgroundPlacement& placement, const QString& what)
{
    if (!m_content.background || m_content.background->placement == placement)
        return;
    Content after = m_content;
    after.background->placement = placement;
    commit(what, after);
}

Status DesignDocument::setBackgroundWidthText(const QString& typed)
{
    if (!m_content.background)
        return Status::ok();
    BackgroundPlacement placement = m_content.background->placement;
    const QString text = typed.trimmed();
    if (text.isEmpty()) {
        placement.widthMm = 0;
    } else {
        const std::optional<double> number = plainNumber(text);
        if (!number || !kBackgroundWidthMm.contains(*number)) {
            return Status::failure(QStringLiteral("背景图片的宽度必须是 %1之间的数字，“%2”不是。"
                                                  "不填宽度时背景图片与纸张同大。")
                                       .arg(kBackgroundWidthMm.text(QStringLiteral("毫米")), typed));
        }
        placement.widthMm = *number;
    }
    placeBackground(placement, QStringLiteral("修改背景图片的宽度"));
    return Status::ok();
}

Status DesignDocument::setBackgroundOffsetText(Qt::Orientation axis, const QString& typed)
{
    if (!m_content.background)
        return Status::ok();
    const std::optional<double> number = plainNumber(typed.trimmed());
    const QString what = axis == Qt::Horizontal ? QStringLiteral("横向") : QStringLiteral("纵向");
    if (!number || !kSignedPositionMm.contains(*number)) {
        return Status::failure(
            QStringLiteral("背景图片的%1偏移必须是 %2之间的数字（可带小数点和负号），“%3”不是。")
                .arg(what, kSignedPositionMm.text(QStringLiteral("毫米")), typed));
    }
    BackgroundPlacement placement = m_content.background->placement;
    QPointF offset = placement.offsetMm;
    (axis == Qt::Horizontal ? offset.rx() : offset.ry()) = *number;
    placement.offsetMm = offset;
    placeBackground(placement, QStringLiteral("移动背景图片"));
    return Status::ok();
}

void DesignDocument::setBackgroundOpacity(double opacity)
{
    if (!m_content.background)
        return;
    BackgroundPlacement placement = m_content.background->placement;
    placement.opacity = std::clamp(opacity, 0.0, 1.0);
    if (placement == m_content.background->placement)
        return;
    Content after = m_content;
    after.background->placement = placement;
    // Dragging the slider is one step, not one per position it passed.
    m_undo.push(
        new SnapshotCommand(*this, QStringLiteral("修改背景图片的透明度"), m_content, after, kMergeOpacity));
}

void DesignDocument::setBackgroundInPreview(bool shown)
{
    if (!m_content.background)
        return;
    BackgroundPlacement placement = m_content.background->placement;
    placement.inPreview = shown;
    placeBackground(placement, shown ? QStringLiteral("在预览中显示背景图片")
                                     : QStringLiteral("在预览中不显示背景图片"));
}

Status DesignDocument::save()
{
    DesignChanges changes;
    QHash<DesignKey, Label> saved;
    for (int i = 0; i < m_saved.keys.size(); ++i)
        saved.insert(m_saved.keys.at(i), m_saved.labels.at(i));
    QList<DesignKey> addedKeys;
    for (int i = 0; i < m_content.keys.size(); ++i) {
        const DesignKey key = m_content.keys.at(i);
        Label label = m_content.labels.at(i);
        const auto before = saved.constFind(key);
        if (before == saved.constEnd()) {
            changes.added.append(label);
            changes.newNames.append(label.name);
            addedKeys.append(key);
            continue;
        }
        label.id = m_ids.value(key);
        const Label& was = before.value();
        if (label.name != was.name)
            changes.newNames.append(label.name);
        if (label.name != was.name || label.text != was.text || label.xMm != was.xMm ||
            label.yMm != was.yMm || label.fontName != was.fontName || label.fontSize != was.fontSize ||
            label.styleWord != was.styleWord || label.placement != was.placement)
            changes.changed.append(label);
    }
    for (const DesignKey key : m_saved.keys) {
        changes.ownIds.append(m_ids.value(key));
        if (!m_content.keys.contains(key))
            changes.deleted.append(m_ids.value(key));
    }
    const GuestNameSetting& guest = m_content.guest;
    const GuestNameSetting& guestWas = m_saved.guest;
    if (guest.xMm != guestWas.xMm || guest.yMm != guestWas.yMm || guest.fontName != guestWas.fontName ||
        guest.fontSize != guestWas.fontSize || guest.styleWord != guestWas.styleWord ||
        guest.placement != guestWas.placement)
        changes.guestName = guest;
    if (!m_content.background) {
        if (m_saved.background)
            changes.background = DesignChanges::Background::Removed;
    } else {
        changes.backgroundValue = *m_content.background;
        const QByteArray& data = m_content.background->data;
        if (!m_saved.background ||
            (!m_saved.background->data.isSharedWith(data) && m_saved.background->data != data))
            changes.background = DesignChanges::Background::Replaced;
        else if (m_saved.background->placement != m_content.background->placement)
            changes.background = DesignChanges::Background::Placed;
    }

    if (!changes.isEmpty()) {
        const Result<QList<qint64>> ids = DesignStore(m_store).save(m_listId, m_styleName, changes);
        if (!ids.isOk())
            return Status::failure(ids.error());
        for (int i = 0; i < addedKeys.size(); ++i)
            m_ids.insert(addedKeys.at(i), ids.value().at(i));
    }
    m_saved = m_content;
    m_undo.setClean();
    return Status::ok();
}
