// Driving windows as a user does: controls found by their object names, clicks, a window's deferred
// load, and the answer to a modal window that a click is about to open (it runs its own event loop,
// so the answer must be queued before the click).
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <functional>

template <typename T = QWidget> T* child(const QObject& w, const char* name)
{
    return w.findChild<T*>(QLatin1String(name));
}

inline void click(const QObject& w, const char* button)
{
    QTest::mouseClick(child<QAbstractButton>(w, button), Qt::LeftButton);
}

inline QString labelText(const QObject& w, const char* label)
{
    return child<QLabel>(w, label)->text();
}

/// Waits until the timer `timer` of `w` (the window's deferred load) has fired.
inline void waitFor(const QObject& w, const char* timer)
{
    QTRY_VERIFY(!child<QTimer>(w, timer)->isActive());
}

/// Runs `act` on the next modal window of type T (and object name `name`, when given) once it shows.
template <typename T = QWidget> void onNextModal(std::function<void(T&)> act, const char* name = nullptr)
{
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [poll, act, name] {
        auto* modal = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!modal || !modal->isVisible() || (name && modal->objectName() != QLatin1String(name)))
            return;
        poll->stop();
        poll->deleteLater();
        act(*modal);
    });
    poll->start(10);
}
