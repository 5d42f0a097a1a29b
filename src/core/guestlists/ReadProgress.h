// How far the reading of a guest list on a worker thread has come, and the user's wish to stop it:
// the reader adds what it has read, the window shows it and may cancel. Safe between two threads.
#pragma once

#include <QString>

#include <atomic>

class ReadProgress
{
public:
    /// The amount the reading will go through (bytes, as the reader counts them).
    void setTotal(qint64 total) { m_total = total; }
    void add(qint64 done) { m_done += done; }
    qint64 total() const { return m_total; }
    qint64 done() const { return m_done; }

    /// Asks the reading to stop; it returns a failure soon after, which the caller drops.
    void cancel() { m_cancelled = true; }
    bool cancelled() const { return m_cancelled; }

    /// The failure a reader returns when it stopped because it was asked to.
    static QString cancelledText() { return QStringLiteral("读取已取消。"); }

private:
    std::atomic<qint64> m_total{0};
    std::atomic<qint64> m_done{0};
    std::atomic<bool> m_cancelled{false};
};
