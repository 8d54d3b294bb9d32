#pragma once

#include "views/common/frmPropertiesBase.h"

#include <functional>

namespace launcher {

// The launcher's properties window: the shared window plus "Launch", which launches the
// program through the routine its holder hands in and closes the window either way.
class frmProperties : public frmPropertiesBase
{
    Q_OBJECT
public:
    using LaunchRoutine = std::function<bool(const QString& name)>;
    frmProperties(clsDBRoutines& catalogue, const QString& defaultIcon, LaunchRoutine launch,
                  QWidget* parent = nullptr);

private:
    void launchClicked();

    LaunchRoutine mLaunch;
    QPushButton* cmdLaunch;
};

} // namespace launcher
