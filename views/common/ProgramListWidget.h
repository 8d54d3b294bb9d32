#pragma once

#include <QListWidget>

// The icon list inside ucProgramView (object name "lstView"). It reports every button
// release and every double-click over it, after its own handling (selection, clicks),
// so the holder sees the selection the gesture left.
class ProgramListWidget : public QListWidget
{
    Q_OBJECT
public:
    explicit ProgramListWidget(QWidget* parent = nullptr);

signals:
    void mouseReleased(Qt::MouseButton button, const QPoint& viewportPos);
    void doubleClicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};
