// The card designer driven as a user drives it, with the mouse and the keys on a real database file:
// drags at known zooms, nudges, several items at once, undo and redo, the property panel's
// checks, the background, saving, the question on closing, and the windows that open it.
#include "core/app/Startup.h"
#include "core/design/DesignCanvas.h"
#include "core/store/DesignStore.h"
#include "support/TestSession.h"
#include "support/Widgets.h"
#include "ui/designer/w_Designer.h"
#include "ui/labels/w_PRNSet.h"
#include "ui/preview/w_Preview.h"
#include "ui/styles/w_QJList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QSlider>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Style 1: labels 甲 (10, 20), 乙 (80, 20) and 丙 (10, 80) in 宋体 12, the name at (80, 80) in
// 楷体 20, two guests; its paper A5.
struct Styled : TestSession
{
    Styled();
};

Styled::Styled()
{
    TestSession& t = *this;
    t.db.addStyle(1, u"婚宴"_s, 0, 2);
    t.db.exec(u"UPDATE GuestXY SET keyx = 80, keyy = 80, keyfont = '楷体', keyfontsize = '20', "
              "keyfontstyle = '常规' WHERE ListID = 1"_s);
    for (const auto& [name, x, y] :
         {std::tuple{"甲", 10, 20}, std::tuple{"乙", 80, 20}, std::tuple{"丙", 10, 80}})
        t.db.exec(
            u"INSERT INTO Main (ListID, Keywords, KeyValue, KeyX, KeyY, KeyFont, KeyFontSize, KeyFontStyle) "
            "VALUES (1, ?, ?, ?, ?, '宋体', '12', '常规')"_s,
            {QString::fromUtf8(name), u"%1的文字"_s.arg(QString::fromUtf8(name)), x, y});
    t.db.exec(u"INSERT INTO StylePrinter (ListID, PaperWidth, PaperHeight) VALUES (1, 148, 210)"_s);
    t.choose(1, u"婚宴"_s);
}

struct Opened
{
    explicit Opened(TestSession& t, const char* zoom = nullptr) : w(t.session)
    {
        w.resize(1200, 860);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        waitFor(w, "Timer_Load");
        QVERIFY(w.document());
        if (zoom)
            click(w, zoom);
    }
    DesignDocument& d() { return *w.document(); }
    QWidget* card() { return child(w, "P_Card"); }
    DesignKey key(int index) { return d().keys().at(index); }
    // The middle of an item on the card, scrolled into view.
    QPoint at(DesignKey key)
    {
        const QPoint p = w.canvas()->boxPx(key).center();
        child<QScrollArea>(w, "F_Scroll")->ensureVisible(p.x(), p.y(), 80, 80);
        return p;
    }
    void drag(const QPoint& from, const QPoint& to, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mousePress(card(), Qt::LeftButton, modifiers, from);
        QTest::mouseMove(card(), (from + to) / 2);
        QTest::mouseMove(card(), to);
        QTest::mouseRelease(card(), Qt::LeftButton, modifiers, to);
    }
    QPointF position(int index) { return d().positionMm(key(index)); }

    w_Designer w;
};

// Replaces the text as a user types it (one key event carrying the whole text, as an input method
// delivers Chinese) and presses Enter.
void type(QLineEdit* box, const QString& text)
{
    box->setFocus();
    box->clear();
    QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, text, Qt::NoModifier);
    QTest::keyClick(box, Qt::Key_Return);
}

} // namespace

