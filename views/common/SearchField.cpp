#include "views/common/SearchField.h"

#include "views/common/CommandLabel.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {
bool printable(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (!c.isPrint() && !c.isSurrogate())
            return false;
    return true;
}

bool editsText(const QWidget* widget)
{
    if (qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QTextEdit*>(widget) ||
        qobject_cast<const QPlainTextEdit*>(widget) ||
        qobject_cast<const QAbstractSpinBox*>(widget))
        return true;
    const auto* combo = qobject_cast<const QComboBox*>(widget);
    return combo && combo->isEditable();
}
} // namespace

SearchField::SearchField(QWidget* parent) : QLineEdit(parent)
{
    setObjectName(QStringLiteral("txtSearch"));
    setPlaceholderText(QStringLiteral("Search"));
    setAccessibleName(QStringLiteral("Search programs"));
    setAccessibleDescription(
        QStringLiteral("Shows only the programs whose name or description contains every word"));
    // The clear button's icon comes from the icon theme, whose first lookup costs the
    // launcher's start several ms: it is made once there is something to clear.
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!text.isEmpty() && !isClearButtonEnabled())
            setClearButtonEnabled(true);
    });
}

void SearchField::captureTyping(QWidget* window)
{
    if (!mWindow)
        qApp->installEventFilter(this);
    mWindow = window;
}

void SearchField::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && !text().isEmpty()) {
        clear();
        return;
    }
    if (event->modifiers() == Qt::NoModifier) {
        switch (event->key()) {
        case Qt::Key_PageDown:
            emit leaveDown();
            return;
        case Qt::Key_Down:
        case Qt::Key_Up:
            emit stepSelection(event->key() == Qt::Key_Down ? 1 : -1);
            return;
        default:
            break;
        }
    }
    QLineEdit::keyPressEvent(event);
}

bool SearchField::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || watched == this || !mWindow || !isVisible() ||
        !isEnabled())
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != mWindow)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape) {
        if (text().isEmpty())
            return false;
        clear();
        return true;
    }
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const QString typed = key->text();
    if (!printable(typed) || editsText(widget))
        return false;
    // A leading blank finds nothing, and Space presses a focused command.
    if (typed == QLatin1String(" ") &&
        (text().isEmpty() || qobject_cast<QAbstractButton*>(widget) ||
         qobject_cast<CommandLabel*>(widget)))
        return false;
    setFocus(Qt::OtherFocusReason);
    insert(typed);
    return true;
}
