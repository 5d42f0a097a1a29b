#include "ui/about/w_Help.h"
#include "ui_w_Help.h"

#include "core/help/HelpFile.h"

#include <QDir>
#include <QTextDocument>

w_Help::w_Help(Session& /*session*/, QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::w_Help>())
{
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    QFont font(QStringLiteral("宋体"));
    font.setPointSizeF(10.5);
    m_ui->RTB->setFont(font);

    // The document is filled before the text box shows it, so it is laid out once, not per paragraph.
    auto* document = new QTextDocument(m_ui->RTB);
    document->setDefaultFont(font);
    document->setDocumentMargin(10);
    HelpFile::load(QDir::currentPath(), *document);
    m_ui->RTB->setDocument(document);
}

w_Help::~w_Help() = default;
