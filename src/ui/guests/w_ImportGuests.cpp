#include "ui/guests/w_ImportGuests.h"
#include "ui_w_ImportGuests.h"

#include "core/app/MessageService.h"
#include "core/app/SharedState.h"
#include "core/guestlists/ReadProgress.h"
#include "core/store/GuestTransferStore.h"
#include "ui/app/Session.h"
#include "ui/guests/BackgroundRead.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QFileInfo>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidgetItem>

namespace {

// The rows of a list of line numbers as the user reads them: "3、6、9 等".
QString linesText(const QList<int>& lines)
{
    QStringList shown;
    for (int i = 0; i < lines.size() && i < 5; ++i)
        shown << QString::number(lines.at(i));
    return shown.join(QStringLiteral("、")) + (lines.size() > 5 ? QStringLiteral(" 等") : QString());
}

// A number of guests the file gets wrong would print wrong on every card: nothing is imported until
// the file or the column choice is mended.
QString badAttendingText(const ImportPlan& plan)
{
    QList<int> lines;
    for (const BadCell& cell : plan.badAttending)
        lines << cell.line;
    return QStringLiteral("有 %1 行的人数不是 1 以上的整数（第 %2 行，如“%3”），无法导入。"
                          "请改正文件后重新导入，或把这一列设为“不导入”。")
        .arg(plan.badAttending.size())
        .arg(linesText(lines), plan.badAttending.first().text);
}

// A cell as the preview shows it: a long text (up to 1 MB) is cut, since laying it out would stop the
// window.
QTableWidgetItem* item(const QString& text)
{
    constexpr int kShown = 200;
    auto* cell = new QTableWidgetItem(text.size() > kShown ? text.left(kShown) + QStringLiteral("…") : text);
    cell->setFlags(Qt::ItemIsEnabled);
    return cell;
}

} // namespace

