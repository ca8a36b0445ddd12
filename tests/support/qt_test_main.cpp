// Runs the Qt-based tests with an application object on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>

#include "core/pages/title_encoding.h"
#include "link/text_cp932.h"
#include "support/config_sandbox.h"

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    // Dialogs read the choices they remember from velta.ini: never the developer's own.
    const velta::ConfigSandbox sandbox;
    velta::set_title_text_reader(&velta::cp932_char_to_utf8);  // as the program does
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
