// A print run on a temporary database with a recording printer, loaded on one style and driven as
// the main window drives it: presses of the print button in either mode and ticks of its timer.
#pragma once

#include "core/app/Startup.h"
#include "core/printing/PrintRun.h"
#include "support/TestSession.h"

#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;
using RunState = PrintRun::State;

struct PrintFixture
{
    /// A style 1 "婚宴" with `guests` guests (宾客1, 宾客2 ...), the name in 楷体 20 at (60, 90), no labels.
    explicit PrintFixture(int guests = 3)
    {
        t.db.addStyle(1, u"婚宴"_s, 0, guests);
        t.db.exec(u"UPDATE GuestXY SET keyx = 60, keyy = 90, keyfont = '楷体', keyfontsize = '20', "
                  "keyfontstyle = '常规' WHERE ListID = 1"_s);
        t.choose(1, u"婚宴"_s);
    }

    void addLabel(const QString& text = u"请柬"_s, const QString& font = u"宋体"_s,
                  const QVariant& size = u"12"_s, const QVariant& style = u"常规"_s)
    {
        t.db.exec(u"INSERT INTO Main (ListID, Keywords, KeyValue, KeyX, KeyY, KeyFont, KeyFontSize, "
                  "KeyFontStyle) VALUES (1, ?, ?, 1, 2, ?, ?, ?)"_s,
                  {u"标签%1"_s.arg(++m_labels), text, font, size, style});
    }

    /// Loads style 1 into a new run, as the main window does after the style chooser.
    void open()
    {
        run = std::make_unique<PrintRun>(t.store, t.printer, t.messages);
        reload();
    }
    void reload() { run->load(1, u"婚宴"_s); }

    QTimer* timer() { return run->findChild<QTimer*>(u"Timer_Print"_s); }
    void pressAll() { run->press(PrintRun::Mode::Automatic); }
    void pressOne() { run->press(PrintRun::Mode::OneByOne); }
    /// One tick of the print timer, as if its interval had passed.
    void tick() { QMetaObject::invokeMethod(timer(), "timeout"); }
    RunState state() const { return run->state(); }

    TestSession t;
    std::unique_ptr<PrintRun> run;

private:
    int m_labels = 0;
};
