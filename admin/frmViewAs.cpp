#include "admin/frmViewAs.h"

#include "admin/Controls.h"
#include "platform/identity/Identity.h"

#include <QCompleter>
#include <QDialogButtonBox>
#include <QFormLayout>

namespace admin {

frmViewAs::frmViewAs(QWidget* parent)
    : QDialog(parent), mTxtUser(new QLineEdit(this)), mTxtHost(new QLineEdit(this))
{
    setObjectName("frmViewAs");
    setWindowTitle("View as...");
    setFont(windowFont());
    mTxtUser->setObjectName("txtUser");
    auto* users = new QCompleter(identity::userNames(), mTxtUser);
    users->setCaseSensitivity(Qt::CaseInsensitive);
    mTxtUser->setCompleter(users);
    mTxtHost->setObjectName("txtHost");
    mTxtHost->setPlaceholderText("this host");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow("User :", mTxtUser);
    form->addRow("Host :", mTxtHost);
    form->addRow(buttons);
    setMinimumWidth(280);
}

} // namespace admin
