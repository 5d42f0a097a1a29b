// What is stored about a guest, as the user gave it: the one guest type that the guest window, the
// import and export of lists, the print run and the cards all carry.
#pragma once

#include <QString>
#include <QtGlobal>

struct GuestFields
{
    QString name{};
    QString sex{}; // "男", "女", or empty for no value (stored as NULL)
    QString connection{};
    QString job{};
    QString contact{};
    QString remark{};
    QString salutation{}; // 称谓 of the guest's own; empty: the style's rule for the guest's sex
    QString partner{};    // 同行: a second name, or a household ("全家")
    QString table{};      // 桌号, as written ("8", "主桌")
    int attending = 1;    // 人数, a whole number of at least 1

    bool operator==(const GuestFields& other) const;
    bool operator!=(const GuestFields& other) const { return !(*this == other); }
};
// Lists of 100,000 guests grow by moving their memory, not guest by guest.
Q_DECLARE_TYPEINFO(GuestFields, Q_RELOCATABLE_TYPE);
