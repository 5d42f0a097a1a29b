#include "ui/labels/UpDown.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

UpDown::UpDown(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QToolButton** button : {&m_up, &m_down}) {
        *button = new QToolButton(this);
        (*button)->setArrowType(button == &m_up ? Qt::UpArrow : Qt::DownArrow);
        (*button)->setAutoRepeat(true);
        (*button)->setFocusPolicy(Qt::NoFocus);
        (*button)->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        (*button)->setFixedWidth(18);
        layout->addWidget(*button);
    }
    m_up->setObjectName(QStringLiteral("up"));
    m_down->setObjectName(QStringLiteral("down"));
    connect(m_up, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { stepBy(-1); });
}

void UpDown::setBuddy(QLineEdit* buddy)
{
    if (m_buddy)
        m_buddy->removeEventFilter(this);
    m_buddy = buddy;
    if (m_buddy)
        m_buddy->installEventFilter(this);
}

void UpDown::setRange(int minimum, int maximum)
{
    m_minimum = minimum;
    m_maximum = std::max(minimum, maximum);
}

void UpDown::stepBy(int steps)
{
    if (!m_buddy || !m_buddy->isEnabled() || m_buddy->isReadOnly())
        return;
    bool ok = false;
    const qlonglong current = m_buddy->text().trimmed().toLongLong(&ok);
    qlonglong next = ok ? current + steps : m_minimum;
    next = std::clamp<qlonglong>(next, m_minimum, m_maximum);
    m_buddy->setText(QString::number(next));
}

QSize UpDown::sizeHint() const
{
    return QSize(18, m_buddy ? m_buddy->sizeHint().height() : 24);
}

bool UpDown::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_buddy && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            stepBy(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