w_ImportGuests::w_ImportGuests(Session& session, ImportSource source, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::w_ImportGuests>()), m_session(session),
      m_source(std::move(source))
{
    m_ui->setupUi(this);
    m_ui->L_File->setText(QFileInfo(m_source.path()).fileName());
    m_ui->L_File->setToolTip(m_source.path());

    for (TextEncoding encoding : CsvReader::encodings())
        m_ui->Combo_Encoding->addItem(CsvReader::encodingName(encoding), static_cast<int>(encoding));
    m_ui->Combo_Encoding->setCurrentIndex(
        m_ui->Combo_Encoding->findData(static_cast<int>(m_source.encoding())));
    m_ui->Label2->setVisible(!m_source.isWorkbook());
    m_ui->Combo_Encoding->setVisible(!m_source.isWorkbook());
    m_ui->Combo_Encoding->setEnabled(!m_source.encodingFixed());
    if (m_source.encodingFixed())
        m_ui->Combo_Encoding->setToolTip(QStringLiteral("文件开头的标记已确定了它的编码。"));

    // One column per column of the file: its heading above, the field it goes to below.
    m_ui->DG_Columns->verticalHeader()->hide();
    m_ui->DG_Columns->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_ui->DG_Columns->horizontalHeader()->setMinimumSectionSize(96);

    QStringList previewHeadings{QStringLiteral("行")};
    for (GuestField field : GuestColumns::choices()) {
        if (field != GuestField::None)
            previewHeadings << GuestColumns::caption(field);
    }
    m_ui->DG_Preview->setColumnCount(static_cast<int>(previewHeadings.size()));
    m_ui->DG_Preview->setHorizontalHeaderLabels(previewHeadings);
    m_ui->DG_Preview->verticalHeader()->hide();

    const Result<QSet<QString>> names =
        GuestTransferStore(m_session.store).names(m_session.state.CurrentListID);
    if (names.isOk())
        m_namesInList = names.value();
    else
        m_storeError = names.error();

    m_match = GuestColumns::guess(m_source.table());
    m_foundHeadingRow = m_match.headingRow;
    fillColumns();
    refresh(Plan::Rebuild);

    connect(m_ui->Combo_Encoding, &QComboBox::activated, this, &w_ImportGuests::changeEncoding);
    connect(m_ui->Check_Headings, &QCheckBox::toggled, this, &w_ImportGuests::changeHeadings);
    connect(m_ui->O_ImportDuplicates, &QRadioButton::toggled, this, [this] { refresh(Plan::Keep); });
    connect(m_ui->Cmd_Import, &QPushButton::clicked, this, &w_ImportGuests::importGuests);
    connect(m_ui->Cmd_Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

w_ImportGuests::~w_ImportGuests() = default;

void w_ImportGuests::changeEncoding(int index)
{
    const auto encoding = static_cast<TextEncoding>(m_ui->Combo_Encoding->itemData(index).toInt());
    ReadProgress progress;
    Result<ImportSource> again = Status::failure(QString());
    const QString label = QStringLiteral("正在按 %1 重新读取……").arg(CsvReader::encodingName(encoding));
    if (!BackgroundRead::run(this, label, progress, [&] { again = m_source.reread(encoding, &progress); })) {
        // Cancelled: the rows read before stay, and so does the encoding they were read in.
        m_ui->Combo_Encoding->setCurrentIndex(
            m_ui->Combo_Encoding->findData(static_cast<int>(m_source.encoding())));
        return;
    }
    m_encodingChosen = true;
    m_readError = again.isOk() ? QString() : again.error();
    if (again.isOk()) {
        m_source = std::move(again.value());
        m_match = GuestColumns::guess(m_source.table()); // the headings may only now be readable
        m_foundHeadingRow = m_match.headingRow;
        fillColumns();
    }
    refresh(Plan::Rebuild);
}

void w_ImportGuests::changeHeadings(bool hasHeadings)
{
    m_match.headingRow = hasHeadings ? std::max(m_foundHeadingRow, 0) : -1;
    fillColumns();
    refresh(Plan::Rebuild);
}

void w_ImportGuests::changeColumn(int column, int choice)
{
    if (column < m_match.fields.size())
        m_match.fields[column] = GuestColumns::choices().value(choice, GuestField::None);
    refresh(Plan::Rebuild);
}

void w_ImportGuests::fillColumns()
{
    const SheetTable& table = m_source.table();
    m_ui->Check_Headings->blockSignals(true);
    m_ui->Check_Headings->setChecked(m_match.hasHeadings());
    m_ui->Check_Headings->blockSignals(false);

    m_ui->DG_Columns->clear();
    m_ui->DG_Columns->setColumnCount(static_cast<int>(m_match.fields.size()));
    m_ui->DG_Columns->setRowCount(1);
    const QList<GuestField> choices = GuestColumns::choices();
    for (int column = 0; column < m_match.fields.size(); ++column) {
        // The column's heading, or else the first value in it, tells the user which column this is.
        QString sample;
        if (m_match.hasHeadings() && m_match.headingRow < table.rowCount()) {
            sample = table.cell(m_match.headingRow, column).left(100).simplified();
        } else {
            for (int row = 0; row < table.rowCount() && row < kPreviewRows; ++row) {
                sample = table.cell(row, column).left(100).simplified();
                if (!sample.isEmpty())
                    break;
            }
        }
        if (sample.size() > 16)
            sample = sample.left(16) + QStringLiteral("…");
        const QString label = m_match.hasHeadings()
                                  ? QStringLiteral("第 %1 列\n%2").arg(column + 1).arg(sample)
                                  : QStringLiteral("第 %1 列\n（如“%2”）").arg(column + 1).arg(sample);
        m_ui->DG_Columns->setHorizontalHeaderItem(column, new QTableWidgetItem(label));

        auto* combo = new QComboBox(m_ui->DG_Columns);
        combo->setObjectName(QStringLiteral("Combo_Column%1").arg(column + 1));
        for (GuestField field : choices)
            combo->addItem(GuestColumns::caption(field));
        combo->setCurrentIndex(static_cast<int>(choices.indexOf(m_match.fields.at(column))));
        connect(combo, &QComboBox::activated, this,
                [this, column](int choice) { changeColumn(column, choice); });
        m_ui->DG_Columns->setCellWidget(0, column, combo);
    }
    m_ui->DG_Columns->resizeRowsToContents();
    m_ui->DG_Columns->resizeColumnsToContents();
    QHeaderView* header = m_ui->DG_Columns->horizontalHeader();
    const int height = header->sizeHint().height() + m_ui->DG_Columns->rowHeight(0) +
                       2 * m_ui->DG_Columns->frameWidth() +
                       m_ui->DG_Columns->horizontalScrollBar()->sizeHint().height();
    m_ui->DG_Columns->setFixedHeight(height);
}

bool w_ImportGuests::withDuplicates() const
{
    return m_ui->O_ImportDuplicates->isChecked();
}

void w_ImportGuests::refresh(Plan plan)
{
    if (!m_storeError.isEmpty() || !m_readError.isEmpty()) {
        m_plan = ImportPlan();
        m_ui->DG_Preview->setRowCount(0);
        m_ui->L_Count->setText(QStringLiteral("没有可导入的宾客。"));
        m_ui->L_Warnings->setText(m_storeError.isEmpty() ? m_readError : m_storeError);
        m_ui->L_Warnings->show();
        m_ui->Frame_Duplicates->hide();
        m_ui->Cmd_Import->setEnabled(false);
        return;
    }
    // A million rows take a moment to plan: the choice of duplicates alone changes no plan.
    if (plan == Plan::Rebuild)
        m_plan = ImportPlan::build(m_source.table(), m_match, m_namesInList);
    fillPreview();

    QStringList warnings;
    if (m_source.undecodableLine() > 0) {
        warnings << QStringLiteral("按 %1 编码读取时，第 %2 行有无法识别的文字（显示为“�”）。"
                                   "请在“文字编码”中选择这个文件的编码%3。")
                        .arg(CsvReader::encodingName(m_source.encoding()))
                        .arg(m_source.undecodableLine())
                        .arg(m_encodingChosen ? QStringLiteral("；如果确认无误，也可以照样导入")
                                              : QStringLiteral("后再导入"));
    }
    if (m_match.headingRow > 0 && m_match.headingRow < m_source.table().rowCount()) {
        warnings << QStringLiteral("标题行是第 %1 行，它上面的内容不导入。")
                        .arg(m_source.table().line(m_match.headingRow));
    }
    if (m_source.table().columnsCut())
        warnings << QStringLiteral("第 %1 列以后的内容不会导入。").arg(SheetTable::kMaxColumns);
    const bool hasNames = m_match.uses(GuestField::Name);
    if (!hasNames)
        warnings << QStringLiteral("请为“宾客姓名”选择文件中的一列。");
    if (hasNames && !m_plan.linesWithoutName.isEmpty()) {
        warnings << QStringLiteral("有 %1 行没有姓名（第 %2 行），将被跳过。")
                        .arg(m_plan.linesWithoutName.size())
                        .arg(linesText(m_plan.linesWithoutName));
    }
    if (hasNames && m_plan.duplicates > 0) {
        warnings << QStringLiteral("有 %1 位宾客的姓名已在名单中，或在文件中出现过不止一次：")
                        .arg(m_plan.duplicates);
    }
    if (hasNames && !m_plan.badAttending.isEmpty())
        warnings << badAttendingText(m_plan);
    m_ui->L_Warnings->setText(warnings.join(QLatin1Char('\n')));
    m_ui->L_Warnings->setVisible(!warnings.isEmpty());
    m_ui->Frame_Duplicates->setVisible(hasNames && m_plan.duplicates > 0);

    const int count = hasNames && m_plan.badAttending.isEmpty() ? m_plan.acceptedCount(withDuplicates()) : 0;
    m_ui->L_Count->setText(
        QStringLiteral("将导入 %1 位宾客到请柬样式“%2”。").arg(count).arg(m_session.state.CurrentListName));
    // Text the chosen encoding cannot read is imported only once the user has chosen it knowingly.
    m_ui->Cmd_Import->setEnabled(count > 0 && (m_source.undecodableLine() == 0 || m_encodingChosen));
}

void w_ImportGuests::fillPreview()
{
    const SheetTable& table = m_source.table();
    const int first = m_match.firstGuestRow();
    const int shown = std::clamp(table.rowCount() - first, 0, kPreviewRows);

    m_ui->DG_Preview->setRowCount(shown);
    const QColor skippedText(128, 128, 128);
    for (int r = 0; r < shown; ++r) {
        m_ui->DG_Preview->setItem(r, 0, item(QString::number(table.line(first + r))));
        const std::optional<PlannedGuest> guest = m_plan.guestOfRow(first + r);
        QStringList cells;
        if (guest) {
            const GuestFields& g = guest->fields;
            cells = {g.name,   g.sex,        g.connection, g.job,   g.contact,
                     g.remark, g.salutation, g.partner,    g.table, QString::number(g.attending)};
        } else {
            cells = {QStringLiteral("（无姓名，跳过）"), {}, {}, {}, {}, {}, {}, {}, {}, {}};
        }
        const bool skipped = !guest || (guest->duplicate && !withDuplicates());
        for (int c = 0; c < cells.size(); ++c) {
            QTableWidgetItem* cell = item(cells.at(c));
            if (skipped)
                cell->setForeground(skippedText);
            if (guest && guest->duplicate && c == 0)
                cell->setToolTip(QStringLiteral("重名"));
            m_ui->DG_Preview->setItem(r, c + 1, cell);
        }
    }
    m_ui->DG_Preview->resizeColumnsToContents();
}

void w_ImportGuests::importGuests()
{
    if (!m_plan.badAttending.isEmpty()) {
        m_session.messages.exclamation(this, Titles::Reminder, badAttendingText(m_plan));
        return;
    }
    const QList<int> guests = m_plan.acceptedIndexes(withDuplicates());
    if (guests.isEmpty() || !m_match.uses(GuestField::Name)) {
        m_session.messages.exclamation(this, Titles::Reminder, QStringLiteral("没有可导入的宾客。"));
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const Status added =
        GuestTransferStore(m_session.store)
            .addAll(
                m_session.state.CurrentListID, static_cast<int>(guests.size()),
                [&](int i) { return m_plan.guest(guests.at(i)).fields; }, QDateTime::currentDateTime());
    QApplication::restoreOverrideCursor();
    if (!added.isOk()) {
        m_session.messages.critical(this, Titles::CriticalError,
                                    added.error() + QStringLiteral("\n没有导入任何宾客。"));
        return;
    }
    QString text = QStringLiteral("已导入 %1 位宾客。").arg(guests.size());
    const int skipped =
        static_cast<int>(m_plan.linesWithoutName.size()) + (withDuplicates() ? 0 : m_plan.duplicates);
    if (skipped > 0)
        text += QStringLiteral("跳过了 %1 行。").arg(skipped);
    m_session.messages.information(this, Titles::Notice, text);
    accept();
}
