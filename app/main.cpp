// kven: the desktop program.
#include <QApplication>

#include "app/programmer_app.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    CProgrammerApp theApp;
    if (!theApp.InitInstance())
        return 1;
    return QApplication::exec();
}
