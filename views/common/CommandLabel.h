#pragma once

#include <QLabel>

// A text label that acts as a command: a left click on it emits clicked().
class CommandLabel : public QLabel
{
    Q_OBJECT
public:
    explicit CommandLabel(const QString& text, QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};
