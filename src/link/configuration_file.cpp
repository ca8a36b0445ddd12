#include "link/configuration_file.h"

#ifdef _WIN32
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/wire/device_context.h"
#include "core/wire/link_status.h"
#include "link/tcp_link.h"

namespace velta {
namespace {

constexpr const char* k_section = "VELTA_Section";
constexpr std::size_t k_port_text_max = 5;  // what the port field holds

// Linux device paths of "COM1".."COM6" when velta.ini names none: USB adapters first, since
// most machines today have no built-in port.
constexpr std::array<const char*, 6> k_default_com_paths = {
    "/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyACM0", "/dev/ttyACM1", "/dev/ttyS0", "/dev/ttyS1"};

QString key_of(std::string_view key)
{
    return QString::fromLatin1(key.data(), static_cast<qsizetype>(key.size()));
}

// The value's text as it stands in the file (a value with commas is read back whole).
std::string raw_value(QSettings& s, const QString& key, const char* fallback)
{
    const QVariant v = s.value(key);
    if (!v.isValid())
        return fallback;
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1Char(',')).toStdString();
    return v.toString().toStdString();
}

// The leading number of the value, as atoi reads it (without its overflow); a value outside
// lo..hi reads as the default 0, so that no setting can later index past a list.
int int_value(QSettings& s, const QString& key, int lo, int hi)
{
    const long v = std::strtol(raw_value(s, key, "0").c_str(), nullptr, 10);
    return v < lo || v > hi ? 0 : static_cast<int>(v);
}

// The leading number of the value, brought into lo..hi.
int clamped_value(QSettings& s, const QString& key, int lo, int hi)
{
    const long v = std::strtol(raw_value(s, key, "0").c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long>(v, lo, hi));
}

QString host_key(int host, int byte)
{
    char key[16];
    std::snprintf(key, sizeof key, "ip%02d_%d", host, byte);
    return QString::fromLatin1(key);
}

struct Settings {
    QSettings file{configuration_file_path(), QSettings::IniFormat};
    Settings() { file.beginGroup(QString::fromLatin1(k_section)); }
    ~Settings()
    {
        file.endGroup();
        file.sync();
    }
};

#ifdef _WIN32
// Where the file was before: the user's VirtualStore copy first, since that is the one the
// user's earlier runs read and wrote, then the Windows folder itself.
QStringList old_configuration_paths()
{
    wchar_t buffer[MAX_PATH];
    const UINT n = GetWindowsDirectoryW(buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return {};
    const QString windows = QDir::fromNativeSeparators(QString::fromWCharArray(buffer, n));
    const QString local_data =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    // "C:/Windows" is stored as "<local data>/VirtualStore/Windows".
    const QString store = local_data + QStringLiteral("/VirtualStore/") + windows.mid(3);
    return {store + QStringLiteral("/velta.ini"), windows + QStringLiteral("/velta.ini")};
}
#endif

}  // namespace

bool migrate_configuration_file(const QStringList& old_paths, const QString& new_path)
{
    if (QFileInfo::exists(new_path))
        return false;
    for (const QString& old_path : old_paths) {
        if (!QFileInfo(old_path).isFile())
            continue;
        const QString section = QString::fromLatin1(k_section);
        QSettings old_file(old_path, QSettings::IniFormat);
        old_file.beginGroup(section);
        QSettings new_file(new_path, QSettings::IniFormat);
        new_file.beginGroup(section);
        for (const QString& key : old_file.childKeys()) new_file.setValue(key, old_file.value(key));
        new_file.endGroup();
        new_file.sync();
        return new_file.status() == QSettings::NoError;
    }
    return false;
}

QString configuration_file_path()
{
    // GenericConfigLocation is $XDG_CONFIG_HOME (or ~/.config) on Linux and the user's local
    // application data folder on Windows.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/velta/velta.ini");
}

QString backup_folder_path()
{
    return QFileInfo(configuration_file_path()).absolutePath() + QStringLiteral("/backups");
}

void read_configuration(DeviceContext& program)
{
#ifdef _WIN32
    migrate_configuration_file(old_configuration_paths(), configuration_file_path());
#endif
    Settings s;
    LinkSettings& l = program.link;
    l.com_port_index = int_value(s.file, QStringLiteral("com_port"), 0, 5);
    l.rs485 = int_value(s.file, QStringLiteral("rs_control"), 0, 1) == 1;
    l.interface = int_value(s.file, QStringLiteral("Interface"), 0, 1) == 1 ? Interface::tcp
                                                                            : Interface::serial;

    std::string port = raw_value(s.file, QStringLiteral("p_port_number"), "09004");
    if (port.size() > k_port_text_max)
        port.resize(k_port_text_max);
    program.model.extras.port_number = port;

    l.tcp_role = int_value(s.file, QStringLiteral("ClientServer"), 0, 1) == 1 ? TcpRole::server
                                                                              : TcpRole::client;
    // The server's listen address as last started (empty: every local IPv4 address); one that
    // is no address is not taken.
    const std::string listen = raw_value(s.file, QStringLiteral("listen_address"), "");
    set_listen_address(listen_address_valid(listen) ? listen : std::string());
    // A count beyond the list's limit still reads the hosts it can hold, so that the next "追加"
    // or "削除" does not write a short list over them.
    l.host_count = clamped_value(s.file, QStringLiteral("list_count"), 0, k_max_hosts);
    l.selected_host = int_value(s.file, QStringLiteral("select_number"), 0, k_max_hosts - 1);

    l.host_list.assign(static_cast<std::size_t>(l.host_count), IpAddress{});
    for (int i = 0; i < l.host_count; ++i)
        for (int k = 0; k < 4; ++k)
            l.host_list[static_cast<std::size_t>(i)][static_cast<std::size_t>(k)] =
                static_cast<std::uint8_t>(int_value(s.file, host_key(i, k), 0, 255));
}

void write_configuration_int(std::string_view key, int value)
{
    Settings s;
    s.file.setValue(key_of(key), QString::number(value));
}

void write_configuration_text(std::string_view key, std::string_view text)
{
    Settings s;
    s.file.setValue(key_of(key),
                    QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())));
}

