// The check for characters no installed font can print: which texts and characters it finds, the
// question it asks when a run starts, and that No stops the run before any card.
#include "PrintFixture.h"
#include "printing/UnprintableText.h"

class tst_unprintable : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Startup::installFontSubstitutions(); }

    void findsOnlyCharactersNoFontDraws_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("missing");
        const QString song = QStringLiteral("宋体");
        QTest::newRow("common names") << QStringLiteral("王伟欧阳娜娜") << song << QString();
        QTest::newRow("latin, accents, digits") << QStringLiteral("Zoë O'Brien 3号") << song << QString();
        QTest::newRow("spaces and line breaks")
            << QStringLiteral("敬请\u3000光临\r\n\t谢谢") << song << QString();
        // Characters the card's font lacks but a fallback font has are drawn by that font.
        QTest::newRow("by a fallback font") << QStringLiteral("张\u2603") << song << QString();
        QTest::newRow("private use") << QStringLiteral("张\uE000\uE000三\uF8FF") << song
                                     << QStringLiteral("\uE000\uF8FF");
        QTest::newRow("supplementary private use")
            << (QStringLiteral("李") + QString::fromUcs4(U"\U000F0001")) << QStringLiteral("黑体")
            << QString::fromUcs4(U"\U000F0001");
        QTest::newRow("unassigned") << QStringLiteral("刘\u0378") << song << QStringLiteral("\u0378");
        QTest::newRow("unknown family still falls back")
            << QStringLiteral("张三") << QStringLiteral("没有这种字体") << QString();
    }

    void findsOnlyCharactersNoFontDraws()
    {
        QFETCH(QString, text);
        QFETCH(QString, family);
        QFETCH(QString, missing);
        GlyphCoverage coverage;
        QCOMPARE(coverage.missingCharacters(text, family), missing);
        QCOMPARE(coverage.missingCharacters(text, family), missing); // and the same from what it remembers
    }

    void questionNamesGuestsLabelsAndCharacters()
    {
        CardLabel label;
        label.keywords = QStringLiteral("落款");
        label.text = QStringLiteral("敬邀\uE001");
        label.fontName = QStringLiteral("楷体");
        GuestNameSetting setting; // never saved: the name is drawn in the default face
        GlyphCoverage coverage;
        const QList<UnprintableText> found =
            findUnprintable({label}, setting, {QStringLiteral("张三"), QStringLiteral("李\uE000")}, coverage);
        QCOMPARE(found.size(), 2);
        QVERIFY(!found[0].isGuest);
        QCOMPARE(found[0].name, QStringLiteral("落款"));
        QVERIFY(found[1].isGuest);
        QCOMPARE(found[1].name, QStringLiteral("李\uE000"));

        const QString question = unprintableQuestion(found);
        QVERIFY(question.contains(QStringLiteral("标签“落款”：“\uE001”(U+E001)")));
        QVERIFY(question.contains(QStringLiteral("宾客“李\uE000”：“\uE000”(U+E000)")));
        QVERIFY(!question.contains(QStringLiteral("张三")));
        QVERIFY(unprintableQuestion({}).isEmpty());

        // A long list is cut, and says how many were left out.
        const QList<UnprintableText> many(
            40, UnprintableText{true, QStringLiteral("某\uE000"), QStringLiteral("\uE000")});
        const QString cut = unprintableQuestion(many, 15);
        QCOMPARE(cut.count(QStringLiteral("宾客“某")), 15);
        QVERIFY(cut.contains(QStringLiteral("另有25处未列出")));
    }

    void runAsksBeforeTheFirstCard()
    {
        PrintFixture f(0);
        f.t.db.exec(QStringLiteral(
            "INSERT INTO Guests (ListID, Name) VALUES (1, '张三'), (1, '李\uE000'), (1, '刘洋')"));
        f.addLabel(QStringLiteral("请柬"), 10, 10, QStringLiteral("宋体"), QStringLiteral("12"),
                   QStringLiteral("常规"));
        f.open();
        f.selectOne();

        // No: nothing printed, the run has not started and the style can still be changed.
        f.t.messages.setNextAnswer(false);
        f.clickPrint();
        QCOMPARE(f.t.messages.count(), 1);
        QCOMPARE(f.t.messages.last().kind, ShownMessage::Kind::Question);
        QCOMPARE(f.t.messages.last().title, QStringLiteral("请您确认"));
        QVERIFY(f.t.messages.last().text.contains(QStringLiteral("宾客“李\uE000”")));
        QCOMPARE(int(f.t.printer.jobs.size()), 0);
        QCOMPARE(f.window->runState(), w_Main::RunState::Ready);
        QVERIFY(f.button("Cmd_QJList")->isEnabled());

        // Yes: the first card comes out; the next clicks of the same run ask nothing.
        f.t.messages.setNextAnswer(true);
        f.clickPrint();
        QCOMPARE(int(f.t.printer.jobs.size()), 1);
        f.clickPrint();
        f.clickPrint();
        QCOMPARE(int(f.t.printer.jobs.size()), 3);
        QCOMPARE(f.t.messages.count(), 2);
    }

    void runWithPrintableNamesAsksNothing()
    {
        PrintFixture f(2);
        f.addLabel(QStringLiteral("敬请光临"), 10, 10, QStringLiteral("黑体"), QStringLiteral("12"),
                   QStringLiteral("常规"));
        f.open();
        f.selectOne();
        f.clickPrint();
        QCOMPARE(f.t.messages.count(), 0);
        QCOMPARE(int(f.t.printer.jobs.size()), 1);
    }
};

QTEST_MAIN(tst_unprintable)
#include "tst_unprintable.moc"
