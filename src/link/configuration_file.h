#pragma once
// velta.ini, section "VELTA_Section": the link settings, read once at start-up and written key
// by key at the moment of change.

#include <QString>
#include <QStringList>
#include <string_view>

namespace velta {

struct DeviceContext;
struct LinkSettings;

// $XDG_CONFIG_HOME/velta/velta.ini on Linux (tests isolate it that way); the user's
// application configuration directory on Windows.
QString configuration_file_path();
// The folder of the configuration backups: "backups" in the folder of velta.ini.
QString backup_folder_path();

// On Windows velta.ini used to live in the Windows folder (or, for a user not allowed to write
// there, in the user's VirtualStore copy of it). When the file at new_path does not exist, the
// first of old_paths that does is read once and its keys written to new_path; an existing new
// file is never touched. Returns whether a file was carried over.
bool migrate_configuration_file(const QStringList& old_paths, const QString& new_path);

// Carries an old file over first (Windows), then reads the keys into the program's context:
// its link settings and port number.
void read_configuration(DeviceContext& program);
void write_configuration_int(std::string_view key, int value);
void write_configuration_text(std::string_view key, std::string_view text);
// Writes "list_count" and the four address keys of every host of host_list.
void write_host_keys(const LinkSettings& link, int first_index);

// An on/off choice a dialog keeps between runs ("fast_set_all": 1 or 0); off when absent.
bool read_configuration_flag(std::string_view key);
void write_configuration_flag(std::string_view key, bool on);

// The folder a file dialog for a kind of file ("dat", "tll", "tlm", "tls", "bmp") last chose
// a file in ("last_folder_dat"), or empty.
QString last_folder(std::string_view kind);
void remember_folder(std::string_view kind, const QString& chosen_file);

inline constexpr int k_recent_files = 8;
// The settings data files last opened or saved ("recent0".."recent7"), newest first.
QStringList recent_files();
// Puts path first; it appears once, and the oldest beyond eight is dropped.
void add_recent_file(const QString& path);

// The device the serial entry "COM1".."COM6" (index 0..5) stands for: the name itself on
// Windows; on Linux a path from the mapping kept in velta.ini.
QString serial_device_name(int com_port_index);

}  // namespace velta
