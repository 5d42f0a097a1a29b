// Lists the guests of a style whose name contains the search text, and tells its opener which one
// the user picked, so that opener can print that guest's card.
#pragma once

#include "core/cards/GuestFields.h"

#include <QDialog>
#include <QString>

#include <memory>

class GuestSearchModel;
class QTimer;
struct Session;

namespace Ui {
class w_NameList;
}

class w_NameList : public QDialog
{
    Q_OBJECT

public:
    /// The result when the search found nobody; the opener then asks for a name again.
    static constexpr int NothingFound = 2;

    /// Searches the guests of style `listId` (called `listName`) for `searchText`.
    w_NameList(Session& session, qint16 listId, const QString& listName, const QString& searchText,
               QWidget* parent = nullptr);
    ~w_NameList() override;

signals:
    /// The user picked guest `guestId`, `guest`, whose name comes without surrounding ASCII spaces.
    void guestChosen(qint64 guestId, const GuestFields& guest);

private:
    void search();
    void pick();

    std::unique_ptr<Ui::w_NameList> m_ui;
    Session& m_session;
    qint16 m_listId = 0;
    QString m_listName;
    QString m_searchText;
    GuestSearchModel* m_model = nullptr;
    QTimer* m_timer = nullptr;
};
