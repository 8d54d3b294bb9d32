#pragma once

#include <QLabel>

// A text label that acts as a command: a left click on it emits clicked(), and so do
// Enter and Space while it has the keyboard focus (shown with the style's focus frame). Assistive
// technology sees it as a button named by its text.
class CommandLabel : public QLabel
{
    Q_OBJECT
public:
    explicit CommandLabel(const QString& text, QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
