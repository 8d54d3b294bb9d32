#include "views/admin/frmProperties.h"

#include "catalogue/clsDBRoutines.h"
#include "views/common/Twips.h"

#include <QLabel>

namespace admin {

frmProperties::frmProperties(clsDBRoutines& catalogue, const QString& defaultIcon, QWidget* parent)
    : frmPropertiesBase(catalogue, defaultIcon, parent)
{
    // Grown at its side, so that the shared controls keep their places.
    setFixedSize(twips::px(7110), twips::px(4155));
    addLabel(QStringLiteral("Label4"), QStringLiteral("Audiences:"), 4440, 960, 2520, 255);
    lblAudiences = addLabel(QStringLiteral("lblAudiences"), {}, 4440, 1320, 2520, 2220);
    lblAudiences->setWordWrap(true);
    lblAudiences->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void frmProperties::programFilled()
{
    QStringList lines;
    try {
        for (const QString& spec : catalogue().loadAudiences(Program()))
            lines.append(audienceNamesSomebody(spec)
                             ? spec
                             : spec + QStringLiteral(" (matches nobody here)"));
    } catch (const KestrelError& error) {
        lines = {QStringLiteral("Cannot be read: ") + error.description()};
    }
    lblAudiences->setText(lines.isEmpty() ? QStringLiteral("Everyone") : lines.join(u'\n'));
}

} // namespace admin
