// The preview window driven through its controls, and the proof that the preview draws the same
// ink as the printed card: stepping and finding guests, outlines and notes for texts that will not
// print whole, export from the window, and the button that opens it in the settings window.
#include "app/Startup.h"
#include "guests/import/FileChooser.h"
#include "labels/w_PRNSet.h"
#include "printing/CardPreview.h"
#include "printing/PdfCardPrinter.h"
#include "printing/w_Preview.h"
#include "support/TestSession.h"
#include "ExportFixture.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>

namespace {

class ScriptedChooser : public FileChooser
{
public:
    QString fileToOpen(QWidget*, const QString&, const QString&) override { return {}; }
    QString fileToSave(QWidget*, const QString&, const QString&, const QString&) override
    {
        ++asked;
        return answer;
    }
    QString answer;
    int asked = 0;
};

QPushButton* button(QWidget& w, const char* name)
{
    return w.findChild<QPushButton*>(QLatin1String(name));
}

QString labelText(QWidget& w, const char* name)
{
    return w.findChild<QLabel*>(QLatin1String(name))->text();
}

void open(w_Preview& w)
{
    w.show();
    QTRY_VERIFY(!w.findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
}

bool showsRed(w_Preview& w)
{
    const QImage image = w.findChild<QLabel*>(QStringLiteral("L_Card"))->pixmap().toImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == qRgb(255, 0, 0))
                return true;
    return false;
}

// The 1 mm cells of `image` (at `dpi`) that hold ink.
QSet<QPair<int, int>> inkCells(const QImage& image, double dpi)
{
    const double pxPerMm = dpi / 25.4;
    QSet<QPair<int, int>> cells;
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* line = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x)
            if (line[x] < 128)
                cells.insert({int(x / pxPerMm), int(y / pxPerMm)});
    }
    return cells;
}

// Cells of `a` with no ink in `b` at the same cell or a neighbour.
int unmatched(const QSet<QPair<int, int>>& a, const QSet<QPair<int, int>>& b)
{
    int count = 0;
    for (const auto& c : a) {
        bool near = false;
        for (int dx = -1; dx <= 1 && !near; ++dx)
            for (int dy = -1; dy <= 1 && !near; ++dy)
                near = b.contains({c.first + dx, c.second + dy});
        count += near ? 0 : 1;
    }
    return count;
}

QImage printedCard(const QList<CardLabel>& labels, const GuestNameSetting& setting, const QString& name,
                   double dpi)
{
    QTemporaryDir dir;
    PdfCardPrinter printer(dir.path());
    printer.setUnitMillimetres();
    printer.setOrigin(0, 0);
    if (!drawLabels(printer, labels).isOk() || !drawGuestName(printer, setting, name).isOk() ||
        !printer.endDocument().isOk())
        return {};
    const QString png = dir.filePath(QStringLiteral("card"));
    QProcess::execute(QStringLiteral("pdftoppm"),
                      {QStringLiteral("-png"), QStringLiteral("-r"), QString::number(dpi),
                       QStringLiteral("-singlefile"), printer.writtenFiles().first(), png});
    return QImage(png + QStringLiteral(".png"));
}

} // namespace

