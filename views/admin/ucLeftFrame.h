#pragma once

#include "views/common/ucLeftFrameBase.h"

class QLabel;

namespace admin {

// The administrator's left panel: a welcome text, the description area and Quit. Moving
// the mouse over the panel's own background clears the description.
class ucLeftFrame : public ucLeftFrameBase
{
    Q_OBJECT
public:
    explicit ucLeftFrame(QWidget* parent = nullptr);

signals:
    // Declared for panel items this panel does not have; nothing raises them.
    void LogoClicked();
    void EnvironmentClicked();
    void ProgramsClicked();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QLabel* Label1;
};

} // namespace admin
