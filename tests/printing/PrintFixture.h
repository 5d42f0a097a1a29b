// A main window on a temporary database with a recording printer, loaded on one style and driven
// through its print button and print timer, for the print tests.
#pragma once

#include "core/app/Startup.h"
#include "ui/main/w_Main.h"
#include "support/TestSession.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

struct PrintFixture
{
    /// A style 1 "婚宴" with `guests` guests (宾客1, 宾客2 ...), the name in 楷体 20 at (60, 90), no labels.
    explicit PrintFixture(int guests = 3)
    {
        t.db.addStyle(1, u"婚宴"_s, 0, guests);
        t.db.exec(u"UPDATE GuestXY SET keyx = 60, keyy = 90, keyfont = '楷体', keyfontsize = '20', "
                  "keyfontstyle = '常规' WHERE ListID = 1"_s);
    }

    void addLabel(const QString& text = u"请柬"_s, const QString& font = u"宋体"_s,
                  const QVariant& size = u"12"_s, const QVariant& style = u"常规"_s)
    {
        t.db.exec(u"INSERT INTO Main (ListID, Keywords, KeyValue, KeyX, KeyY, KeyFont, KeyFontSize, "
                  "KeyFontStyle) VALUES (1, ?, ?, 1, 2, ?, ?, ?)"_s,
                  {u"标签%1"_s.arg(++m_labels), text, font, size, style});
    }

    /// Shows the main window and loads style 1 as the style chooser would.
    void open()
    {
        window = std::make_unique<w_Main>(t.session);
        window->show();
        t.choose(1, u"婚宴"_s);
        reload();
    }

    void reload()
    {
        window->requestReload();
        QVERIFY(QTest::qWaitFor([this] { return !timer("Timer_Load")->isActive(); }));
    }

    QTimer* timer(const char* name) { return window->findChild<QTimer*>(QLatin1String(name)); }
    QPushButton* button(const char* name) { return window->findChild<QPushButton*>(QLatin1String(name)); }
    QString text(const char* name) { return window->findChild<QLabel*>(QLatin1String(name))->text(); }
    QString caption() { return button("Cmd_Print")->text(); }
    w_Main::RunState state() { return window->runState(); }

    void selectOne() { window->findChild<QRadioButton*>(u"O_One"_s)->click(); }
    void selectAll() { window->findChild<QRadioButton*>(u"O_All"_s)->click(); }
    void clickPrint() { QTest::mouseClick(button("Cmd_Print"), Qt::LeftButton); }
    /// One tick of the print timer, as if its interval had passed.
    void tick() { QMetaObject::invokeMethod(timer("Timer_Print"), "timeout"); }

    TestSession t;
    std::unique_ptr<w_Main> window;

private:
    int m_labels = 0;
};
