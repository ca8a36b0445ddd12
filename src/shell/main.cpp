#include <QApplication>

#include "shell/box_presenter.h"
#include "shell/main_window.h"
#include "shell/pictures.h"
#include "shell/single_instance.h"
#include "shell/startup.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setWindowIcon(velta::program_icon());
    velta::install_qt_box_presenter();

    velta::InstanceGuard guard;
    if (!guard.acquire())
        return 0;

    const std::unique_ptr<velta::MainWindow> window = velta::start_up();
    return QApplication::exec();
}
