#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "core/pages/title_encoding.h"
#include "link/text_cp932.h"
#include "ui/shell/box_presenter.h"
#include "ui/shell/main_window.h"
#include "ui/shell/pictures.h"
#include "ui/shell/single_instance.h"
#include "ui/shell/startup.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setWindowIcon(velta::program_icon());
    // The tool speaks Japanese whatever the system's language: Qt's own buttons and file
    // dialogs too, when its translations are installed.
    QTranslator qt_texts;
    if (qt_texts.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qt_texts);
    velta::install_qt_box_presenter();
    velta::set_title_text_reader(&velta::cp932_char_to_utf8);

    velta::InstanceGuard guard;
    if (!guard.acquire())
        return 0;

    const std::unique_ptr<velta::MainWindow> window = velta::start_up();
    return QApplication::exec();
}
