#include "views/admin/ucLeftFrame.h"

#include "views/common/CommandLabel.h"

#include <QLabel>
#include <QMouseEvent>

namespace admin {

ucLeftFrame::ucLeftFrame(QWidget* parent) : ucLeftFrameBase(parent), Label1(new QLabel(this))
{
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setText(QStringLiteral(
        "Welcome to Kestrel Setup. Here you configure the database settings, add, modify "
        "and delete the runnable programs of Kestrel, and view their properties."));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setFont(commandFont());
    placeTwips(Label1, 240, 1440, 2535, 1815);

    placeTwips(lblDescription, 120, 2640, 2775, 1455);
    lblQuit->setFont(commandFont());
    placeTwips(lblQuit, 360, 4320, 375, 255);
    placeLine(Line3, 360, 4560, 720, 4560);

    // Only the panel's own background clears the description, not its children.
    setMouseTracking(true);
}

void ucLeftFrame::mouseMoveEvent(QMouseEvent* event)
{
    if (!childAt(event->position().toPoint()))
        setDescription(QString());
    ucLeftFrameBase::mouseMoveEvent(event);
}

} // namespace admin
