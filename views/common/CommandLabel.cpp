#include "views/common/CommandLabel.h"

#include <QMouseEvent>

CommandLabel::CommandLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}

void CommandLabel::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}
