#pragma once
// The drawn page list: a white area across the top of a page dialog where the lines of a
// block of slots are written, black on opaque white, at fixed positions. It never draws in
// its paint handler: the lines are drawn into a canvas from a timer (deferred) or at once on a
// change, and painting only shows the canvas.

#include <QImage>
#include <QPoint>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

namespace velta {

struct DrawnText {
    QPoint at;  // top left of the text in the list area
    QString text;
};

class PageListView : public QWidget {
    Q_OBJECT
public:
    using Source = std::function<std::vector<DrawnText>()>;

    PageListView(QSize size, Source source, QWidget* parent = nullptr);

    // Marks the list due and (re)starts the timer; the next tick draws it.
    void request_repaint(int delay_ms);
    // Draws the lines now, whatever the timer.
    void draw_now();

    // What the last drawing wrote, for tests and for reading the list back.
    const std::vector<DrawnText>& drawn() const { return drawn_; }
    QStringList drawn_texts() const;
    int draw_count() const { return draw_count_; }
    const QImage& canvas() const { return canvas_; }
    QTimer& repaint_timer() { return timer_; }

    static constexpr int k_open_delay_ms = 200;
    static constexpr int k_paint_delay_ms = 20;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    void on_tick();

    Source source_;
    QImage canvas_;
    QTimer timer_;
    std::vector<DrawnText> drawn_;
    int draw_count_ = 0;
};

}  // namespace velta
