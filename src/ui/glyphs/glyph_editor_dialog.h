#pragma once
// The glyph editor, one implementation for the three sizes: a pixel grid drawn with the mouse,
// read and register of the slot, a sample character read, and the derivation of the other
// sizes.

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <string>

#include "core/glyphs/glyph_sizes.h"
#include "ui/widgets/settings_dialog.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace velta {

// The editing surface: holds the drawn grid as an image, repaints only what changed.
class GlyphGridView : public QWidget {
    Q_OBJECT
public:
    GlyphGridView(GlyphSize size, QWidget* parent);

    // Draws every cell of glyph_work into the image.
    void draw_glyph_grid();
    // Draws one cell and asks for the repaint of its rectangle only.
    void draw_cell(int column, int row);
    const QImage& image() const { return image_; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    GlyphSize size_;
    QImage image_;
};

class GlyphEditorDialog : public SettingsDialog {
    Q_OBJECT
public:
    // Opens on the slot glyph_transfer_index.
    GlyphEditorDialog(GlyphSize size, QWidget* parent = nullptr);
    ~GlyphEditorDialog() override;

    GlyphSize size() const { return size_; }
    GlyphGridView* grid() const { return grid_; }
    QComboBox* number_list() const { return number_list_; }
    QLineEdit* sample_field() const { return sample_; }
    QPushButton* button(const QString& text) const;
    QPushButton* sample_read_button() const { return sample_read_; }
    const std::string& sample_text() const { return sample_text_; }
    bool redraw_pending() const { return repaint_pending_; }
    // The deferred redraw's tick, as its timer runs it.
    void redraw_tick();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void done(int result) override;

private:
    void request_redraw(int delay_ms);
    void edit_at(const QPoint& p, bool set);
    void clear_buffer();
    void sample_changed();

    GlyphSize size_;
    GlyphGridView* grid_ = nullptr;
    QComboBox* number_list_ = nullptr;
    QLineEdit* sample_ = nullptr;
    QPushButton* sample_read_ = nullptr;
    QTimer redraw_timer_;
    bool repaint_pending_ = false;
    bool left_drag_ = false;
    bool right_drag_ = false;
    std::string sample_text_;
};

}  // namespace velta
