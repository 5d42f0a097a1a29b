// What every benchmark needs: a fresh copy of the delivered empty database, message boxes and a
// printer that stay out of the way, and medians of timed runs.
#pragma once

#include "core/app/MessageService.h"
#include "core/printing/PdfCardPrinter.h"
#include "ui/app/FileChooser.h"
#include "ui/app/FontDialogService.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace bench {

/// Copies the empty Date_D.dat of the build to `path`, writable.
inline void copyEmptyDatabase(const QString& path)
{
    if (!QFile::copy(QStringLiteral(FENNICK_EMPTY_DB), path) ||
        !QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner)) {
        std::fprintf(stderr, "cannot copy the empty database to %s\n", qPrintable(path));
        std::exit(1);
    }
}

/// Answers every question with Yes; a critical message is printed, and ends the run when asked to,
/// so a benchmark never times a failure.
struct QuietMessages : MessageService
{
    explicit QuietMessages(bool exitOnCritical = false) : m_exitOnCritical(exitOnCritical) {}
    void critical(QWidget*, const QString& title, const QString& text) override
    {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
        if (m_exitOnCritical)
            std::exit(1);
    }
    void exclamation(QWidget*, const QString&, const QString&) override {}
    void information(QWidget*, const QString&, const QString&) override {}
    bool question(QWidget*, const QString&, const QString&) override { return true; }
    Answer questionWithCancel(QWidget*, const QString&, const QString&) override { return Answer::Yes; }

private:
    bool m_exitOnCritical;
};

/// The font and file dialogs a window may open: cancelled at once.
struct NoDialogs : FontDialogService, FileChooser
{
    std::optional<FontChoice> chooseFont(QWidget*, const FontChoice&, bool) override { return std::nullopt; }
    QString fileToOpen(QWidget*, const QString&, const QString&) override { return {}; }
    QString fileToSave(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
};

/// Nothing is printed; a PDF printer stands in for the installed printer.
struct OnePrinter : PdfCardPrinter
{
    OnePrinter() : PdfCardPrinter(QDir::tempPath()) {}
};

inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

inline double msSince(const QElapsedTimer& timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

/// Wall time of one run of `work`, in milliseconds.
inline double timeMs(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return msSince(timer);
}

} // namespace bench
