// A card style opened in the designer: its labels, its guest-name setting and its background as
// they are being changed, every change one step of an undo stack, all of it saved in one
// transaction. Edits name the items they change, so they do not depend on what the window has
// selected; typed values are checked here exactly as the label windows check them.
#pragma once

#include "core/cards/CardTemplate.h"
#include "core/cards/GuestFields.h"

#include "core/cards/CardBackground.h"
#include "core/cards/CardSheet.h"
#include "core/cards/FontChoice.h"
#include "core/cards/GuestNameSetting.h"
#include "core/cards/Label.h"
#include "core/store/Result.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QUndoStack>

#include <functional>
#include <memory>
#include <optional>

class CardStore;

/// An item of the card: a label or the guest's name. Keys stay the same through undo and save.
using DesignKey = quint32;
inline constexpr DesignKey kGuestNameKey = 0;

/// Where an item lies on the card, in millimetres from the printable area's top-left corner.
struct DesignBox
{
    DesignKey key = kGuestNameKey;
    QRectF rectMm;
    bool pastPrintableArea = false; // part of it will not print
    bool tooLong = false;           // longer than its fit width even at the smallest size
};

class DesignDocument : public QObject
{
    Q_OBJECT

public:
    /// Reads style `listId` (named `styleName` in messages) with the sheet it prints on.
    static Result<std::unique_ptr<DesignDocument>> open(CardStore& store, qint16 listId,
                                                        const QString& styleName, const CardSheet& sheet);
    ~DesignDocument() override;

    const QString& styleName() const { return m_styleName; }
    /// What the user should be told after opening (a stored background that cannot be shown); empty
    /// when nothing.
    const QString& notice() const { return m_notice; }
    /// The paper and its printable area as the card sees them (turned for a landscape card).
    const CardSheet& sheet() const { return m_sheet; }

    // What the card holds
    /// The labels in the order they are drawn, then the guest's name.
    QList<DesignKey> keys() const;
    bool contains(DesignKey key) const;
    /// The label behind `key`; nothing for the guest's name.
    std::optional<Label> label(DesignKey key) const;
    const QList<Label>& labels() const { return m_content.labels; }
    const GuestNameSetting& guestName() const { return m_content.guest; }
    QPointF positionMm(DesignKey key) const;
    /// "标签“名称”" or "宾客姓名", for messages and the undo history.
    QString caption(DesignKey key) const;

    /// The boxes of every item as the card drawing routine lays them out, the one drawn last last.
    const QList<DesignBox>& boxes() const;
    QRectF boxMm(DesignKey key) const;

    // The guest the card is shown for, with the fields the card fills in from the guest list
    const QString& shownGuest() const { return m_shownGuest.name; }
    const GuestFields& shownGuestFields() const { return m_shownGuest; }
    void showGuest(const QString& name);
    void showGuest(const GuestFields& guest);
    /// The card as it is now, filled in with the style's 称谓 rules.
    CardTemplate card() const;
    /// Shows the first guest of the style (a sample name when it has none).
    Status showFirstGuest();
    /// Shows the guest whose name takes the most room in the guest-name font.
    Status showLongestGuest();
    /// Shows the next guest after the one shown whose name contains `text`; false when none has.
    Result<bool> showGuestContaining(const QString& text);

    // Edits: each is one step on the undo stack; a refused one changes nothing and says why.
    /// Moves the items together, as far as `deltaMm` or as far as the label windows' ranges allow.
    void moveItems(const QList<DesignKey>& keys, const QPointF& deltaMm);
    /// The part of `deltaMm` that moveItems() would make.
    QPointF allowedMove(const QList<DesignKey>& keys, const QPointF& deltaMm) const;
    Status setPositionText(DesignKey key, Qt::Orientation axis, const QString& typed);
    Status setText(DesignKey key, const QString& text);
    Status rename(DesignKey key, const QString& name);
    void setFont(const QList<DesignKey>& keys, const FontTexts& font);
    Status setFontSizeText(const QList<DesignKey>& keys, const QString& typed);
    Status setStyleWord(const QList<DesignKey>& keys, const QString& word);
    /// 左, 中 or 右: what the position names; the position stays, the text moves around it.
    Status setAnchorWord(const QList<DesignKey>& keys, const QString& word);
    /// Millimetres, or empty for no fit width, checked as the label window checks them.
    Status setFitWidthText(const QList<DesignKey>& keys, const QString& typed);
    /// 横排 or 竖排.
    Status setWritingWord(const QList<DesignKey>& keys, const QString& word);
    /// How the item's text sits at its position.
    TextPlacement placement(DesignKey key) const;
    /// A new label with a free name and a sample text at `atMm`.
    Result<DesignKey> addLabel(const QPointF& atMm);
    /// Deletes the labels among `keys`; the guest's name stays (refused when it is all there is).
    Status deleteItems(const QList<DesignKey>& keys);

    // The background
    bool hasBackground() const { return m_content.background.has_value(); }
    const CardBackground& background() const;
    CardBackdrop backdrop() const;
    Status loadBackground(const QString& path);
    void removeBackground();
    /// An empty text stretches it over the paper again.
    Status setBackgroundWidthText(const QString& typed);
    Status setBackgroundOffsetText(Qt::Orientation axis, const QString& typed);
    void setBackgroundOpacity(double opacity);
    void setBackgroundInPreview(bool shown);

    QUndoStack& undoStack() { return m_undo; }
    bool isModified() const { return !m_undo.isClean(); }
    /// Writes every change since the last save in one transaction; on a failure nothing is written.
    Status save();

signals:
    /// The card looks different: an edit, an undo or redo, another guest.
    void changed();

private:
    struct Content
    {
        QList<DesignKey> keys; // of the labels, in drawing order
        QList<Label> labels;
        GuestNameSetting guest;
        std::optional<CardBackground> background;
        QImage picture; // the background decoded
    };
    class SnapshotCommand;

    DesignDocument(CardStore& store, qint16 listId, QString styleName, const CardSheet& sheet);
    void setContent(const Content& content);
    void commit(const QString& what, const Content& after);
    int indexOf(DesignKey key) const;
    /// The position `key` has in `content`, or in the guest-name setting.
    void placeItem(Content& content, DesignKey key, const QPointF& positionMm) const;
    void placeBackground(const BackgroundPlacement& placement, const QString& what);
    static void completeGuestFont(GuestNameSetting& guest);
    /// One font text of an item in `content`, the guest name's font completed first; null for a
    /// key no longer there.
    QString* fontTextOf(Content& content, DesignKey key, QString Label::*ofLabel,
                        QString GuestNameSetting::*ofGuest) const;
    /// Sets each item's placement with `change`, one step; `what` names the step.
    void placeTexts(const QList<DesignKey>& keys, const QString& what,
                    const std::function<void(TextPlacement&)>& change);
    QString freeLabelName() const;
    Status checkName(DesignKey key, const QString& name) const;

    CardStore& m_store;
    qint16 m_listId = 0;
    QString m_styleName;
    QString m_notice;
    CardSheet m_sheet;
    Content m_content;
    Content m_saved;                  // as the database has it
    QHash<DesignKey, qint64> m_ids;   // the stored labels' row identities
    QHash<QString, QString> m_others; // folded label names of other styles -> their style
    DesignKey m_nextKey = 1;
    SalutationRules m_rules; // the style's, read when it is opened
    GuestFields m_shownGuest;
    qint64 m_shownGuestId = 0;
    mutable QList<DesignBox> m_boxes;
    mutable bool m_boxesValid = false;
    QUndoStack m_undo;
};
