#pragma once

#include <QDialog>

class clsDBRoutines;
class QLabel;
class QPushButton;

// The properties window of both programs: the icon Image1, the value labels
// lblProgramName, lblDateAdded, lblProgramPath, lblIconPath with their captions, and OK.
// The launcher's variant (launcher::frmProperties) adds cmdLaunch; see ucProgramViewBase.h.
//
// How a holder opens it:
//     frmProperties window(catalogue, defaultIcon, this);
//     window.setProgram(name);          // refuses or reports, then closes itself
//     if (window.isOpen()) window.exec();
class frmPropertiesBase : public QDialog
{
    Q_OBJECT
public:
    // Reads the program from catalogue; defaultIcon is the picture of a program without one
    // of its own.
    frmPropertiesBase(clsDBRoutines& catalogue, const QString& defaultIcon,
                      QWidget* parent = nullptr);
    ~frmPropertiesBase() override;

    QString Program() const { return mProgram; }
    // Checks the name (trimmed) and fills the window from the catalogue. An empty name or
    // one without a catalogue record is reported in a message box and closes the window.
    void setProgram(const QString& value);

    // False once the window has closed itself: it must then not be shown.
    bool isOpen() const { return mOpen; }

protected:
    void closeWindow();
    clsDBRoutines& catalogue() const { return mCatalogue; }
    // After a fill that found the program Program(): what a variant shows besides.
    virtual void programFilled() {}
    QLabel* addLabel(const QString& name, const QString& text, int left, int top, int width,
                     int height);

    QLabel* Image1;
    QLabel* lblProgramName;
    QLabel* Label1;
    QLabel* lblDateAdded;
    QLabel* Label2;
    QLabel* lblProgramPath;
    QLabel* Label3;
    QLabel* lblIconPath;
    QLabel* lblProblem; // why the program is broken, when it is
    QPushButton* cmdOK;

private:
    void fillProperties();

    clsDBRoutines& mCatalogue;
    QString mDefaultIcon;
    QString mProgram;
    bool mOpen = true;
};
