#pragma once

#include <QWidget>

class CommandLabel;
class QFrame;
class QLabel;

// The part of the left panel that both programs share: the logo Image1, the rule Image2,
// the description lblDescription with the Description property, and the Quit command
// lblQuit with its underline Line3 (QuitClicked). Logo and rule are placed here; a variant
// (launcher::ucLeftFrame, admin::ucLeftFrame; see ucProgramViewBase.h) places
// lblDescription, lblQuit and Line3 with placeTwips/placeLine and adds its own children.
class ucLeftFrameBase : public QWidget
{
    Q_OBJECT
public:
    explicit ucLeftFrameBase(QWidget* parent = nullptr);
    ~ucLeftFrameBase() override;

    QString Description() const;
    void setDescription(const QString& text);

signals:
    void QuitClicked();

protected:
    // Positions in twips (left, top, width, height), and a line from (x1, y1) to (x2, y2).
    static void placeTwips(QWidget* widget, int left, int top, int width, int height);
    static void placeLine(QFrame* line, int x1, int y1, int x2, int y2);

    QFrame* addLine(const QString& name);
    CommandLabel* addCommandLabel(const QString& name, const QString& text);
    // Verdana 8.25 pt, the face of the panels' commands.
    static QFont commandFont();
    // The pointer shown over the launcher's commands.
    static QCursor commandPointer();

    QLabel* Image1;
    QLabel* Image2;
    QLabel* lblDescription;
    CommandLabel* lblQuit;
    QFrame* Line3;
};
