#include "views/launcher/frmProperties.h"

#include "settings/FileChecks.h"
#include "views/common/Twips.h"

#include <QPushButton>

namespace launcher {

frmProperties::frmProperties(clsDBRoutines& catalogue, const QString& defaultIcon,
                             LaunchRoutine launch, QWidget* parent)
    : frmPropertiesBase(catalogue, defaultIcon, parent), mLaunch(std::move(launch))
{
    cmdLaunch = new QPushButton(QStringLiteral("Launch"), this);
    cmdLaunch->setObjectName(QStringLiteral("cmdLaunch"));
    cmdLaunch->setGeometry(twips::rect(1440, 3600, 855, 375));
    connect(cmdLaunch, &QPushButton::clicked, this, &frmProperties::launchClicked);
}

void frmProperties::launchClicked()
{
    // The launch routine reports its own failure; the window closes either way.
    if (mLaunch)
        mLaunch(TrimSpaces(Program()));
    closeWindow();
}

} // namespace launcher
