#pragma once
// The glyph list, one implementation for the three sizes: a page of glyph pictures, the read
// and register runs over every slot (at their periods, or with "高速" as the answers come), the
// list files, the editor on a double click and the bitmap export of a picture.

#include <QImage>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/glyphs/glyph_sizes.h"
#include "ui/widgets/settings_dialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace velta {

// What a file dialog is asked: open or save, its title, the proposed name and the filters.
struct GlyphFileRequest {
    bool save = false;
    QString title;
    QString default_name;
    QString filter;  // "データ(*.tll);;すべて(*.*)"
    // Given to a bare name ("tll", "bmp"). The overwrite question is the flows' own, asked
    // about the name with its extension completed.
    QString default_suffix;
    // The kind of file, whose folder the dialog opens in and remembers ("tll", "bmp").
    QString kind;
};
// Shows a file dialog and returns the chosen path, or nothing on cancel. Tests install their
// own; the program uses the platform's file dialogs.
using GlyphFileDialog =
    std::function<std::optional<std::string>(QWidget* owner, const GlyphFileRequest& request)>;
GlyphFileDialog set_glyph_file_dialog(GlyphFileDialog dialog);
// The save dialog of a size's list file, through the dialog above.
std::optional<std::string> ask_glyph_list_file(GlyphSize size, bool save, QWidget* owner);

// Opens the editor of a size on glyph_transfer_index, modally over owner. Replaceable so that
// tests can see the call without a nested loop.
using GlyphEditorOpener = std::function<void(GlyphSize size, QWidget* owner)>;
GlyphEditorOpener set_glyph_editor_opener(GlyphEditorOpener opener);

// One picture box, as large as the glyph drawn 2 × 2 pixels per glyph pixel.
class GlyphThumbnail : public QWidget {
    Q_OBJECT
public:
    GlyphThumbnail(int side, QWidget* parent);
    void draw(GlyphSize size, int slot);
    const QImage& image() const { return image_; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QImage image_;
};

class GlyphListDialog : public SettingsDialog {
    Q_OBJECT
public:
    GlyphListDialog(GlyphSize size, QWidget* parent = nullptr);

    GlyphSize size() const { return size_; }
    QPushButton* button(const QString& text) const;
    QComboBox* page_list() const { return page_list_; }
    QLineEdit* percent_field() const { return percent_; }
    QProgressBar* progress_bar() const { return progress_; }
    QLineEdit* number_field(int box) const { return numbers_.at(static_cast<std::size_t>(box)); }
    GlyphThumbnail* box(int box) const { return boxes_.at(static_cast<std::size_t>(box)); }
    QTimer& list_timer() { return timer_; }
    bool repaint_pending() const { return repaint_pending_; }

    // The timer's handler: the deferred redraw, then one step of a run.
    void glyph_list_tick();
    // Redraws the boxes at the next tick (at once when no run goes).
    void request_repaint();
    // The bitmap file of a box as it is drawn now.
    std::string box_bmp_bytes(int box) const;

protected:
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void done(int result) override;
    void stop_run() override;

private:
    void draw_thumbnails();
    void start_run(bool register_all);
    // "中止" enabled and "高速" disabled while a run goes.
    void show_running(bool running);
    void run_ended();
    bool busy() const;

    GlyphSize size_;
    std::vector<GlyphThumbnail*> boxes_;
    std::vector<QLineEdit*> numbers_;
    QComboBox* page_list_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLineEdit* percent_ = nullptr;
    QTimer timer_;
    // The read or register run, periodic or answer-paced, on the list's timer; "Close" ends it.
    PacedRun run_;
    bool repaint_pending_ = false;
};

// The information box "外字について": five fixed lines.
class GlyphInfoDialog : public QDialog {
    Q_OBJECT
public:
    explicit GlyphInfoDialog(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* e) override;
};

}  // namespace velta
