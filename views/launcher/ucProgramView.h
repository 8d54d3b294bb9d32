#pragma once

#include "views/common/ucProgramViewBase.h"

class QMenu;
class QAction;

namespace launcher {

// The launcher's program list: a left release reports the selected program, a right
// release opens "Properties" beside it. Nothing happens without a selection.
class ucProgramView : public ucProgramViewBase
{
    Q_OBJECT
public:
    ucProgramView(clsDBRoutines& catalogue, const QString& defaultIcon, QWidget* parent = nullptr);

    // Fills the list once from the catalogue; the answer is always false.
    bool loadView();

    QMenu* mnuPopupmenu() const { return mMenu; }

signals:
    // Declared for the holder's open-with handler; no gesture of this view raises it.
    void OpenWithClicked();

protected:
    void listMouseReleased(Qt::MouseButton button, const QPoint& viewportPos) override;
    void listMenuKeyPressed(const QPoint& viewportPos) override;

private:
    QMenu* mMenu;
};

} // namespace launcher
