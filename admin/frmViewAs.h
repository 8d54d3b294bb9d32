#pragma once

#include <QDialog>

class QLineEdit;

namespace admin {

// Asks for the user (the machine's users offered) and the host the setup window's list is
// to be shown for; an empty host is this one.
class frmViewAs : public QDialog
{
    Q_OBJECT
public:
    explicit frmViewAs(QWidget* parent);

    QLineEdit* txtUser() const { return mTxtUser; }
    QLineEdit* txtHost() const { return mTxtHost; }

private:
    QLineEdit* mTxtUser;
    QLineEdit* mTxtHost;
};

} // namespace admin
