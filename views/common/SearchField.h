#pragma once

#include <QLineEdit>
#include <QPointer>

// The search field of a program list (object name "txtSearch"). Esc clears it. Printable
// keys typed anywhere in its window come here (see captureTyping), so a user can type a
// few letters and press Enter whatever has the focus.
class SearchField : public QLineEdit
{
    Q_OBJECT
public:
    explicit SearchField(QWidget* parent = nullptr);

    // From now on printable keys pressed in window's controls go into this field, except
    // in other text fields and except a blank for a control that Space presses. Esc
    // pressed in the window clears the field.
    void captureTyping(QWidget* window);

signals:
    // Page Down: the user wants to move into the results.
    void leaveDown();
    // Up (-1) or Down (+1): the selection moves through the results, the focus stays here.
    void stepSelection(int step);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> mWindow;
};
