// A main window on a temporary database with a recording printer, loaded on one style and driven
// through its print button, for the print tests.
#pragma once

#include "app/Startup.h"
#include "printing/w_Main.h"
#include "support/TestSession.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <memory>

struct PrintFixture
{
    /// A style 1 "婚宴" with `guests` guests (宾客1, 宾客2 ...) and no labels yet.
    explicit PrintFixture(int guests = 3)
    {
        t.db.addStyle(1, QStringLiteral("婚宴"), 0, guests);
        t.db.exec(
            QStringLiteral("UPDATE GuestXY SET keyx = 60, keyy = 90, keyfont = '楷体', keyfontsize = '20', "
                           "keyfontstyle = '常规' WHERE ListID = 1"));
    }

    void addLabel(const QString& text, double x, double y, const QString& font, const QVariant& size,
                  const QVariant& style)
    {
        t.db.exec(
            QStringLiteral("INSERT INTO Main (ListID, Keywords, KeyValue, KeyX, KeyY, KeyFont, KeyFontSize, "
                           "KeyFontStyle) VALUES (1, ?, ?, ?, ?, ?, ?, ?)"),
            {QStringLiteral("标签%1").arg(++m_labels), text, x, y, font, size, style});
    }

    /// Shows the main window and loads style 1 as the style chooser would.
    w_Main& open()
    {
        window = std::make_unique<w_Main>(t.session);
        window->show();
        t.choose(1, QStringLiteral("婚宴"));
        reload();
        return *window;
    }

    void reload()
    {
        window->requestReload();
        QTRY_VERIFY(!timer("Timer_Load")->isActive());
    }

    QTimer* timer(const char* name) { return window->findChild<QTimer*>(QLatin1String(name)); }
    QPushButton* button(const char* name) { return window->findChild<QPushButton*>(QLatin1String(name)); }
    QString text(const char* name) { return window->findChild<QLabel*>(QLatin1String(name))->text(); }
    QString caption() { return button("Cmd_Print")->text(); }

    void selectOne() { window->findChild<QRadioButton*>(QStringLiteral("O_One"))->click(); }
    void selectAll() { window->findChild<QRadioButton*>(QStringLiteral("O_All"))->click(); }
    void clickPrint() { QTest::mouseClick(button("Cmd_Print"), Qt::LeftButton); }

    TestSession t;
    std::unique_ptr<w_Main> window;

private:
    int m_labels = 0;
};
