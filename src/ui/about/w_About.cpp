#include "ui/about/w_About.h"
#include "ui_w_About.h"

#include "core/help/ProgramInfo.h"

#include <QDesktopServices>
#include <QMouseEvent>

namespace {

// Four paragraphs, each opened by four blanks.
const QString TermsOfUse = QStringLiteral(
    "    Fennick 是一个打印请柬的程序。它不限定任何一种请柬样式：请柬上打印哪些文字、每段文字打印在什么"
    "位置、使用什么字体，都由您自己决定，只要您的打印机能够支持。\n"
    "    您可以为自己的目的使用本程序，无论是非营利的用途还是商业用途。我们只请求您保持本程序及其附带文件"
    "（包括说明文档）的完整，在转交给他人时也是如此。\n"
    "    我们不承诺对本程序进行任何修正或改进，对因本程序的问题而造成的任何损失也不承担责任。\n"
    "    开始使用本程序，即表示您已经阅读并理解了以上条款。");

void styleLink(QLabel* label, const QString& text)
{
    label->setText(text);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 0xff));
    label->setPalette(palette);
    label->setCursor(Qt::PointingHandCursor);
    label->installEventFilter(label->parent());
}

void setTextColour(QLabel* label, const QColor& colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

} // namespace

w_About::w_About(Session& /*session*/, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::w_About>())
{
    Q_INIT_RESOURCE(about); // the picture lives in a static library
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(size());

    QFont font(QStringLiteral("微软雅黑"));
    font.setPointSizeF(9);
    setFont(font);
    QFont nameFont = font;
    nameFont.setPointSize(12);
    nameFont.setBold(true);
    m_ui->Label1->setFont(nameFont);
    setTextColour(m_ui->Label1, Qt::red);
    setTextColour(m_ui->L_VER, QColor(0x40, 0x40, 0x40));
    setTextColour(m_ui->Label4, QColor(0x80, 0, 0));

    m_ui->Shape1->setAutoFillBackground(true);
    QPalette white = m_ui->Shape1->palette();
    white.setColor(QPalette::Window, Qt::white);
    m_ui->Shape1->setPalette(white);
    m_ui->Img_Logo_Sign->setCursor(Qt::PointingHandCursor);

    m_ui->L_VER->setText(ProgramInfo::versionText());
    m_ui->Text1->setPlainText(TermsOfUse);
    styleLink(m_ui->L_email, ProgramInfo::contactAddress());
    styleLink(m_ui->L_http, ProgramInfo::homePage());

    connect(m_ui->Cmd_OK, &QPushButton::clicked, this, &QDialog::accept);
}

w_About::~w_About() = default;

bool w_About::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        // The desktop opens the link with its mail program or browser; when it has none, nothing
        // more can be done, so the outcome is not looked at.
        if (watched == m_ui->L_email) {
            QDesktopServices::openUrl(ProgramInfo::mailUrl());
            return true;
        }
        if (watched == m_ui->L_http) {
            QDesktopServices::openUrl(ProgramInfo::homePageUrl());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