class tst_w_preview : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Startup::installFontSubstitutions(); }
    void cleanup() { FileChooser::setCurrent(nullptr); }

    void previewDrawsTheInkOfThePrintedCard()
    {
        QList<CardLabel> labels(3);
        labels[0] =
            CardLabel{QStringLiteral("标题"), QStringLiteral("婚礼请柬"), 30, 12, QStringLiteral("宋体"), 24,
                      QStringLiteral("粗体")};
        labels[1] = CardLabel{QStringLiteral("时间"),
                              QStringLiteral("时间：五月一日\n地点：和平饭店"),
                              15,
                              60,
                              QStringLiteral("黑体"),
                              12,
                              QStringLiteral("常规")};
        labels[2] = CardLabel{
            QStringLiteral("落款"), QStringLiteral("  敬邀  "), 120, 200, QStringLiteral("楷体"), 16,
            QStringLiteral("斜体")};
        GuestNameSetting setting{40, 35.5, QStringLiteral("楷体"), 20, QStringLiteral("常规")};
        const double dpi = 100;
        const QPageLayout a4 = PdfCardPrinter::defaultLayout();

        const QImage printed = printedCard(labels, setting, QStringLiteral("欧阳娜娜"), dpi);
        QVERIFY(!printed.isNull());
        const CardPreviewImage preview =
            renderCardPreview(a4, labels, setting, QStringLiteral("欧阳娜娜"), dpi);
        const QImage shown = preview.image.copy(preview.printableRect.toRect());
        const auto printedInk = inkCells(printed, dpi);
        const auto shownInk = inkCells(shown, dpi);
        QVERIFY(printedInk.size() > 100);
        QCOMPARE(unmatched(printedInk, shownInk), 0);
        QCOMPARE(unmatched(shownInk, printedInk), 0);

        // The comparison sees a name 3 mm off.
        setting.xMm += 3;
        const CardPreviewImage moved =
            renderCardPreview(a4, labels, setting, QStringLiteral("欧阳娜娜"), dpi);
        QVERIFY(unmatched(inkCells(moved.image.copy(moved.printableRect.toRect()), dpi), printedInk) > 5);
    }

    void stepsAndFindsGuests()
    {
        TestSession t;
        addExportStyle(
            t.db, 1, QStringLiteral("婚宴"),
            {QStringLiteral("张三"), QStringLiteral("李四"), QStringLiteral("张伟"), QStringLiteral("刘洋")});
        t.choose(1, QStringLiteral("婚宴"));
        w_Preview w(t.session);
        open(w);
        QCOMPARE(w.windowTitle(), QStringLiteral("请柬预览"));
        QCOMPARE(labelText(w, "L_Title"), QStringLiteral("婚宴"));
        QCOMPARE(labelText(w, "L_Guest"), QStringLiteral("第 1 / 4 位: 张三"));
        QVERIFY(!button(w, "Cmd_First")->isEnabled() && !button(w, "Cmd_Prev")->isEnabled());

        QTest::mouseClick(button(w, "Cmd_Next"), Qt::LeftButton);
        QCOMPARE(labelText(w, "L_Guest"), QStringLiteral("第 2 / 4 位: 李四"));
        QTest::mouseClick(button(w, "Cmd_Last"), Qt::LeftButton);
        QCOMPARE(w.currentGuest(), 3);
        QVERIFY(!button(w, "Cmd_Next")->isEnabled() && !button(w, "Cmd_Last")->isEnabled());
        QTest::mouseClick(button(w, "Cmd_Prev"), Qt::LeftButton);
        QCOMPARE(w.currentGuest(), 2);
        QTest::mouseClick(button(w, "Cmd_First"), Qt::LeftButton);
        QCOMPARE(w.currentGuest(), 0);

        // Finding goes on from the guest shown and comes round to the start.
        auto* find = w.findChild<QLineEdit*>(QStringLiteral("T_Find"));
        find->setText(QStringLiteral("张"));
        QTest::keyClick(find, Qt::Key_Return);
        QCOMPARE(w.currentGuest(), 2);
        QTest::mouseClick(button(w, "Cmd_Find"), Qt::LeftButton);
        QCOMPARE(w.currentGuest(), 0);
        find->setText(QStringLiteral("王"));
        QTest::mouseClick(button(w, "Cmd_Find"), Qt::LeftButton);
        QCOMPARE(w.currentGuest(), 0);
        QCOMPARE(t.messages.last().title, QStringLiteral("提醒"));
        QCOMPARE(t.messages.last().text, QStringLiteral("没有找到姓名中含有“王”的宾客。"));

        // Fit and real size.
        QTest::mouseClick(button(w, "Cmd_Actual"), Qt::LeftButton);
        QCOMPARE(w.zoomDpi(), double(w.logicalDpiX()));
        QTest::mouseClick(button(w, "Cmd_Fit"), Qt::LeftButton);
        QVERIFY(w.zoomDpi() < w.logicalDpiX());
    }

    void marksTextsThatWillNotPrintWhole()
    {
        TestSession t;
        addExportStyle(t.db, 1, QStringLiteral("婚宴"), {QStringLiteral("张三"), QStringLiteral("李\uE000")});
        t.choose(1, QStringLiteral("婚宴"));
        {
            w_Preview w(t.session);
            open(w);
            QCOMPARE(labelText(w, "L_Note"), QString());
            QVERIFY(!showsRed(w));
            QTest::mouseClick(button(w, "Cmd_Next"), Qt::LeftButton);
            QCOMPARE(labelText(w, "L_Note"),
                     QStringLiteral("宾客姓名中的“\uE000”(U+E000)没有字体可以打印。"));
            QVERIFY(showsRed(w));
        }

        // The window reads what is saved when it opens: a label and the name moved past the edge.
        t.db.exec(QStringLiteral("UPDATE Main SET KeyX = 400 WHERE Keywords = '邀请'"));
        t.db.exec(QStringLiteral("UPDATE GuestXY SET keyy = -5 WHERE ListID = 1"));
        w_Preview w(t.session);
        open(w);
        QCOMPARE(labelText(w, "L_Note"),
                 QStringLiteral("标签“邀请”超出了可打印区域；宾客姓名超出了可打印区域。"));
        QVERIFY(showsRed(w));
    }

    void exportsFromTheWindow()
    {
        TestSession t;
        addExportStyle(t.db, 1, QStringLiteral("婚宴"),
                       {QStringLiteral("张三"), QStringLiteral("李四"), QStringLiteral("刘洋")});
        t.db.addStyle(2, QStringLiteral("空"), 1, 0);
        QTemporaryDir out;
        ScriptedChooser chooser;
        FileChooser::setCurrent(&chooser);
        const QString before = t.db.snapshot();

        t.choose(1, QStringLiteral("婚宴"));
        {
            w_Preview w(t.session);
            open(w);
            chooser.answer.clear(); // the user cancels the file dialog
            QTest::mouseClick(button(w, "Cmd_Export"), Qt::LeftButton);
            QCOMPARE(t.messages.count(), 0);

            chooser.answer = out.filePath(QStringLiteral("cards.pdf"));
            QTest::mouseClick(button(w, "Cmd_Export"), Qt::LeftButton);
            QCOMPARE(t.messages.last().title, QStringLiteral("告知"));
            QVERIFY(t.messages.last().text.startsWith(QStringLiteral("已将3位宾客的请柬导出到")));
            QCOMPARE(pageCount(chooser.answer), 3);
            QCOMPARE(findWord(pageWords(chooser.answer, 3), QStringLiteral("刘洋")).text,
                     QStringLiteral("刘洋"));
        }

        // A style without guests is refused before any file is asked for.
        t.choose(2, QStringLiteral("空"));
        w_Preview w(t.session);
        open(w);
        QCOMPARE(labelText(w, "L_Guest"), QStringLiteral("该样式还没有宾客"));
        const int asked = chooser.asked;
        QTest::mouseClick(button(w, "Cmd_Export"), Qt::LeftButton);
        QCOMPARE(chooser.asked, asked);
        QCOMPARE(t.messages.last().title, QStringLiteral("提醒"));
        QVERIFY(t.messages.last().text.contains(QStringLiteral("还没有任何宾客")));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{QStringLiteral("cards.pdf")});
        QCOMPARE(t.db.snapshot(), before);
    }

    void settingsWindowOpensThePreview()
    {
        TestSession t;
        addExportStyle(t.db, 1, QStringLiteral("婚宴"), {QStringLiteral("张三")});
        t.choose(1, QStringLiteral("婚宴"));
        w_PRNSet settings(t.session);
        settings.show();
        QPushButton* preview = button(settings, "Cmd_Preview");
        QCOMPARE(preview->text(), QStringLiteral("预览(&V)..."));
        QString shown;
        auto* poll = new QTimer(&settings);
        connect(poll, &QTimer::timeout, &settings, [&] {
            auto* modal = qobject_cast<w_Preview*>(QApplication::activeModalWidget());
            if (!modal || modal->findChild<QTimer*>(QStringLiteral("Timer1"))->isActive())
                return;
            poll->stop();
            shown = modal->findChild<QLabel*>(QStringLiteral("L_Guest"))->text();
            modal->reject();
        });
        poll->start(5);
        QTest::mouseClick(preview, Qt::LeftButton);
        QCOMPARE(shown, QStringLiteral("第 1 / 1 位: 张三"));
    }
};

QTEST_MAIN(tst_w_preview)
#include "tst_w_preview.moc"
