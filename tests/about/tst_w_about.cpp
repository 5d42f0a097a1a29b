// The about window: the version text, the terms, the two links handed to the desktop, and the main
// window's buttons that open the about and help windows.
#include "about/w_About.h"
#include "about/w_Help.h"
#include "printing/w_Main.h"
#include "support/TestSession.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>

// Receives the links the window asks the desktop to open.
class LinkCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.append(url); }
};

namespace {

QLabel* label(QWidget& w, const char* name)
{
    return w.findChild<QLabel*>(QLatin1String(name));
}

} // namespace

class tst_w_about : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        for (const QString& scheme :
             {QStringLiteral("mailto"), QStringLiteral("https"), QStringLiteral("http")})
            QDesktopServices::setUrlHandler(scheme, &m_links, "open");
    }

    void showsNameVersionAndTerms()
    {
        TestSession t;
        w_About about(t.session);
        QCOMPARE(about.windowTitle(), QStringLiteral("关于 Zanbor Fennick"));
        QCOMPARE(label(about, "Label1")->text(), QStringLiteral("Fennick"));
        QVERIFY(label(about, "Label1")->font().bold());
        // Three numbers from the project's version and the fixed build mark; never the design caption.
        QCOMPARE(label(about, "L_VER")->text(), QStringLiteral(FENNICK_VERSION_STRING " (110516)"));
        QVERIFY(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+ \\(110516\\)$"))
                    .match(label(about, "L_VER")->text())
                    .hasMatch());
        QCOMPARE(label(about, "Label4")->text(), QStringLiteral("使用条款："));
        QCOMPARE(label(about, "Label2")->text(), QStringLiteral("电邮："));
        QCOMPARE(label(about, "Label6")->text(), QStringLiteral("微博："));

        auto* terms = about.findChild<QPlainTextEdit*>(QStringLiteral("Text1"));
        QVERIFY(terms->isReadOnly());
        const QStringList paragraphs = terms->toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(paragraphs.size(), 4);
        for (const QString& paragraph : paragraphs)
            QVERIFY(paragraph.startsWith(QStringLiteral("    ")) && paragraph.at(4) != QLatin1Char(' '));
    }

    void linksGoToTheDesktop()
    {
        TestSession t;
        w_About about(t.session);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        m_links.opened.clear();

        QTest::mouseClick(about.findChild<QLabel*>(QStringLiteral("Img_Logo_Sign")), Qt::LeftButton);
        QVERIFY(m_links.opened.isEmpty()); // the picture reacts to no click

        QTest::mouseClick(label(about, "L_email"), Qt::LeftButton);
        QCOMPARE(m_links.opened.size(), 1);
        const QUrl mail = m_links.opened.last();
        QCOMPARE(mail.scheme(), QStringLiteral("mailto"));
        QCOMPARE(mail.path(), label(about, "L_email")->text());
        QCOMPARE(QUrlQuery(mail).queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
                 QStringLiteral("关于 Zanbor Fennick的一些问题反馈"));

        QTest::mouseClick(label(about, "L_http"), Qt::LeftButton);
        QCOMPARE(m_links.opened.size(), 2);
        QCOMPARE(m_links.opened.last(), QUrl(label(about, "L_http")->text()));
        QVERIFY(t.messages.shown().isEmpty()); // whatever the desktop does, nothing is reported

        QTest::mouseClick(about.findChild<QPushButton*>(QStringLiteral("Cmd_OK")), Qt::LeftButton);
        QCOMPARE(about.result(), int(QDialog::Accepted));
        QVERIFY(!about.isVisible());
    }

    void mainWindowOpensBothModally()
    {
        TestSession t;
        w_Main main(t.session);
        main.show();
        for (const auto& [button, window] :
             {std::pair{"Cmd_About", "w_About"}, std::pair{"Cmd_Help", "w_Help"}}) {
            QString seen;
            bool modal = false;
            QTimer::singleShot(0, [&] {
                QWidget* open = QApplication::activeModalWidget();
                if (open) {
                    seen = QString::fromLatin1(open->metaObject()->className());
                    modal = open->parentWidget() == &main;
                    open->close();
                }
            });
            QTest::mouseClick(main.findChild<QPushButton*>(QLatin1String(button)), Qt::LeftButton);
            QCOMPARE(seen, QString::fromLatin1(window));
            QVERIFY(modal);
            QVERIFY(!QApplication::activeModalWidget()); // closed and gone
        }
    }

private:
    LinkCatcher m_links;
};

QTEST_MAIN(tst_w_about)
#include "tst_w_about.moc"
