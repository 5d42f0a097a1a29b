// The backup window ("备份与恢复..." in the style chooser): lists the snapshots of the data file with
// their time, the action they were taken before, and how many styles and guests each holds, and
// puts the chosen one back.
#pragma once

#include "core/store/Snapshots.h"

#include <QDialog>
#include <QList>

#include <memory>

struct Session;

namespace Ui {
class w_Backup;
}

class w_Backup : public QDialog
{
    Q_OBJECT

public:
    explicit w_Backup(Session& session, QWidget* parent = nullptr);
    ~w_Backup() override;

signals:
    /// A snapshot was restored: every style, label and guest may differ now.
    void restored();

private:
    void loadList();
    void restoreSelected();

    std::unique_ptr<Ui::w_Backup> m_ui;
    Session& m_session;
    QList<SnapshotInfo> m_snapshots;
};
