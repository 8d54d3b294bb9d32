#pragma once

#include "platform/ui/MessageBox.h"

#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <initializer_list>

// Small helpers the administrator's windows share: their face, placed controls and
// one-button messages.
namespace admin {
// The layouts were drawn for a small 8 pt face; a condensed 11-pixel face keeps every
// caption inside its given width.
inline QFont windowFont()
{
    QFont font;
    font.setPixelSize(11);
    font.setStretch(QFont::SemiCondensed);
    return font;
}

template <typename Control> Control* placed(Control* control, const char* name, const QRect& place)
{
    control->setObjectName(name);
    control->setGeometry(place);
    return control;
}

inline QLabel* addLabel(QWidget* parent, const char* name, const QString& text, const QRect& place)
{
    return placed(new QLabel(text, parent), name, place);
}

inline QLineEdit* addTextBox(QWidget* parent, const char* name, const QRect& place)
{
    return placed(new QLineEdit(parent), name, place);
}

inline QPushButton* addButton(QWidget* parent, const char* name, const QString& text,
                              const QRect& place)
{
    auto* button = placed(new QPushButton(text, parent), name, place);
    button->setAutoDefault(false);
    return button;
}

// Tab order in the order given.
inline void setTabChain(std::initializer_list<QWidget*> widgets)
{
    QWidget* previous = nullptr;
    for (QWidget* widget : widgets) {
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

inline void message(const QString& text, const QString& title, platform::MsgIcon icon)
{
    platform::MsgBox({text, title, icon, platform::MsgButtons::Ok, {}, 0});
}
} // namespace admin
