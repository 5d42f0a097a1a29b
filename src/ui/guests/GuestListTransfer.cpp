#include "ui/guests/GuestListTransfer.h"

#include "core/app/MessageService.h"
#include "core/app/SharedState.h"
#include "core/guestlists/GuestCsvWriter.h"
#include "core/guestlists/ImportSource.h"
#include "core/guestlists/ReadProgress.h"
#include "core/store/GuestTransferStore.h"
#include "ui/app/FileChooser.h"
#include "ui/app/Session.h"
#include "ui/guests/BackgroundRead.h"
#include "ui/guests/w_ImportGuests.h"

#include <QDir>
#include <QFileInfo>

namespace GuestListTransfer {

bool importGuests(Session& session, QWidget* parent)
{
    const QString path = session.files.fileToOpen(
        parent, QStringLiteral("导入宾客名单"),
        QStringLiteral("宾客名单 (*.xlsx *.csv);;Excel 工作簿 (*.xlsx);;CSV 文件 (*.csv)"));
    if (path.isEmpty())
        return false;
    // A large list takes a while: it is read on a worker thread, and the user may cancel.
    ReadProgress progress;
    Result<ImportSource> source = Status::failure(QString());
    const QString label = QStringLiteral("正在读取“%1”……").arg(QFileInfo(path).fileName());
    if (!BackgroundRead::run(parent, label, progress, [&] { source = ImportSource::open(path, &progress); }))
        return false;
    if (!source.isOk()) {
        session.messages.critical(parent, Titles::CriticalError, source.error());
        return false;
    }
    w_ImportGuests window(session, std::move(source.value()), parent);
    return window.exec() == QDialog::Accepted;
}

void exportGuests(Session& session, QWidget* parent)
{
    const QString suggested =
        QDir::current().filePath(session.state.CurrentListName + QStringLiteral("宾客名单.csv"));
    QString path = session.files.fileToSave(parent, QStringLiteral("导出宾客名单"), suggested,
                                            QStringLiteral("CSV 文件 (*.csv)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".csv");

    const Result<QList<GuestFields>> guests =
        GuestTransferStore(session.store).guests(session.state.CurrentListID);
    if (!guests.isOk()) {
        session.messages.critical(parent, Titles::CriticalError, guests.error());
        return;
    }
    if (Status written = GuestCsvWriter::write(path, guests.value()); !written.isOk()) {
        session.messages.critical(parent, Titles::CriticalError, written.error());
        return;
    }
    session.messages.information(parent, Titles::Notice,
                                 QStringLiteral("已把 %1 位宾客导出到文件“%2”。")
                                     .arg(guests.value().size())
                                     .arg(QDir::toNativeSeparators(path)));
}

} // namespace GuestListTransfer
