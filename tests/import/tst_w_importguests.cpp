// Importing and exporting through the guest list window: the file chooser is answered by the test,
// the import window is driven by its controls, the results are read back from the database, the
// written file and the message log.
#include "guests/import/FileChooser.h"
#include "guests/import/GuestCsvWriter.h"
#include "guests/import/w_ImportGuests.h"
#include "guests/w_AddGuest.h"
#include "store/GuestTransferStore.h"
#include "support/TestSession.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStringEncoder>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

class ScriptedFiles : public FileChooser
{
public:
    ScriptedFiles() { FileChooser::setCurrent(this); }
    ~ScriptedFiles() override { FileChooser::setCurrent(nullptr); }

    QString fileToOpen(QWidget*, const QString&, const QString& filter) override
    {
        lastFilter = filter;
        return openAnswer;
    }
    QString fileToSave(QWidget*, const QString&, const QString& suggested, const QString&) override
    {
        lastSuggested = suggested;
        return saveAnswer;
    }

    QString openAnswer;
    QString saveAnswer;
    QString lastFilter;
    QString lastSuggested;
};

QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void openGuestWindow(w_AddGuest& window)
{
    window.show();
    QTRY_VERIFY(!window.findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
}

// Presses the guest window's import button and hands the import window that opens to `drive`; the
// window must be closed by `drive` (or stays unopened when the file is refused).
bool pressImport(w_AddGuest& window, const std::function<void(w_ImportGuests&)>& drive)
{
    bool opened = false;
    QTimer timer; // stopped when the window was never opened, so it cannot fire in a later test step
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&]() {
        auto* import = qobject_cast<w_ImportGuests*>(QApplication::activeModalWidget());
        if (!import)
            return;
        opened = true;
        drive(*import);
        if (import->isVisible())
            import->reject();
    });
    timer.start(0);
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("Cmd_Import")), Qt::LeftButton);
    return opened;
}

QComboBox* columnCombo(w_ImportGuests& w, int column)
{
    return w.findChild<QComboBox*>(QStringLiteral("Combo_Column%1").arg(column));
}

QString text(QWidget& w, const char* name)
{
    return w.findChild<QLabel*>(QLatin1String(name))->text();
}

QStringList namesOf(TestSession& t, qint16 listId)
{
    QStringList names;
    const Result<QList<GuestFields>> guests = GuestTransferStore(t.store).guests(listId);
    for (const GuestFields& g : guests.value())
        names << g.name;
    return names;
}

} // namespace

