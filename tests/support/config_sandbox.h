#pragma once
// Points the per-user configuration directory at a fresh temporary folder for the life of the
// object, so that tests never read or write the developer's own velta.ini.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "link/configuration_file.h"

namespace velta {

class ConfigSandbox {
public:
    ConfigSandbox()
        : previous_(qgetenv("XDG_CONFIG_HOME")), had_(qEnvironmentVariableIsSet("XDG_CONFIG_HOME"))
    {
        qputenv("XDG_CONFIG_HOME", dir_.path().toLocal8Bit());
    }
    ~ConfigSandbox()
    {
        if (had_)
            qputenv("XDG_CONFIG_HOME", previous_);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }
    ConfigSandbox(const ConfigSandbox&) = delete;
    ConfigSandbox& operator=(const ConfigSandbox&) = delete;

    // Writes velta.ini with the given text, as an operator's editor would.
    void write_file(const QByteArray& text) const
    {
        QDir().mkpath(dir_.path() + "/velta");
        QFile f(configuration_file_path());
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(text);
    }
    QByteArray file_text() const
    {
        QFile f(configuration_file_path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString root() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    QByteArray previous_;
    bool had_;
};

}  // namespace velta
