#include "ui/pages/page_list_view.h"

#include <QFont>
#include <QPaintEvent>
#include <QPainter>

#include "core/model/settings_model.h"
#include "program/program_context.h"

namespace velta {

PageListView::PageListView(QSize size, Source source, QWidget* parent)
    : QWidget(parent), source_(std::move(source)), canvas_(size, QImage::Format_RGB32)
{
    setFixedSize(size);
    setFocusPolicy(Qt::NoFocus);
    // Half-width characters 8 pixels wide and full-width ones 16: the line positions and the
    // padding of the texts (the colour heading over its columns) are laid out for that.
    QFont font(QStringLiteral("Noto Sans Mono CJK JP"));
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(16);
    setFont(font);
    canvas_.fill(Qt::white);
    timer_.setSingleShot(false);
    connect(&timer_, &QTimer::timeout, this, &PageListView::on_tick);
}

void PageListView::request_repaint(int delay_ms)
{
    model().choices.list_repaint_pending = 1;
    timer_.start(delay_ms);
}

void PageListView::on_tick()
{
    if (model().choices.list_repaint_pending != 0)
        draw_now();
    model().choices.list_repaint_pending = 0;
    timer_.stop();
}

void PageListView::draw_now()
{
    drawn_ = source_ ? source_() : std::vector<DrawnText>{};
    canvas_.fill(Qt::white);
    QPainter p(&canvas_);
    p.setFont(font());
    p.setPen(Qt::black);
    p.setBackgroundMode(Qt::OpaqueMode);
    p.setBackground(Qt::white);
    for (const DrawnText& line : drawn_) {
        const QRect room(line.at, QSize(canvas_.width() - line.at.x(), canvas_.height()));
        p.drawText(room, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, line.text);
    }
    ++draw_count_;
    update();
}

QStringList PageListView::drawn_texts() const
{
    QStringList texts;
    for (const DrawnText& line : drawn_) texts << line.text;
    return texts;
}

void PageListView::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    p.drawImage(e->rect(), canvas_, e->rect());
    // Nothing drawn yet: ask for the lines on the next short tick instead of drawing here.
    if (draw_count_ == 0 && !timer_.isActive())
        request_repaint(k_paint_delay_ms);
}

}  // namespace velta
