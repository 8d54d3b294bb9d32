#pragma once

#include "views/common/ucLeftFrameBase.h"

namespace launcher {

// The launcher's left panel: the clicked program's description and the commands
// "Launch Program" and "Properties" (hidden until displayLabels(true)) above "Quit".
class ucLeftFrame : public ucLeftFrameBase
{
    Q_OBJECT
public:
    explicit ucLeftFrame(QWidget* parent = nullptr);

    void displayLabels(bool flag);

signals:
    void LaunchedClicked();
    void PropertiesClicked();

private:
    CommandLabel* lblLaunch;
    QFrame* Line1;
    CommandLabel* lblProperties;
    QFrame* Line2;
};

} // namespace launcher
