#include "views/launcher/ucLeftFrame.h"

#include "views/common/CommandLabel.h"
#include "views/common/SearchField.h"
#include "views/common/Twips.h"

#include <QCursor>
#include <QFont>
#include <QFrame>
#include <QLabel>

namespace launcher {

ucLeftFrame::ucLeftFrame(QWidget* parent) : ucLeftFrameBase(parent)
{
    setObjectName(QStringLiteral("ucLeftFrame"));
    mTxtSearch = new SearchField(this);
    placeTwips(mTxtSearch, 120, 810, 2775, 345);

    lblLaunch = addCommandLabel(QStringLiteral("lblLaunch"), QStringLiteral("Launch Program"));
    Line1 = addLine(QStringLiteral("Line1"));
    lblProperties = addCommandLabel(QStringLiteral("lblProperties"), QStringLiteral("Properties"));
    Line2 = addLine(QStringLiteral("Line2"));
    layoutChildren();

    const QFont font = commandFont();
    const QCursor pointer = commandPointer();
    for (CommandLabel* command : {lblLaunch, lblProperties, lblQuit}) {
        command->setFont(font);
        command->setCursor(pointer);
    }
    connect(lblLaunch, &CommandLabel::clicked, this, &ucLeftFrame::LaunchedClicked);
    connect(lblProperties, &CommandLabel::clicked, this, &ucLeftFrame::PropertiesClicked);

    // The description keeps off the window's edge, level with the commands below it.
    lblDescription->setContentsMargins(twips::px(120), 0, twips::px(120), 0);
    displayLabels(false);
}

void ucLeftFrame::layoutChildren()
{
    const int extra = qMax(0, height() - twips::px(5175));
    placeTwips(lblDescription, 0, 1320, 3015, 1935);
    lblDescription->resize(lblDescription->width(), lblDescription->height() + extra);
    placeTwips(lblLaunch, 120, 3600, 1695, 255);
    placeLine(Line1, 120, 3840, 1560, 3840);
    placeTwips(lblProperties, 120, 3960, 1095, 255);
    placeLine(Line2, 120, 4200, 960, 4200);
    placeTwips(lblQuit, 120, 4560, 375, 255);
    placeLine(Line3, 120, 4800, 480, 4800);
    for (QWidget* command : {static_cast<QWidget*>(lblLaunch), static_cast<QWidget*>(Line1),
                             static_cast<QWidget*>(lblProperties), static_cast<QWidget*>(Line2),
                             static_cast<QWidget*>(lblQuit), static_cast<QWidget*>(Line3)})
        command->move(command->x(), command->y() + extra);
}

void ucLeftFrame::resizeEvent(QResizeEvent* event)
{
    ucLeftFrameBase::resizeEvent(event);
    layoutChildren();
}

void ucLeftFrame::displayLabels(bool flag)
{
    lblLaunch->setVisible(flag);
    lblProperties->setVisible(flag);
    Line1->setVisible(flag);
    Line2->setVisible(flag);
}

void ucLeftFrame::hideQuit()
{
    lblQuit->hide();
    Line3->hide();
}

} // namespace launcher
