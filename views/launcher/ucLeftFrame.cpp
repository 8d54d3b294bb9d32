#include "views/launcher/ucLeftFrame.h"

#include "views/common/CommandLabel.h"
#include "views/common/SearchField.h"

#include <QCursor>
#include <QFont>
#include <QFrame>
#include <QLabel>

namespace launcher {

ucLeftFrame::ucLeftFrame(QWidget* parent) : ucLeftFrameBase(parent)
{
    setObjectName(QStringLiteral("ucLeftFrame"));
    placeTwips(lblDescription, 0, 1320, 3015, 1935);

    mTxtSearch = new SearchField(this);
    placeTwips(mTxtSearch, 120, 810, 2775, 345);

    lblLaunch = addCommandLabel(QStringLiteral("lblLaunch"), QStringLiteral("Launch Program"));
    placeTwips(lblLaunch, 120, 3600, 1695, 255);
    Line1 = addLine(QStringLiteral("Line1"));
    placeLine(Line1, 120, 3840, 1560, 3840);

    lblProperties = addCommandLabel(QStringLiteral("lblProperties"), QStringLiteral("Properties"));
    placeTwips(lblProperties, 120, 3960, 1095, 255);
    Line2 = addLine(QStringLiteral("Line2"));
    placeLine(Line2, 120, 4200, 960, 4200);

    placeTwips(lblQuit, 120, 4560, 375, 255);
    placeLine(Line3, 120, 4800, 480, 4800);

    const QFont font = commandFont();
    const QCursor pointer = commandPointer();
    for (CommandLabel* command : {lblLaunch, lblProperties, lblQuit}) {
        command->setFont(font);
        command->setCursor(pointer);
    }
    connect(lblLaunch, &CommandLabel::clicked, this, &ucLeftFrame::LaunchedClicked);
    connect(lblProperties, &CommandLabel::clicked, this, &ucLeftFrame::PropertiesClicked);

    displayLabels(false);
}

void ucLeftFrame::displayLabels(bool flag)
{
    lblLaunch->setVisible(flag);
    lblProperties->setVisible(flag);
    Line1->setVisible(flag);
    Line2->setVisible(flag);
}

} // namespace launcher
