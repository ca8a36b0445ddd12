#pragma once
// Small previews of the pages around the selected one, two before and two after, the selected
// one framed; a click on one asks for its page.

#include <QImage>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <vector>

#include "ui/pages/page_preview_render.h"

namespace velta {

class PagePreviewStrip : public QWidget {
    Q_OBJECT
public:
    static constexpr int k_neighbours = 2;  // pages on each side
    static constexpr QSize k_thumbnail{104, 78};

    explicit PagePreviewStrip(QWidget* parent = nullptr);

    // The page of slot `slot` is the one framed; its neighbours are drawn again.
    void show_slot(int slot);
    // A null image goes back to the test picture.
    void set_background(const QImage& still);
    // The configuration or the glyphs changed.
    void refresh();

    // The thumbnails left to right: the slot each shows (a two-line page by its "T" slot),
    // where it lies in the strip and what it shows.
    int count() const { return static_cast<int>(slots_.size()); }
    int slot_of(int i) const { return slots_.at(static_cast<std::size_t>(i)); }
    QRect thumbnail_rect(int i) const;
    const QImage& thumbnail(int i) const { return thumbnails_.at(static_cast<std::size_t>(i)); }

    QSize sizeHint() const override;

signals:
    // The operator clicked the page of this slot.
    void slot_chosen(int slot);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    void render_now();

    PreviewRenderer renderer_;
    QImage still_;
    int slot_ = 0;
    std::vector<int> slots_;
    std::vector<QImage> thumbnails_;
};

}  // namespace velta
