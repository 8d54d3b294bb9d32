// The yardstick for the launcher's start-up: an empty Qt main window of the launcher's
// size, started from the same folder in the same way (bench_startup).
#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Empty"));
    window.setFixedSize(623, 364);
    window.show();
    return app.exec();
}
