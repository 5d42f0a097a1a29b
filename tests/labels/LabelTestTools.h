// Small helpers the label window tests share: finding controls by name and typing into them.
#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

inline QLineEdit* box(QWidget& w, const char* name)
{
    return w.findChild<QLineEdit*>(QLatin1String(name));
}

inline void click(QWidget& w, const char* name)
{
    QTest::mouseClick(w.findChild<QPushButton*>(QLatin1String(name)), Qt::LeftButton);
}

// Types `text` as one key event carrying the whole text, as an input method delivers Chinese.
inline void typeInto(QWidget* target, const QString& text)
{
    if (!text.isEmpty())
        QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, text, Qt::NoModifier);
}

inline void replaceText(QLineEdit* edit, const QString& text)
{
    edit->clear();
    typeInto(edit, text);
}
