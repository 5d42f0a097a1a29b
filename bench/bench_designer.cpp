// The card designer on a style with 50 labels and a 10 MB scanned background (a JPEG, then a PNG),
// on a database file on disk: opening the window until the card is on screen (its loader's wait
// left out), one frame while a label is dragged at 100 % (the pointer's move and the repaint of
// what the window shows), and saving after all 50 labels were moved. Prints medians as JSON.
#include "BenchSupport.h"
#include "core/app/AllocatorTuning.h"
#include "core/app/SharedState.h"
#include "core/app/Startup.h"
#include "core/cards/BackgroundFile.h"
#include "core/design/DesignCanvas.h"
#include "core/store/CardStore.h"
#include "ui/app/Session.h"
#include "ui/designer/w_Designer.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

using namespace bench;

constexpr qint16 kStyle = 3;
constexpr int kLabels = 50;
constexpr int kOpenings = 7;
constexpr int kFrames = 120;
constexpr int kSaves = 15;
constexpr qint64 kBackgroundBytes = 10'000'000;

// A scan of a cream card: paper with the grain of a scanner, grown until its file is 10 MB.
QByteArray scan(const char* format)
{
    QSize size(1748, 1240); // A5 landscape at 300 dpi
    for (;;) {
        QImage image(size, QImage::Format_RGB32);
        QRandomGenerator random(7);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int grain = static_cast<int>(random.bounded(24u));
                line[x] = qRgb(235 + grain / 2, 225 + grain / 2, 200 + grain);
            }
        }
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, format, qstrcmp(format, "jpeg") == 0 ? 97 : -1);
        if (bytes.size() >= kBackgroundBytes)
            return bytes;
        const double grow = std::sqrt(double(kBackgroundBytes) / bytes.size()) * 1.01;
        size = QSize(static_cast<int>(size.width() * grow) + 1, static_cast<int>(size.height() * grow) + 1);
    }
}

void fill(const QString& path, const CardBackground& background)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
    db.setDatabaseName(path);
    db.open();
    db.transaction();
    QSqlQuery q(db);
    q.exec(QStringLiteral("INSERT INTO Lists (ListID, ListName) VALUES (%1, '五十个标签')").arg(kStyle));
    q.exec(QStringLiteral("INSERT INTO GuestXY (ListID, keyx, keyy, keyfont, keyfontsize, keyfontstyle) "
                          "VALUES (%1, 60, 70, '楷体', '22', '常规')")
               .arg(kStyle));
    q.exec(QStringLiteral("INSERT INTO StylePrinter (ListID, PaperWidth, PaperHeight, Landscape) "
                          "VALUES (%1, 148, 210, 1)")
               .arg(kStyle));
    q.prepare(
        QStringLiteral("INSERT INTO Main (ListID, Keywords, KeyValue, KeyX, KeyY, KeyFont, KeyFontSize, "
                       "KeyFontStyle) VALUES (?, ?, ?, ?, ?, ?, ?, '常规')"));
    const char* const fonts[] = {"宋体", "黑体", "楷体"};
    for (int i = 0; i < kLabels; ++i) {
        for (const QVariant& v :
             {QVariant(kStyle), QVariant(QStringLiteral("标签%1").arg(i)),
              QVariant(QStringLiteral("谨定于二〇二七年五月二十日 %1").arg(i)), QVariant(8 + (i % 5) * 40),
              QVariant(8 + (i / 5) * 13), QVariant(QString::fromUtf8(fonts[i % 3])),
              QVariant(QString::number(9 + i % 6))})
            q.addBindValue(v);
        q.exec();
    }
    q.prepare(
        QStringLiteral("INSERT INTO StyleBackground (ListID, Picture, Shown, FileName) VALUES (?, ?, ?, ?)"));
    q.addBindValue(kStyle);
    q.addBindValue(background.data);
    q.addBindValue(background.shown);
    q.addBindValue(background.fileName);
    q.exec();
    q.exec(QStringLiteral("INSERT INTO Guests (ListID, Name) VALUES (%1, '欧阳娜娜')").arg(kStyle));
    db.commit();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
}

// Notes when the card widget has painted a loaded design.
class PaintWatch : public QObject
{
public:
    PaintWatch(QWidget* card, w_Designer& window) : m_window(window) { card->installEventFilter(this); }
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && m_window.canvas())
            painted = true;
        return false;
    }

private:
    w_Designer& m_window;
};

