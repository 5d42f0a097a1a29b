// What the main window reads about the current style before a print run: the guest-name setting,
// whether the style can be printed, its guest count and the guest cursor on its first guest.
#pragma once

#include "core/store/CardStore.h"
#include "core/store/Result.h"

#include <QString>

/// Where and in which font the guest's name is printed.
struct GuestNameSetting
{
    double xMm = 0;
    double yMm = 0;
    QString fontName;
    qint16 fontSize = 0; // points
    QString styleWord;   // 常规, 粗体, 斜体 or 粗斜体
};

struct StyleLoad
{
    GuestNameSetting guestName;
    bool hasLabels = false;
    int guestCount = 0;
    GuestCursor cursor;

    bool printable() const { return hasLabels && guestCount > 0; }
};

/// Reads style `listId` (named `listName` in messages). A style without a guest-name row keeps
/// `previous`, and so does a size or style word that was never saved.
Result<StyleLoad> loadStyle(CardStore& store, qint16 listId, const QString& listName,
                            const GuestNameSetting& previous);