class tst_w_importguests : public QObject
{
    Q_OBJECT

private slots:
    void importMatchesPreviewsAndAddsInFileOrder()
    {
        TestSession t;
        t.db.addStyle(1, QStringLiteral("婚礼"));
        t.db.exec(QStringLiteral("INSERT INTO Guests (ListID, Name) VALUES (1, '张三')"));
        t.choose(1, QStringLiteral("婚礼"));
        ScriptedFiles files;
        QStringEncoder gbk("GB18030");
        files.openAnswer =
            writeFile(t.db.dir() + QStringLiteral("/名单.csv"),
                      gbk.encode(QStringLiteral("宾客,性别,电话,备注\r\n李四,女,13812345678,素食\r\n"
                                                "张三,男,,\r\n,,010-1,无名\r\n王五,M,,\r\n")));
        w_AddGuest window(t.session, nullptr);
        openGuestWindow(window);

        const bool opened = pressImport(window, [&](w_ImportGuests& w) {
            QCOMPARE(w.findChild<QComboBox*>(QStringLiteral("Combo_Encoding"))->currentText(),
                     QStringLiteral("GBK/GB18030"));
            QCOMPARE(columnCombo(w, 1)->currentText(), QStringLiteral("宾客姓名"));
            QCOMPARE(columnCombo(w, 3)->currentText(), QStringLiteral("联系方式"));
            auto* preview = w.findChild<QTableWidget*>(QStringLiteral("DG_Preview"));
            QCOMPARE(preview->rowCount(), 4);
            QCOMPARE(preview->item(0, 1)->text(), QStringLiteral("李四"));
            QCOMPARE(preview->item(0, 5)->text(), QStringLiteral("13812345678"));
            QCOMPARE(preview->item(2, 0)->text(), QStringLiteral("4")); // the file's line
            QVERIFY(text(w, "L_Count").startsWith(QStringLiteral("将导入 2 位宾客")));
            QVERIFY(text(w, "L_Warnings").contains(QStringLiteral("有 1 行没有姓名（第 4 行）")));
            QVERIFY(text(w, "L_Warnings").contains(QStringLiteral("有 1 位宾客的姓名已在名单中")));

            // The remark column is left out and the repeated name is taken after all.
            QComboBox* remark = columnCombo(w, 4);
            remark->setCurrentIndex(remark->findText(QStringLiteral("不导入")));
            emit remark->activated(remark->currentIndex());
            QCOMPARE(preview->item(0, 6)->text(), QString());
            w.findChild<QRadioButton*>(QStringLiteral("O_ImportDuplicates"))->click();
            QVERIFY(text(w, "L_Count").startsWith(QStringLiteral("将导入 3 位宾客")));
            QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("Cmd_Import")), Qt::LeftButton);
        });
        QVERIFY(opened);
        QVERIFY(files.lastFilter.contains(QStringLiteral("*.xlsx *.csv")));
        QCOMPARE(t.messages.last().text, QStringLiteral("已导入 3 位宾客。跳过了 1 行。"));
        QCOMPARE(namesOf(t, 1), (QStringList{"张三", "李四", "张三", "王五"}));
        const QList<GuestFields> guests = GuestTransferStore(t.store).guests(1).value();
        QCOMPARE(guests.at(1), (GuestFields{"李四", "女", "", "", "13812345678", ""}));
        QCOMPARE(guests.at(3).sex, QStringLiteral("男"));
        QCOMPARE(window.findChild<QTableView*>(QStringLiteral("DG_Edit"))->model()->rowCount(), 4);
        QVERIFY(window.findChild<QPushButton*>(QStringLiteral("Cmd_CleanAll"))->isEnabled());
    }

    void refusedFilesAndCancelChangeNothing()
    {
        TestSession t;
        t.db.addStyle(1, QStringLiteral("婚礼"), 0, 3);
        t.choose(1, QStringLiteral("婚礼"));
        const QString before = t.db.snapshot();
        ScriptedFiles files;
        w_AddGuest window(t.session, nullptr);
        openGuestWindow(window);

        // No file picked.
        QVERIFY(!pressImport(window, [](w_ImportGuests&) {}));
        QCOMPARE(t.messages.count(), 0);

        // An image renamed to .xlsx, and a text file in two encodings.
        files.openAnswer = writeFile(t.db.dir() + QStringLiteral("/照片.xlsx"),
                                     QByteArray::fromHex("89504e470d0a1a0a") + QByteArray(100, 'x'));
        QVERIFY(!pressImport(window, [](w_ImportGuests&) {}));
        QCOMPARE(t.messages.last().title, QStringLiteral("关键性错误"));
        QVERIFY(t.messages.last().text.contains(QStringLiteral("不是 Excel 工作簿")));
        QStringEncoder gbk("GB18030");
        files.openAnswer =
            writeFile(t.db.dir() + QStringLiteral("/混合.csv"),
                      QStringLiteral("姓名\n张三丰\n").toUtf8() + gbk.encode(QStringLiteral("李四\n")));
        QVERIFY(!pressImport(window, [](w_ImportGuests&) {}));
        QVERIFY(t.messages.last().text.contains(QStringLiteral("混有两种文字编码")));
        files.openAnswer = writeFile(t.db.dir() + QStringLiteral("/空白.csv"), ",,\r\n\r\n\t\r\n");
        QVERIFY(!pressImport(window, [](w_ImportGuests&) {}));
        QVERIFY(t.messages.last().text.contains(QStringLiteral("没有任何内容")));

        // A readable file whose import is cancelled, and one where no column is the name.
        files.openAnswer = writeFile(t.db.dir() + QStringLiteral("/名单.csv"), "姓名,电话\n赵六,1\n");
        // An encoding the file cannot be read in shows why and blocks the import until it is undone.
        QVERIFY(pressImport(window, [](w_ImportGuests& w) {
            auto* encoding = w.findChild<QComboBox*>(QStringLiteral("Combo_Encoding"));
            auto* import = w.findChild<QPushButton*>(QStringLiteral("Cmd_Import"));
            encoding->setCurrentIndex(encoding->findText(QStringLiteral("UTF-16")));
            emit encoding->activated(encoding->currentIndex());
            QVERIFY(!import->isEnabled());
            QVERIFY(text(w, "L_Warnings").contains(QStringLiteral("不能按 UTF-16 读取")));
            encoding->setCurrentIndex(encoding->findText(QStringLiteral("UTF-8")));
            emit encoding->activated(encoding->currentIndex());
            QVERIFY(import->isEnabled());
            QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("Cmd_Cancel")), Qt::LeftButton);
        }));
        QVERIFY(pressImport(window, [](w_ImportGuests& w) {
            QComboBox* name = columnCombo(w, 1);
            name->setCurrentIndex(name->findText(QStringLiteral("不导入")));
            emit name->activated(name->currentIndex());
            QVERIFY(!w.findChild<QPushButton*>(QStringLiteral("Cmd_Import"))->isEnabled());
            QVERIFY(text(w, "L_Warnings").contains(QStringLiteral("请为“宾客姓名”选择文件中的一列")));
        }));
        QCOMPARE(t.db.snapshot(), before);
    }

    void failedWriteKeepsTheWindowOpenAndTheListUnchanged()
    {
        TestSession t;
        t.db.addStyle(1, QStringLiteral("婚礼"), 0, 2);
        t.choose(1, QStringLiteral("婚礼"));
        ScriptedFiles files;
        files.openAnswer = writeFile(t.db.dir() + QStringLiteral("/名单.csv"), "姓名\n赵六\n钱七\n");
        w_AddGuest window(t.session, nullptr);
        openGuestWindow(window);
        const QString before = t.db.snapshot();
        // Another program holds a write lock on the data file while the import is written.
        t.db.exec(QStringLiteral("BEGIN IMMEDIATE"));
        bool stillOpen = false;
        QVERIFY(pressImport(window, [&](w_ImportGuests& w) {
            QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("Cmd_Import")), Qt::LeftButton);
            stillOpen = w.isVisible();
        }));
        t.db.exec(QStringLiteral("ROLLBACK"));
        QVERIFY(stillOpen);
        QCOMPARE(t.messages.last().title, QStringLiteral("关键性错误"));
        QVERIFY2(t.messages.last().text.contains(QStringLiteral("没有导入任何宾客")),
                 qPrintable(t.messages.last().text));
        QCOMPARE(t.db.snapshot(), before);
    }

    void exportWritesTheGridsGuests()
    {
        TestSession t;
        t.db.addStyle(1, QStringLiteral("婚礼"), 0, 3);
        t.db.addStyle(2, QStringLiteral("寿宴"), 0, 2);
        t.choose(1, QStringLiteral("婚礼"));
        ScriptedFiles files;
        w_AddGuest window(t.session, nullptr);
        openGuestWindow(window);
        auto* exportButton = window.findChild<QPushButton*>(QStringLiteral("Cmd_Export"));
        QCOMPARE(exportButton->text(), QStringLiteral("导出名单..."));

        files.saveAnswer = t.db.dir() + QStringLiteral("/导出");
        QTest::mouseClick(exportButton, Qt::LeftButton);
        QVERIFY(files.lastSuggested.endsWith(QStringLiteral("婚礼宾客名单.csv")));
        QFile written(files.saveAnswer + QStringLiteral(".csv"));
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), GuestCsvWriter::toCsv(GuestTransferStore(t.store).guests(1).value()));
        QCOMPARE(t.messages.last().title, QStringLiteral("告知"));
        QVERIFY(t.messages.last().text.startsWith(QStringLiteral("已把 3 位宾客导出到文件")));

        files.saveAnswer = t.db.dir() + QStringLiteral("/没有这个文件夹/名单.csv");
        QTest::mouseClick(exportButton, Qt::LeftButton);
        QCOMPARE(t.messages.last().title, QStringLiteral("关键性错误"));
        QVERIFY(t.messages.last().text.contains(QStringLiteral("无法保存文件")));
    }
};

QTEST_MAIN(tst_w_importguests)
#include "tst_w_importguests.moc"