void move(QWidget* card, const QPointF& at, QEvent::Type type, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, at, card->mapToGlobal(at),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(card, &event);
}

struct Figures
{
    std::vector<double> opening, dragStart, frames, saves;
    double dpi = 0;
};

void measure(Session& session, Figures& figures)
{
    for (int round = 0; round <= kOpenings; ++round) { // round 0 warms up
        QElapsedTimer timer;
        timer.start();
        w_Designer window(session);
        window.resize(1200, 860);
        window.findChild<QTimer*>(QStringLiteral("Timer_Load"))->setInterval(0);
        QWidget* card = window.findChild<QWidget*>(QStringLiteral("P_Card"));
        PaintWatch watch(card, window);
        window.show();
        while (!watch.painted)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        const double opened = msSince(timer);
        if (window.document()->backdrop().isNull())
            std::exit(1); // the background was not shown: the opening timed less than it should
        if (round > 0)
            figures.opening.push_back(opened);

        window.findChild<QPushButton*>(QStringLiteral("Cmd_Zoom100"))->click();
        QCoreApplication::processEvents();
        figures.dpi = window.zoomDpi();
        DesignCanvas& canvas = *window.canvas();
        const DesignKey label = window.document()->keys().at(0);
        const QPointF from = canvas.boxPx(label).center();
        move(card, from, QEvent::MouseButtonPress, Qt::LeftButton);
        timer.restart();
        move(card, from + QPointF(5, 3), QEvent::MouseMove, Qt::LeftButton);
        card->repaint();
        if (!canvas.dragging())
            std::exit(1); // the press missed the label: frames would time nothing
        if (round > 0)
            figures.dragStart.push_back(msSince(timer));
        for (int frame = 1; frame <= kFrames / kOpenings; ++frame) {
            timer.restart();
            move(card, from + QPointF(5 + frame, 3 + frame / 2.0), QEvent::MouseMove, Qt::LeftButton);
            card->repaint();
            if (round > 0)
                figures.frames.push_back(msSince(timer));
        }
        move(card, from + QPointF(40, 20), QEvent::MouseButtonRelease, Qt::NoButton);

        DesignDocument& document = *window.document();
        QList<DesignKey> labels = document.keys();
        labels.removeLast(); // the guest's name
        for (int save = 0; save < kSaves / kOpenings + 1; ++save) {
            document.moveItems(labels, QPointF(0.5, 0.25));
            timer.restart();
            if (!document.save().isOk())
                std::exit(1);
            if (round > 0)
                figures.saves.push_back(msSince(timer));
        }
    }
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    tuneAllocatorForPages(); // as the program's own main does
    QApplication app(argc, argv);
    Startup::installFontSubstitutions();
    std::printf("{\n");
    for (const char* format : {"jpeg", "png"}) {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("scan")));
        if (!file.open(QIODevice::WriteOnly) || file.write(scan(format)) < 0)
            return 1;
        file.close();
        // As the designer keeps a scan it loads: the file and the picture screens show.
        const Result<BackgroundFile::Loaded> loaded = BackgroundFile::read(file.fileName());
        if (!loaded.isOk())
            return 1;
        const CardBackground& background = loaded.value().background;
        const QString path = dir.filePath(QStringLiteral("Date_D.dat"));
        bench::copyEmptyDatabase(path);
        fill(path, background);

        SharedState state;
        state.DbConnectionString = path;
        state.CurrentListID = kStyle;
        state.CurrentListName = QStringLiteral("五十个标签");
        QuietMessages messages(true);
        OnePrinter printer;
        CardStore store(path);
        if (!store.check().isOk())
            return 1;
        NoDialogs dialogs;
        Session session{state, store, printer, messages, dialogs, dialogs};
        Figures figures;
        measure(session, figures);
        std::printf("  \"designer_%s_background_mb\": %.2f,\n  \"open_designer_50_labels_%s_ms\": %.2f,\n"
                    "  \"designer_drag_start_%s_ms\": %.2f,\n  \"designer_drag_frame_100_%s_ms\": %.2f,\n"
                    "  \"designer_save_50_moved_%s_ms\": %.2f,\n  \"designer_zoom_100_dpi\": %.1f%s\n",
                    format, background.data.size() / 1e6, format, median(figures.opening), format,
                    median(figures.dragStart), format, median(figures.frames), format, median(figures.saves),
                    figures.dpi, qstrcmp(format, "png") == 0 ? "" : ",");
    }
    std::printf("}\n");
    return 0;
}
