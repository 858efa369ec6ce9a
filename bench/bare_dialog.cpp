// The least a Qt Widgets program with a window on screen costs: one empty
// dialog. The anchor of the program's start-up time, CPU and memory.

#include <QApplication>
#include <QDialog>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Bare dialog"));
    dialog.resize(400, 200);
    dialog.show();
    return app.exec();
}
