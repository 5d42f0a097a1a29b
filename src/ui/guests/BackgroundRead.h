// Reading a guest list without stopping the window: the reading runs on a worker thread while a
// progress dialog shows how far it got and offers 取消.
#pragma once

#include <QString>

#include <functional>

class QWidget;
class ReadProgress;

namespace BackgroundRead {

/// Runs `work` on a worker thread and returns once it has ended. When it takes longer than a
/// moment, a modal progress dialog ("ProgressRead") over `parent` shows `label` and `progress`; its
/// 取消 asks the work to stop. False when the user cancelled.
bool run(QWidget* parent, const QString& label, ReadProgress& progress, const std::function<void()>& work);

/// How long the work runs before the dialog shows (tests show it at once).
void setDialogDelayMs(int milliseconds);

} // namespace BackgroundRead