class tst_w_designer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Startup::installFontSubstitutions(); }

    // Catches pixels taken for millimetres at some zoom (or the zoom of the screen mistaken), a
    // drag that jumps by the distance the pointer needed to start it, and a drag that never
    // reaches the database.
    void aDragMovesByThePixelsAtTheZoom_data()
    {
        QTest::addColumn<QString>("zoom");
        QTest::addColumn<QPoint>("by");
        QTest::newRow("fit") << u"Cmd_Fit"_s << QPoint(37, -11);
        QTest::newRow("100%") << u"Cmd_Zoom100"_s << QPoint(-23, 41);
        QTest::newRow("200%") << u"Cmd_Zoom200"_s << QPoint(55, 7);
    }
    void aDragMovesByThePixelsAtTheZoom()
    {
        QFETCH(QString, zoom);
        QFETCH(QPoint, by);
        Styled t;
        Opened o(t, zoom.toLatin1().constData());
        if (zoom != u"Cmd_Fit"_s)
            QCOMPARE(o.w.zoomDpi(), (zoom == u"Cmd_Zoom100"_s ? 1 : 2) * o.w.trueSizeDpi());
        const double dotsPerMm = o.w.zoomDpi() / 25.4;
        const QPointF before = o.position(1);
        const QPoint from = o.at(o.key(1));
        o.drag(from, from + by);
        const QPointF moved = o.position(1) - before;
        QVERIFY2(qAbs(moved.x() - by.x() / dotsPerMm) < 0.05 && qAbs(moved.y() - by.y() / dotsPerMm) < 0.05,
                 qPrintable(u"%1, %2 mm at %3 dpi"_s.arg(moved.x()).arg(moved.y()).arg(o.w.zoomDpi())));
        QCOMPARE(o.position(0), QPointF(10, 20)); // only the item taken moved
        click(o.w, "Cmd_Save");
        QCOMPARE(t.db.scalar(u"SELECT KeyX FROM Main WHERE Keywords = '乙'"_s).toDouble(), o.position(1).x());
        QCOMPARE(t.db.scalar(u"SELECT KeyY FROM Main WHERE Keywords = '乙'"_s).toDouble(), o.position(1).y());
    }

    // Catches nudges of the wrong size, a selection that forgets items picked with Shift or Ctrl or
    // by the band, items of a selection moving apart, and undo or redo that do not restore every
    // position exactly.
    void severalItemsMoveTogetherAndUndoRestoresThemExactly()
    {
        Styled t;
        Opened o(t, "Cmd_Zoom100");
        const QList<QPointF> start{o.position(0), o.position(1), o.position(2), o.position(3)};
        QTest::mouseClick(o.card(), Qt::LeftButton, {}, o.at(o.key(0)));
        QTest::mouseClick(o.card(), Qt::LeftButton, Qt::ShiftModifier, o.at(o.key(1)));
        QTest::mouseClick(o.card(), Qt::LeftButton, Qt::ControlModifier, o.at(kGuestNameKey));
        QCOMPARE(o.w.canvas()->selection().size(), 3);
        QTest::keyClick(o.card(), Qt::Key_Right);
        QTest::keyClick(o.card(), Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(o.position(1), start.at(1) + QPointF(0.1, 1));
        QCOMPARE(o.position(3), start.at(3) + QPointF(0.1, 1));
        const QPoint from = o.at(o.key(0));
        o.drag(from, from + QPoint(30, 30));
        const QPointF moved = o.position(0) - start.at(0);
        QCOMPARE(o.position(1) - start.at(1), moved);
        QCOMPARE(o.position(3) - start.at(3), moved);
        QCOMPARE(o.position(2), start.at(2));
        QCOMPARE(o.d().undoStack().count(), 3); // the drag of three items is one step

        for (int i = 0; i < 3; ++i)
            QTest::keyClick(&o.w, Qt::Key_Z, Qt::ControlModifier);
        for (int i = 0; i < 4; ++i) // exactly, not nearly
            QVERIFY(o.position(i).x() == start.at(i).x() && o.position(i).y() == start.at(i).y());
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(&o.w, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(o.position(0), start.at(0) + moved);
        QVERIFY(!o.d().undoStack().canRedo());

        // A band from an empty spot over 甲 and 丙 picks both and nothing else.
        const QPoint corner = o.w.canvas()->toPx(o.position(0) - QPointF(3, 3)).toPoint();
        o.drag(corner, o.w.canvas()->boxPx(o.key(2)).bottomRight() + QPoint(2, 2));
        QCOMPARE(o.w.canvas()->selection(), (QList<DesignKey>{o.key(0), o.key(2)}));
    }

    // Catches a drag or nudge that takes a label to a negative position, which the label window
    // then refuses to keep, and a selection pulled out of shape where one of its items stops.
    void labelsStopWhereTheLabelWindowStops()
    {
        Styled t;
        Opened o(t, "Cmd_Zoom100");
        const double dotsPerMm = o.w.zoomDpi() / 25.4;
        QTest::mouseClick(o.card(), Qt::LeftButton, {}, o.at(o.key(0)));
        QTest::mouseClick(o.card(), Qt::LeftButton, Qt::ShiftModifier, o.at(o.key(1)));
        const QPoint from = o.at(o.key(0));
        o.drag(from, from + QPoint(qRound(-30 * dotsPerMm), qRound(-25 * dotsPerMm)));
        QCOMPARE(o.position(0), QPointF(0, 0));
        QCOMPARE(o.position(1), QPointF(70, 0));
        const int steps = o.d().undoStack().count();
        QTest::keyClick(o.card(), Qt::Key_Left);
        QTest::keyClick(o.card(), Qt::Key_Up, Qt::ShiftModifier);
        QCOMPARE(o.d().undoStack().count(), steps); // nothing moved, nothing to undo
        // A label added by a double click left of and above the printable area lands on its corner.
        QTest::mouseDClick(o.card(), Qt::LeftButton, {}, o.w.canvas()->toPx(QPointF(-2, -2)).toPoint());
        QTRY_VERIFY(child(o.w, "T_InPlace")->isVisible());
        QTest::keyClick(child(o.w, "T_InPlace"), Qt::Key_Escape);
        QCOMPARE(o.d().positionMm(o.d().keys().at(3)), QPointF(0, 0));
        // The guest's name may lie left of the printable area, as the settings window allows.
        o.d().moveItems({kGuestNameKey}, QPointF(-85, 0));
        QCOMPARE(o.d().positionMm(kGuestNameKey), QPointF(-5, 80));
        click(o.w, "Cmd_Save");
        QCOMPARE(t.db.scalar(u"SELECT min(KeyX) || ',' || min(KeyY) FROM Main"_s).toString(), u"0.0,0.0"_s);
    }

    // Catches values the label window refuses taken from the panel, a refused edit that still
    // changes the design, and edits in place or of the font that miss the label.
    void thePanelAndTheCardEditAsTheLabelWindowDoes()
    {
        Styled t;
        Opened o(t);
        QTest::mouseClick(o.card(), Qt::LeftButton, {}, o.at(o.key(0)));
        type(child<QLineEdit>(o.w, "T_X"), u"3001"_s);
        QCOMPARE(t.messages.last().text, u"横坐标必须在 0 到 3000 毫米之间，请检查后重新输入。"_s);
        QCOMPARE(child<QLineEdit>(o.w, "T_X")->text(), u"10"_s);
        type(child<QLineEdit>(o.w, "T_Y"), u"25.5"_s);
        QCOMPARE(o.d().undoStack().count(), 1);
        QCOMPARE(o.position(0), QPointF(10, 25.5));

        QTest::mouseDClick(o.card(), Qt::LeftButton, {}, o.at(o.key(0)));
        auto* inPlace = child<QPlainTextEdit>(o.w, "T_InPlace");
        QTRY_VERIFY(inPlace->isVisible());
        inPlace->setPlainText(u"敬请\n光临"_s);
        QTest::keyClick(inPlace, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(o.d().label(o.key(0))->text, u"敬请\n光临"_s);
        t.fonts.setNextChoice({u"黑体"_s, 10.5, true, false});
        click(o.w, "Cmd_SelFont");
        QCOMPARE(o.d().label(o.key(0))->fontSize, u"10.5"_s);
        QCOMPARE(o.d().label(o.key(0))->styleWord, u"粗体"_s);
        QVERIFY(!t.fonts.requests().last().scalableOnly); // the guest name's font would be

        // A double click on empty paper adds a label there, and Delete takes it away again.
        const QPoint empty = o.w.canvas()->toPx(QPointF(40, 120)).toPoint();
        QTest::mouseDClick(o.card(), Qt::LeftButton, {}, empty);
        QTRY_VERIFY(inPlace->isVisible());
        QTest::keyClick(inPlace, Qt::Key_Escape);
        QCOMPARE(o.d().keys().size(), 5);
        QVERIFY(qAbs(o.position(3).x() - 40) < 0.2 && qAbs(o.position(3).y() - 120) < 0.2);
        QTest::keyClick(o.card(), Qt::Key_Delete);
        QCOMPARE(o.d().keys().size(), 4);
    }

    // Catches a panel that, with several items selected, overwrites the fit width they do not share
    // with the empty box it shows, or gives a new anchor or size to one item only.
    void severalItemsKeepWhatThePanelCannotShow()
    {
        Styled t;
        Opened o(t, "Cmd_Zoom100");
        QTest::mouseClick(o.card(), Qt::LeftButton, {}, o.at(o.key(0)));
        type(child<QLineEdit>(o.w, "T_FitWidth"), u"30"_s);
        QCOMPARE(o.d().placement(o.key(0)).fitWidthMm, 30.0);
        QTest::mouseClick(o.card(), Qt::LeftButton, Qt::ShiftModifier, o.at(o.key(1)));
        QCOMPARE(child<QLineEdit>(o.w, "T_FitWidth")->text(), QString());
        type(child<QLineEdit>(o.w, "T_FontSize"), u"14"_s);
        auto* anchor = child<QComboBox>(o.w, "Combo_Anchor");
        anchor->setCurrentIndex(anchor->findText(u"中"_s));
        emit anchor->activated(anchor->currentIndex());
        for (const auto& [index, fit] : {std::pair{0, 30.0}, std::pair{1, 0.0}}) {
            QCOMPARE(o.d().placement(o.key(index)).fitWidthMm, fit);
            QCOMPARE(o.d().placement(o.key(index)).anchor, TextAnchor::Centre);
            QCOMPARE(o.d().label(o.key(index))->fontSize, u"14"_s);
        }
        QCOMPARE(o.d().undoStack().count(), 3); // the fit width, the size, the anchor
    }

    // Catches a background that does not come back with the style, the question on closing with
    // changes, and a save that fails reported as done. (Refused scans: the background file test.)
    void theBackgroundAndClosingWithChanges()
    {
        Styled t;
        const QString before = t.db.snapshot();
        {
            Opened o(t);
            t.files.openAnswer = QStringLiteral(FENNICK_SOURCE_DIR) + u"/src/ui/about/sign.png"_s;
            click(o.w, "Cmd_Background");
            QVERIFY(child(o.w, "G_Background")->isEnabled());
            child<QSlider>(o.w, "S_Opacity")->setValue(80);
            type(child<QLineEdit>(o.w, "T_BgX"), u"-1.5"_s);

            t.messages.setNextAnswer(MessageService::Answer::Cancel);
            click(o.w, "Cmd_Close");
            QVERIFY(o.w.isVisible());
            t.messages.setNextAnswer(MessageService::Answer::No);
            click(o.w, "Cmd_Close");
            QVERIFY(!o.w.isVisible());
            QVERIFY(t.messages.lastSays(u"还没有保存"_s));
        }
        QCOMPARE(t.db.snapshot(), before);
        {
            Opened o(t);
            click(o.w, "Cmd_Background");
            child<QSlider>(o.w, "S_Opacity")->setValue(80);
            QSignalSpy saved(&o.w, &w_Designer::designSaved);
            t.db.exec(u"CREATE TRIGGER refuse BEFORE INSERT ON StyleBackground "
                      "BEGIN SELECT RAISE(ABORT, '磁盘配额已满'); END"_s);
            t.messages.setNextAnswer(MessageService::Answer::Yes);
            click(o.w, "Cmd_Close");
            QVERIFY(t.messages.lastSays(u"磁盘配额已满"_s) && t.messages.lastSays(u"保持原样"_s));
            QVERIFY(o.w.isVisible());
            QCOMPARE(saved.count(), 0);
            t.db.exec(u"DROP TRIGGER refuse"_s);
            t.messages.setNextAnswer(MessageService::Answer::Yes);
            click(o.w, "Cmd_Close");
            QVERIFY(!o.w.isVisible());
            QCOMPARE(saved.count(), 1);
        }
        Opened again(t);
        QVERIFY(again.d().hasBackground());
        QCOMPARE(again.d().background().placement.opacity, 0.8);
    }

    // Catches a preview that shows the background when it was not asked to, or not when it was.
    void thePreviewShowsTheBackgroundWhenAsked()
    {
        Styled t;
        QTemporaryDir dir;
        QImage black(148, 210, QImage::Format_RGB32);
        black.fill(Qt::black);
        QVERIFY(black.save(dir.filePath(u"scan.png"_s)));
        {
            Opened o(t);
            t.files.openAnswer = dir.filePath(u"scan.png"_s);
            click(o.w, "Cmd_Background");
            child<QCheckBox>(o.w, "Chk_BgPreview")->setChecked(true);
            click(o.w, "Cmd_Save");
        }
        w_Preview preview(t.session);
        preview.show();
        waitFor(preview, "Timer1");
        auto* shown = child<QCheckBox>(preview, "Chk_Background");
        QVERIFY(shown->isVisible() && shown->isChecked());
        const auto paperAt = [&] {
            // A spot of the paper far from any text: 140 mm across, 200 mm down, on an 8 mm desk.
            const double dotsPerMm = preview.zoomDpi() / 25.4;
            return child<QLabel>(preview, "L_Card")
                ->pixmap()
                .toImage()
                .pixelColor(QPointF((8 + 140) * dotsPerMm, (8 + 200) * dotsPerMm).toPoint());
        };
        QVERIFY2(paperAt().lightness() < 160, qPrintable(paperAt().name())); // half faded black
        shown->setChecked(false);
        QCOMPARE(paperAt(), QColor(Qt::white));
    }

    // Catches a settings window that overwrites the design with its own stale boxes, or does not
    // show what the designer saved; and a style chooser that does not pass the save on.
    void theOpenersReloadAfterASave()
    {
        Styled t;
        w_PRNSet settings(t.session);
        settings.show();
        waitFor(settings, "Timer1");
        auto* guestX = child<QLineEdit>(settings, "T_GX");
        guestX->setText(u"12"_s); // typed, not saved
        QSignalSpy relayed(&settings, &w_PRNSet::designSaved);
        onNextModal<w_Designer>([&](w_Designer& w) {
            waitFor(w, "Timer_Load");
            w.document()->moveItems({w.document()->keys().at(0), kGuestNameKey}, QPointF(1, 0));
            click(w, "Cmd_Save");
            click(w, "Cmd_Close");
        });
        t.messages.setNextAnswer(MessageService::Answer::Yes);
        click(settings, "Cmd_Design");
        QVERIFY2(t.messages.shown().first().text.contains(u"设计请柬之前是否保存"_s),
                 qPrintable(t.messages.shown().first().text));
        QCOMPARE(relayed.count(), 1);
        QCOMPARE(guestX->text(), u"13"_s); // saved first, then moved by the designer
        const auto* grid = child<QTableView>(settings, "DG_PRN");
        QCOMPARE(grid->model()->index(0, 2).data().toString(), u"11"_s);
        settings.close();

        w_QJList chooser(t.session);
        QSignalSpy passed(&chooser, &w_QJList::designSaved);
        chooser.show();
        waitFor(chooser, "Timer_LoadList");
        onNextModal<w_Designer>([&](w_Designer& w) {
            waitFor(w, "Timer_Load");
            QTest::keyClick(child(w, "P_Card"), Qt::Key_Right); // nothing selected: nothing moves
            QVERIFY(!w.document()->isModified());
            w.document()->moveItems({kGuestNameKey}, QPointF(0, 2));
            click(w, "Cmd_Save");
            click(w, "Cmd_Close");
        });
        child<QComboBox>(chooser, "Combo_QJList")->setCurrentIndex(0);
        click(chooser, "Cmd_Design");
        QCOMPARE(passed.count(), 1);
        QCOMPARE(t.db.scalar(u"SELECT keyy FROM GuestXY WHERE ListID = 1"_s).toDouble(), 82.0);

        // A new style has no guest font yet: a changed paper is saved alone and the designer opens.
        t.db.addStyle(2, u"寿宴"_s);
        t.choose(2, u"寿宴"_s);
        w_PRNSet fresh(t.session);
        fresh.show();
        waitFor(fresh, "Timer1");
        child<QRadioButton>(fresh, "O_Landscape")->setChecked(true);
        bool opened = false;
        onNextModal<w_Designer>([&](w_Designer& w) {
            opened = true;
            w.reject();
        });
        t.messages.setNextAnswer(MessageService::Answer::Yes);
        click(fresh, "Cmd_Design");
        QVERIFY(opened);
        QCOMPARE(t.db.scalar(u"SELECT Landscape FROM StylePrinter WHERE ListID = 2"_s).toInt(), 1);
    }
};

QTEST_MAIN(tst_w_designer)
#include "tst_w_designer.moc"
