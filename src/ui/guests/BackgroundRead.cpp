#include "ui/guests/BackgroundRead.h"

#include "core/guestlists/ReadProgress.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include <limits>
#include <memory>

namespace {

// Small files are read before a dialog would even be seen.
int g_dialogDelayMs = 400;
constexpr int kSteps = 1000;

// Until the modal dialog shows, the windows still paint but take no input: a click meanwhile could
// close the window that waits for the reading, or start a second one.
class InputBlocker : public QObject
{
public:
    InputBlocker() { qApp->installEventFilter(this); }
    ~InputBlocker() override { qApp->removeEventFilter(this); }
    InputBlocker(const InputBlocker&) = delete;
    InputBlocker& operator=(const InputBlocker&) = delete;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::Close:
            event->ignore();
            return true;
        default:
            return false;
        }
    }
};

} // namespace

namespace BackgroundRead {

void setDialogDelayMs(int milliseconds)
{
    g_dialogDelayMs = milliseconds;
}

bool run(QWidget* parent, const QString& label, ReadProgress& progress, const std::function<void()>& work)
{
    const std::unique_ptr<QThread> worker(QThread::create(work));

    QProgressDialog dialog(label, QStringLiteral("取消"), 0, kSteps, parent);
    dialog.setObjectName(QStringLiteral("ProgressRead"));
    dialog.setWindowTitle(QStringLiteral("读取宾客名单"));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setMinimumDuration(std::numeric_limits<int>::max()); // shown by the timer below only
    dialog.setMinimumWidth(360);
    QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&progress] { progress.cancel(); });

    auto blocker = std::make_unique<InputBlocker>();
    QTimer show;
    show.setSingleShot(true);
    QObject::connect(&show, &QTimer::timeout, &dialog, [&] {
        blocker.reset(); // the modal dialog blocks input from now on
        dialog.show();
    });
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
        const qint64 total = progress.total();
        const qint64 done = std::min(progress.done(), total);
        dialog.setValue(total > 0 ? static_cast<int>(done * kSteps / total) : 0);
    });

    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    show.start(g_dialogDelayMs);
    poll.start();
    loop.exec();
    worker->wait();
    dialog.hide();
    return !progress.cancelled();
}

} // namespace BackgroundRead
