// Where a card of the print record stands. The states are stored in the file by their Chinese names,
// as the user reads them.
#pragma once

#include <QString>

#include <optional>

enum class CardState
{
    Sending, // 发送中: written just before the card is handed over; settled at the next start
    Queued,  // 已排队: the spooler took it and has not finished it
    Printed, // 已打印: completed by the spooler
    Failed,  // 失败: aborted, cancelled or refused
    Spoiled  // 作废: marked spoiled by the user (a jam ruined it)
};

namespace CardStates {

inline QString text(CardState state)
{
    switch (state) {
    case CardState::Sending:
        return QStringLiteral("发送中");
    case CardState::Queued:
        return QStringLiteral("已排队");
    case CardState::Printed:
        return QStringLiteral("已打印");
    case CardState::Failed:
        return QStringLiteral("失败");
    case CardState::Spoiled:
        break;
    }
    return QStringLiteral("作废");
}

inline std::optional<CardState> fromText(const QString& text)
{
    for (CardState state :
         {CardState::Sending, CardState::Queued, CardState::Printed, CardState::Failed, CardState::Spoiled}) {
        if (CardStates::text(state) == text)
            return state;
    }
    return std::nullopt;
}

} // namespace CardStates