void write_host_keys(const LinkSettings& l, int first_index)
{
    Settings s;
    s.file.setValue(QStringLiteral("list_count"), QString::number(l.host_count));
    const int count = std::min<int>(l.host_count, static_cast<int>(l.host_list.size()));
    for (int i = first_index < 0 ? 0 : first_index; i < count && i < k_max_hosts; ++i)
        for (int k = 0; k < 4; ++k)
            s.file.setValue(
                host_key(i, k),
                QString::number(
                    l.host_list[static_cast<std::size_t>(i)][static_cast<std::size_t>(k)]));
}

bool read_configuration_flag(std::string_view key)
{
    Settings s;
    return int_value(s.file, key_of(key), 0, 1) == 1;
}

void write_configuration_flag(std::string_view key, bool on)
{
    write_configuration_int(key, on ? 1 : 0);
}

QString last_folder(std::string_view kind)
{
    Settings s;
    return s.file.value(QStringLiteral("last_folder_") + key_of(kind)).toString();
}

void remember_folder(std::string_view kind, const QString& chosen_file)
{
    Settings s;
    s.file.setValue(QStringLiteral("last_folder_") + key_of(kind),
                    QFileInfo(chosen_file).absolutePath());
}

QStringList recent_files()
{
    Settings s;
    QStringList out;
    for (int i = 0; i < k_recent_files; ++i) {
        const QString path = s.file.value(QStringLiteral("recent%1").arg(i)).toString();
        if (!path.isEmpty() && !out.contains(path))
            out.push_back(path);
    }
    return out;
}

void add_recent_file(const QString& path)
{
    QStringList list = recent_files();
    list.removeAll(path);
    list.prepend(path);
    Settings s;
    for (int i = 0; i < k_recent_files; ++i) {
        const QString key = QStringLiteral("recent%1").arg(i);
        if (i < list.size())
            s.file.setValue(key, list[i]);
        else
            s.file.remove(key);
    }
}

QString serial_device_name(int com_port_index)
{
    const int index = com_port_index < 0 || com_port_index > 5 ? 0 : com_port_index;
#ifdef _WIN32
    return QStringLiteral("COM%1").arg(index + 1);
#else
    Settings s;
    const QString path =
        QString::fromStdString(raw_value(s.file, QStringLiteral("com_path%1").arg(index), ""))
            .trimmed();
    return path.isEmpty()
               ? QString::fromLatin1(k_default_com_paths[static_cast<std::size_t>(index)])
               : path;
#endif
}

}  // namespace velta
