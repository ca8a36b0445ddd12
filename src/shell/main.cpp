#include <QApplication>
#include <QMainWindow>

#include "model/settings_model.h"

// Until the application shell lands, the tool opens an empty main window.
int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    velta::reset_settings_model();
    QMainWindow window;
    window.setWindowTitle("VELTA Client Program");
    window.setFixedSize(618, 120);
    window.show();
    return QApplication::exec();
}
