#pragma once
// The preview of the selected page: the page drawn as it appears on the picture, over a test
// picture or a still the operator picks (a frame grab of their video), with a note that the
// device's font differs and the two buttons that choose what lies behind the title. It reads
// the program's document; whoever edits the configuration calls refresh().

#include <QImage>
#include <QSize>
#include <QString>
#include <QWidget>
#include <functional>

#include "ui/pages/page_preview_render.h"

class QPushButton;

namespace velta {

class PreviewCanvas;

inline constexpr const char* k_text_preview_note =
    "表示はおおよそのものです（本機のフォントとは異なります）";
inline constexpr const char* k_text_image_unreadable = "画像ファイルを読み込めません";

class PagePreview : public QWidget {
    Q_OBJECT
public:
    // Asks for the file of a still; an empty name when the operator cancels.
    using ImageChooser = std::function<QString(QWidget* owner)>;

    explicit PagePreview(QWidget* parent = nullptr);
    ~PagePreview() override;

    void show_slot(int slot);
    int slot() const { return slot_; }
    // A null image goes back to the test picture.
    void set_background(const QImage& still);
    const QImage& background() const { return still_; }
    // The configuration or the glyphs changed: draws the page again now.
    void refresh();
    // The last rendered picture.
    const QImage& picture() const { return picture_; }

    // "画像を選ぶ…": asks for a file and shows it behind the title, or says why it cannot.
    void choose_image();
    void set_image_chooser(ImageChooser chooser) { chooser_ = std::move(chooser); }

    QPushButton* test_picture_button() const { return test_button_; }
    QPushButton* choose_image_button() const { return choose_button_; }

signals:
    void background_changed(const QImage& still);

private:
    friend class PreviewCanvas;
    void render_now();

    PreviewCanvas* canvas_ = nullptr;
    QPushButton* test_button_ = nullptr;
    QPushButton* choose_button_ = nullptr;
    ImageChooser chooser_;
    PreviewRenderer renderer_;
    QImage still_;
    QImage picture_;
    int slot_ = 0;
};

}  // namespace velta
