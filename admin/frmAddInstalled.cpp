#include "admin/frmAddInstalled.h"

#include "admin/Controls.h"
#include "admin/frmSetup.h"
#include "catalogue/ProgramImport.h"
#include "catalogue/ProgramName.h"
#include "catalogue/clsDBRoutines.h"
#include "platform/KestrelError.h"
#include "views/common/BackgroundTask.h"

#include <QDialogButtonBox>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSet>
#include <QVBoxLayout>

namespace admin {
namespace {
constexpr int kIconSide = 32;

// Off the window's thread, so images only (pixmaps belong to the window's thread).
QImage readIcon(const QString& path)
{
    if (path.isEmpty())
        return {};
    QImageReader reader(path);
    const QSize natural = reader.size();
    // Drawings and large pictures are decoded at the size shown.
    if (reader.supportsOption(QImageIOHandler::ScaledSize) && natural.isValid())
        reader.setScaledSize(natural.scaled(kIconSide, kIconSide, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (!image.isNull() && (image.width() > kIconSide || image.height() > kIconSide))
        image = image.scaled(kIconSide, kIconSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

QString shortened(const QString& text, qsizetype length = 200)
{
    return text.size() > length ? text.left(length) + QChar(0x2026) : text;
}
} // namespace

frmAddInstalled::frmAddInstalled(frmSetup* owner, const QStringList& folders)
    : QDialog(owner), mCatalogue(owner->catalogue())
{
    setObjectName("frmAddInstalled");
    setWindowTitle("Add Installed Applications");
    setFont(windowFont());
    resize(460, 480);

    mSearch = new QLineEdit(this);
    mSearch->setObjectName("txtSearch");
    mSearch->setPlaceholderText("Search names and comments");
    mSearch->setClearButtonEnabled(true);
    mList = new QListWidget(this);
    mList->setObjectName("lstApplications");
    mList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    mList->setIconSize(QSize(kIconSide, kIconSide));
    mList->setUniformItemSizes(true);
    mStatus = new QLabel("Reading the installed applications...", this);
    mStatus->setObjectName("lblStatus");
    auto* buttons = new QDialogButtonBox(this);
    mAdd = buttons->addButton("Add", QDialogButtonBox::AcceptRole);
    mAdd->setObjectName("cmdAdd");
    mAdd->setEnabled(false);
    QPushButton* close = buttons->addButton("Close", QDialogButtonBox::RejectRole);
    close->setObjectName("cmdClose");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(mSearch);
    layout->addWidget(mList, 1);
    layout->addWidget(mStatus);
    layout->addWidget(buttons);

    connect(mSearch, &QLineEdit::textChanged, this, &frmAddInstalled::filter);
    connect(mList, &QListWidget::itemSelectionChanged, this,
            [this] { mAdd->setEnabled(!mList->selectedItems().isEmpty()); });
    connect(mList, &QListWidget::itemDoubleClicked, this, &frmAddInstalled::addChosen);
    connect(mAdd, &QPushButton::clicked, this, &frmAddInstalled::addChosen);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    // Entries and icons are read off the window's thread; a window closed meanwhile is
    // handed nothing.
    background::run(
        this, QThread::NormalPriority,
        [folders] {
            QList<Entry> entries;
            for (const DesktopCandidate& candidate : readInstalledApplications(folders))
                if (candidate.skipReason.isEmpty())
                    entries.append({candidate, readIcon(candidate.program.icon)});
            return entries;
        },
        [this](const QList<Entry>& entries) { showEntries(entries); });
}

void frmAddInstalled::showEntries(const QList<Entry>& entries)
{
    QList<Entry> sorted = entries;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Entry& a, const Entry& b) {
        return a.candidate.program.name.compare(b.candidate.program.name, Qt::CaseInsensitive) < 0;
    });
    for (const Entry& entry : sorted) {
        const ProgramRecord& program = entry.candidate.program;
        auto* item =
            new QListWidgetItem(program.description.isEmpty() ? shortened(program.name)
                                                              : shortened(program.name) + u'\n' +
                                                                    shortened(program.description),
                                mList);
        if (!entry.icon.isNull())
            item->setIcon(QIcon(QPixmap::fromImage(entry.icon)));
        item->setToolTip(entry.candidate.file);
        mPrograms.append(program);
    }
    mStatus->setText(QStringLiteral("%1 installed applications").arg(sorted.size()));
    markThoseInTheCatalogue();
    mLoaded = true;
    emit loaded();
}

void frmAddInstalled::markThoseInTheCatalogue()
{
    // A name the catalogue has would only be skipped: such an application is shown greyed,
    // said to be there, and cannot be chosen.
    QSet<QString> names;
    try {
        for (const ProgramRecord& program : mCatalogue.loadCatalogue())
            names.insert(programNameKey(program.name));
    } catch (const KestrelError&) {
        return; // the add says why the catalogue cannot be read
    }
    const QString mark = QStringLiteral(" (in the catalogue)");
    for (int row = 0; row < mList->count(); ++row) {
        QListWidgetItem* item = mList->item(row);
        if (!names.contains(programNameKey(mPrograms.at(row).name)) ||
            !(item->flags() & Qt::ItemIsEnabled))
            continue;
        item->setSelected(false);
        item->setFlags(item->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable));
        QString text = item->text();
        text.insert(text.indexOf(u'\n') < 0 ? text.size() : text.indexOf(u'\n'), mark);
        item->setText(text);
    }
}

void frmAddInstalled::filter(const QString& text)
{
    const QString wanted = text.trimmed();
    for (int row = 0; row < mList->count(); ++row) {
        const ProgramRecord& program = mPrograms.at(row);
        mList->item(row)->setHidden(!wanted.isEmpty() &&
                                    !program.name.contains(wanted, Qt::CaseInsensitive) &&
                                    !program.description.contains(wanted, Qt::CaseInsensitive));
    }
}

void frmAddInstalled::addChosen()
{
    QList<ProgramRecord> chosen;
    for (int row = 0; row < mList->count(); ++row)
        if (mList->item(row)->isSelected() && !mList->item(row)->isHidden())
            chosen.append(mPrograms.at(row));
    if (chosen.isEmpty())
        return;
    QStringList skipped;
    try {
        ImportPlan plan(mCatalogue.loadCatalogue(), false);
        for (const ProgramRecord& program : chosen) {
            QString reason;
            if (plan.offer(program, reason) == ImportPlan::Skipped)
                skipped.append(shortened(program.name, 80));
        }
        mCatalogue.storePrograms(plan.additions(), {});
        const qsizetype added = plan.additions().size();
        QString text = QStringLiteral("%1 added.").arg(added);
        if (!skipped.isEmpty())
            text += QStringLiteral("\n%1 skipped because the name exists: %2")
                        .arg(skipped.size())
                        .arg(shortened(skipped.join(QStringLiteral(", ")), 600));
        message(text, "Add Installed Applications", platform::MsgIcon::Information);
        markThoseInTheCatalogue();
        if (added > 0)
            emit programsAdded();
    } catch (const KestrelError& error) {
        message(QStringLiteral("Nothing was added: %1").arg(error.description()),
                "Add Installed Applications", platform::MsgIcon::Critical);
    }
}

} // namespace admin
