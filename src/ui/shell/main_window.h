#pragma once
// The main window: menu bar, toolbar, the two-part status bar with the clock, the 300 ms timer
// that drives the answer watchdog, the menu enabling rules, the hidden corner shortcut to the
// read-all dialog and the exit guard. It shows no data; every function is a modal dialog.

#include <QDateTime>
#include <QKeySequence>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <map>

#include "core/device/file_menu.h"
#include "core/wire/link_status.h"

class QLabel;
class QMenu;
class QToolBar;

namespace velta {

class PageOverviewDialog;

inline constexpr int k_main_timer_ms = 300;
// Fourteen 50-pixel toolbar buttons and the frame.
inline constexpr int k_main_window_width = 718;
inline constexpr int k_corner_size = 20;  // the hidden shortcut's square, from the top left
inline constexpr int k_corner_clicks_to_open = 10;
inline constexpr std::string_view k_text_protocol_needs_serial =
    "インターフェースをRS-232Cにしてください。";

// "VELTA Client Program - site.dat[*]": the role's title, the file being edited, the marker
// Qt shows while something is unsaved.
QString main_window_title(TcpRole tcp_role, const std::string& file_name = {});
// The link as the status bar shows it: the serial port and its mode or RS-485 address, the
// TCP/IP client's host and port and whether it is connected, or the server's port, how many
// devices are connected and which is chosen.
QString link_status_text();
// "2026年12月 9日  水曜日": the date, two blanks, the weekday.
QString status_date_text(const QDate& date);
// "07：05：09", with full-width colons.
QString status_time_text(const QTime& time);

// Opens the dialog of a command id; false when no dialog answers for it.
using DialogOpener = std::function<bool(int command_id, QWidget* owner)>;

// The settings file dialog with its titles and filters; nothing when cancelled.
std::optional<std::string> choose_settings_file(FileDialogMode mode, QWidget* owner);

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // What the menu and the toolbar do for a command id; toolbar ids act as their menu items.
    void run_command(int command_id);
    // Greys the link items that do not fit the current interface; lists the recent files.
    void apply_menu_rules();
    // A right-click at a position in window coordinates.
    void corner_click(const QPoint& pos);
    int corner_clicks() const { return corner_clicks_; }
    // The exit request; true when the program ends.
    bool request_exit();
    // One tick of the main timer: the watchdog, then the clock, the title and the link.
    void tick();
    // The title with the file name and the unsaved marker, and the link part of the status bar.
    void update_title();
    // Opens a settings data file of the recent list (asking about unsaved data first).
    void open_recent(const QString& path);

    QAction* action(int command_id) const;
    QToolBar* toolbar() const { return toolbar_; }
    QLabel* date_label() const { return date_label_; }
    QLabel* time_label() const { return time_label_; }
    QLabel* link_label() const { return link_label_; }
    QMenu* recent_menu() const { return recent_menu_; }
    QTimer& main_timer() { return timer_; }

    // Seams for tests and tools: where dialogs open, the file dialog, the clock, the quit.
    void set_dialog_opener(DialogOpener opener) { opener_ = std::move(opener); }
    void set_file_chooser(SettingsFileChooser chooser) { chooser_ = std::move(chooser); }
    void set_glyph_file_chooser(GlyphSaveChooser chooser) { glyph_chooser_ = std::move(chooser); }
    void set_clock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }
    void set_quit(std::function<void()> quit) { quit_ = std::move(quit); }

protected:
    void contextMenuEvent(QContextMenuEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void build_menus();
    void build_toolbar();
    void build_status_bar();
    QAction* add_item(QMenu* menu, int command_id, const char* text, const QKeySequence& keys = {});
    void update_clock();
    void update_recent_menu();
    FileChoosers choosers() const { return {chooser_, glyph_chooser_}; }
    // After a File item: a file opened or saved heads the recent list.
    void file_done(bool ok, bool opened = false);
    // The page overview: made on first use, shown beside the main window.
    void show_page_overview();

    std::map<int, QAction*> actions_;
    QPointer<PageOverviewDialog> overview_;
    QToolBar* toolbar_ = nullptr;
    QLabel* date_label_ = nullptr;
    QLabel* time_label_ = nullptr;
    QLabel* link_label_ = nullptr;
    QMenu* recent_menu_ = nullptr;
    QTimer timer_;
    bool exit_accepted_ = false;
    int corner_clicks_ = 0;  // right-clicks in a row in the top-left square

    DialogOpener opener_;
    SettingsFileChooser chooser_;
    GlyphSaveChooser glyph_chooser_;
    std::function<QDateTime()> clock_;
    std::function<void()> quit_;
};

}  // namespace velta
