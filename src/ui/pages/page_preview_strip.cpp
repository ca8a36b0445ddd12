#include "ui/pages/page_preview_strip.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "core/model/settings_model.h"
#include "core/pages/page_lists.h"
#include "program/program_context.h"

namespace velta {
namespace {

constexpr int k_gap = 8;
constexpr int k_label_height = 18;
constexpr int k_frame = 2;
// Drawn at twice the size and scaled down: the titles keep their look at this size.
constexpr int k_oversample = 2;

}  // namespace

PagePreviewStrip::PagePreviewStrip(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    render_now();
}

void PagePreviewStrip::show_slot(int slot)
{
    slot_ = std::clamp(slot, 0, k_page_slots - 1);
    render_now();
}

void PagePreviewStrip::set_background(const QImage& still)
{
    still_ = still;
    render_now();
}

void PagePreviewStrip::refresh()
{
    render_now();
}

QRect PagePreviewStrip::thumbnail_rect(int i) const
{
    return {k_frame + i * (k_thumbnail.width() + k_gap + 2 * k_frame), k_frame, k_thumbnail.width(),
            k_thumbnail.height()};
}

QSize PagePreviewStrip::sizeHint() const
{
    const int n = 2 * k_neighbours + 1;
    return {n * (k_thumbnail.width() + 2 * k_frame) + (n - 1) * k_gap,
            k_thumbnail.height() + 2 * k_frame + k_label_height};
}

void PagePreviewStrip::render_now()
{
    const SettingsModel& m = model();
    const bool two_lines = m.config.device.page_mode == 1;
    const int pages = page_count_for_mode(m.config.device.page_mode);
    const int shown = std::min(2 * k_neighbours + 1, pages);
    const int page = two_lines ? slot_ / 2 : slot_;
    const int first = std::clamp(page - k_neighbours, 0, pages - shown);
    slots_.clear();
    thumbnails_.clear();
    for (int p = first; p < first + shown; ++p) {
        const int slot = two_lines ? 2 * p : p;
        slots_.push_back(slot);
        thumbnails_.push_back(
            renderer_.render(m.config, m.glyphs, slot, k_thumbnail * k_oversample, still_)
                .scaled(k_thumbnail, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    update();
}

void PagePreviewStrip::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const bool two_lines = model().config.device.page_mode == 1;
    const int page = two_lines ? slot_ / 2 : slot_;
    for (int i = 0; i < count(); ++i) {
        const QRect r = thumbnail_rect(i);
        const int shown_page = two_lines ? slot_of(i) / 2 : slot_of(i);
        if (shown_page == page)
            p.fillRect(r.adjusted(-k_frame, -k_frame, k_frame, k_frame),
                       palette().color(QPalette::Highlight));
        p.drawImage(r.topLeft(), thumbnail(i));
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(QRect(r.left(), r.bottom() + k_frame + 1, r.width(), k_label_height),
                   Qt::AlignCenter, QString::fromStdString(slot_label(shown_page, 0)));
    }
}

void PagePreviewStrip::mousePressEvent(QMouseEvent* e)
{
    for (int i = 0; i < count(); ++i) {
        if (thumbnail_rect(i).contains(e->position().toPoint())) {
            emit slot_chosen(slot_of(i));
            return;
        }
    }
    QWidget::mousePressEvent(e);
}

}  // namespace velta
