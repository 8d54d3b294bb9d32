#pragma once

#include "views/common/ucLeftFrameBase.h"

class SearchField;

namespace launcher {

// The launcher's left panel: the clicked program's description and the commands
// "Launch Program" and "Properties" (hidden until displayLabels(true)) above "Quit".
class ucLeftFrame : public ucLeftFrameBase
{
    Q_OBJECT
public:
    explicit ucLeftFrame(QWidget* parent = nullptr);

    void displayLabels(bool flag);
    // Quit and its underline, hidden for a launcher that must not end (a kiosk).
    void hideQuit();

    // The search field, in the free space below the logo.
    SearchField* txtSearch() const { return mTxtSearch; }
    CommandLabel* launchCommand() const { return lblLaunch; }
    CommandLabel* propertiesCommand() const { return lblProperties; }
    CommandLabel* quitCommand() const { return lblQuit; }

signals:
    void LaunchedClicked();
    void PropertiesClicked();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Taller than designed, the description grows and the commands stay at the bottom.
    void layoutChildren();

    SearchField* mTxtSearch;
    CommandLabel* lblLaunch;
    QFrame* Line1;
    CommandLabel* lblProperties;
    QFrame* Line2;
};

} // namespace launcher
