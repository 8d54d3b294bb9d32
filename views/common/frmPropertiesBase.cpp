#include "views/common/frmPropertiesBase.h"

#include "catalogue/clsDBRoutines.h"
#include "platform/KestrelError.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/widgets/LoadPicture.h"
#include "settings/FileChecks.h"
#include "views/common/ProgramHealth.h"
#include "views/common/Twips.h"

#include <QLabel>
#include <QPushButton>

#include <optional>

frmPropertiesBase::frmPropertiesBase(clsDBRoutines& catalogue, const QString& defaultIcon,
                                     QWidget* parent)
    : QDialog(parent), mCatalogue(catalogue), mDefaultIcon(defaultIcon)
{
    setObjectName(QStringLiteral("frmProperties"));
    setFixedSize(twips::px(4470), twips::px(4155));
    // The layout was drawn for a small face; the default size would clip the captions.
    QFont small = font();
    small.setPointSizeF(7.5);
    setFont(small);

    Image1 = addLabel(QStringLiteral("Image1"), QString(), 240, 120, 615, 615);
    Image1->setAlignment(Qt::AlignCenter);
    lblProgramName = addLabel(QStringLiteral("lblProgramName"), QStringLiteral("Program Name"),
                              1080, 240, 3135, 375);
    QFont nameFont = lblProgramName->font();
    nameFont.setBold(true);
    lblProgramName->setFont(nameFont);
    Label1 = addLabel(QStringLiteral("Label1"), QStringLiteral("Date Added:"), 240, 960, 975, 255);
    lblDateAdded =
        addLabel(QStringLiteral("lblDateAdded"), QStringLiteral("DateAdded"), 1320, 960, 1815, 255);
    Label2 =
        addLabel(QStringLiteral("Label2"), QStringLiteral("Program Path:"), 240, 1320, 1095, 255);
    lblProgramPath = addLabel(QStringLiteral("lblProgramPath"), QStringLiteral("Program Path"),
                              1320, 1320, 2535, 735);
    Label3 = addLabel(QStringLiteral("Label3"), QStringLiteral("Icon Path :"), 240, 2400, 975, 255);
    lblIconPath =
        addLabel(QStringLiteral("lblIconPath"), QStringLiteral("Icon Path"), 1320, 2400, 2655, 735);
    for (QLabel* wrapping : {lblProgramPath, lblIconPath})
        wrapping->setWordWrap(true);
    // A caption and its value share a top, so their first lines line up however many
    // lines the value takes.
    for (QLabel* label : {Label1, lblDateAdded, Label2, lblProgramPath, Label3, lblIconPath})
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // Set when the health check found the program broken; in the free row above OK.
    lblProblem = addLabel(QStringLiteral("lblProblem"), QString(), 240, 3150, 3990, 390);
    lblProblem->setWordWrap(true);
    lblProblem->setStyleSheet(QStringLiteral("color: #b00000"));

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(twips::rect(120, 3600, 1095, 375));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &frmPropertiesBase::closeWindow);
}

frmPropertiesBase::~frmPropertiesBase() = default;

QLabel* frmPropertiesBase::addLabel(const QString& name, const QString& text, int left, int top,
                                    int width, int height)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(twips::rect(left, top, width, height));
    return label;
}

void frmPropertiesBase::setProgram(const QString& value)
{
    const QString name = TrimSpaces(value);
    if (name.isEmpty()) {
        platform::MsgBox({QStringLiteral("Invalid Program Name"),
                          QStringLiteral("Error"),
                          platform::MsgIcon::Information,
                          platform::MsgButtons::Ok,
                          {},
                          0});
        closeWindow();
        return;
    }
    mProgram = name;
    fillProperties();
}

void frmPropertiesBase::fillProperties()
{
    std::optional<Recordset> found;
    try {
        found.emplace(mCatalogue.loadProperties(mProgram));
    } catch (const KestrelError& error) {
        // The window only reads; a catalogue it cannot query closes it, not the program.
        platform::ShowError(error);
        closeWindow();
        return;
    }
    Recordset& properties = *found;
    if (properties.RecordCount() == 0) {
        properties.Close();
        platform::MsgBox({QStringLiteral("No Properties Found For : ") + mProgram,
                          QStringLiteral("Closing Property Window"),
                          platform::MsgIcon::Critical,
                          platform::MsgButtons::Ok,
                          {},
                          0});
        closeWindow();
        return;
    }
    properties.MoveFirst();
    setWindowTitle(QStringLiteral("Showing Properties For : ") + mProgram);
    const auto text = [&properties](const char* column) {
        return TrimSpaces(properties.Fields(QLatin1String(column)).toString());
    };
    lblProgramName->setText(text("ProgramName"));
    lblDateAdded->setText(text("AddedDate"));
    lblProgramPath->setText(text("ProgramPath"));
    QString icon = text("Icon");
    lblIconPath->setText(icon);
    const QString problem = ProgramHealth::instance().problem(mProgram);
    lblProblem->setText(problem.isEmpty() ? QString()
                                          : QStringLiteral("Broken: ") + problem.left(300));

    // A picture that cannot be loaded leaves the window without one; the reason is kept
    // as the picture's tool tip.
    try {
        // The picture the catalogue stores is shown whether or not the file is here; one
        // that is no picture, as the list does, with the default icon.
        const QByteArray stored = mCatalogue.loadStoredIcon(mProgram);
        QImage picture;
        if (!stored.isEmpty()) {
            try {
                picture = platform::readPicture(stored, icon);
            } catch (const KestrelError&) {
                icon.clear();
            }
        }
        Image1->setPixmap(!picture.isNull()
                              ? QPixmap::fromImage(picture)
                              : platform::loadPicture(icon.isEmpty() ? mDefaultIcon : icon));
    } catch (const KestrelError& error) {
        Image1->clear();
        Image1->setToolTip(error.description());
    }
    properties.Close();
    programFilled();
}

void frmPropertiesBase::closeWindow()
{
    mOpen = false;
    done(QDialog::Accepted);
}
