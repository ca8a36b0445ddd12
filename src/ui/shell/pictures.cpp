#include "ui/shell/pictures.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <array>
#include <functional>

namespace velta {
namespace {

const QColor k_ink(40, 40, 40);
const QColor k_blue(30, 90, 200);
const QColor k_red(200, 40, 40);
const QColor k_green(30, 150, 60);
const QColor k_yellow(240, 200, 40);

void letter(QPainter& p, const QRect& r, const QString& text, int pixel_size, const QColor& c,
            bool bold = true)
{
    QFont f = p.font();
    f.setPixelSize(pixel_size);
    f.setBold(bold);
    p.setFont(f);
    p.setPen(c);
    p.drawText(r, Qt::AlignCenter, text);
}

// A small video screen, the frame most pictures sit in.
void screen(QPainter& p, const QRect& r)
{
    p.setPen(QPen(k_ink, 1));
    p.setBrush(QColor(225, 235, 250));
    p.drawRect(r);
}

// 日付，時刻: a calendar leaf and a clock face.
void date_time(QPainter& p)
{
    p.setPen(k_ink);
    p.setBrush(Qt::white);
    p.drawRect(2, 2, 16, 15);
    p.fillRect(3, 3, 15, 4, k_red);
    letter(p, QRect(2, 7, 17, 11), QStringLiteral("12"), 8, k_ink);
    p.setBrush(Qt::white);
    p.drawEllipse(QPoint(31, 10), 8, 8);
    p.drawLine(31, 10, 31, 4);
    p.drawLine(31, 10, 36, 12);
}

// タイトル: a title line on a screen.
void title(QPainter& p)
{
    screen(p, QRect(1, 1, 40, 17));
    letter(p, QRect(1, 1, 41, 18), QStringLiteral("Aあ"), 12, k_blue);
}

// タイトル表示位置: a title bar with arrows that move it up and down.
void title_position(QPainter& p)
{
    screen(p, QRect(1, 1, 28, 17));
    p.fillRect(4, 12, 22, 4, k_blue);
    p.setPen(QPen(k_red, 2));
    p.drawLine(36, 3, 36, 17);
    p.setBrush(k_red);
    p.drawPolygon(QPolygon({QPoint(32, 6), QPoint(36, 1), QPoint(40, 6)}));
    p.drawPolygon(QPolygon({QPoint(32, 14), QPoint(36, 19), QPoint(40, 14)}));
}

// 自動切換え: two pages with a turning arrow between them.
void auto_switch(QPainter& p)
{
    p.setPen(k_ink);
    p.setBrush(Qt::white);
    p.drawRect(2, 3, 12, 14);
    p.drawRect(28, 3, 12, 14);
    letter(p, QRect(2, 3, 13, 15), QStringLiteral("1"), 10, k_ink);
    letter(p, QRect(28, 3, 13, 15), QStringLiteral("2"), 10, k_ink);
    p.setPen(QPen(k_green, 2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRect(15, 4, 12, 12), 30 * 16, 240 * 16);
    p.setBrush(k_green);
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygon({QPoint(24, 2), QPoint(27, 8), QPoint(21, 7)}));
}

// 文字＆縁取り色: a letter in colour with a dark border around it.
void colours(QPainter& p)
{
    QFont f = p.font();
    f.setPixelSize(17);
    f.setBold(true);
    QPainterPath path;
    path.addText(4, 17, f, QStringLiteral("A"));
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(k_ink, 2));
    p.setBrush(k_yellow);
    p.drawPath(path);
    const std::array<QColor, 3> swatch{k_red, k_green, k_blue};
    for (int i = 0; i < 3; ++i)
        p.fillRect(20 + 7 * i, 6, 6, 8, swatch[static_cast<std::size_t>(i)]);
}

// 背景色ベタ塗り: a title on a solid band.
void background_fill(QPainter& p)
{
    screen(p, QRect(1, 1, 40, 17));
    p.fillRect(4, 5, 35, 10, k_ink);
    letter(p, QRect(4, 5, 35, 10), QStringLiteral("ABC"), 9, Qt::white);
}

// 文字レベル: the same letter at three brightness levels.
void char_level(QPainter& p)
{
    p.fillRect(1, 1, 41, 18, QColor(60, 60, 60));
    const std::array<int, 3> grey{120, 190, 255};
    for (int i = 0; i < 3; ++i) {
        const int g = grey[static_cast<std::size_t>(i)];
        letter(p, QRect(2 + 13 * i, 1, 13, 18), QStringLiteral("A"), 13, QColor(g, g, g));
    }
}

// スケジュール: a timetable grid with marked entries.
void schedule(QPainter& p)
{
    p.setPen(k_ink);
    p.setBrush(Qt::white);
    p.drawRect(2, 2, 38, 16);
    p.fillRect(3, 3, 37, 3, k_blue);
    for (int x = 11; x < 40; x += 9) p.drawLine(x, 6, x, 18);
    for (int y = 10; y < 18; y += 4) p.drawLine(2, y, 40, y);
    p.fillRect(12, 11, 8, 3, k_red);
    p.fillRect(30, 15, 9, 3, k_red);
}

// アラーム: a bell.
void alarm(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath bell;
    bell.moveTo(13, 15);
    bell.cubicTo(16, 12, 14, 2, 21, 2);
    bell.cubicTo(28, 2, 26, 12, 29, 15);
    bell.closeSubpath();
    p.setPen(QPen(k_ink, 1));
    p.setBrush(k_yellow);
    p.drawPath(bell);
    p.setBrush(k_ink);
    p.drawEllipse(QPoint(21, 17), 2, 2);
    p.setPen(QPen(k_red, 1.5));
    p.drawArc(QRect(5, 3, 8, 12), 120 * 16, 120 * 16);
    p.drawArc(QRect(29, 3, 8, 12), -60 * 16, 120 * 16);
}

// リモート: a connector with its pins and a cable.
void remote(QPainter& p)
{
    p.setPen(k_ink);
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(4, 4, 22, 12);
    p.setBrush(k_yellow);
    for (int i = 0; i < 4; ++i) {
        p.drawEllipse(QPoint(8 + 5 * i, 8), 1, 1);
        p.drawEllipse(QPoint(8 + 5 * i, 12), 1, 1);
    }
    p.setPen(QPen(k_ink, 2));
    p.drawLine(26, 10, 33, 10);
    p.drawLine(33, 10, 40, 4);
}

// その他: a gear.
void others(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(21, 10);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(110, 110, 120));
    for (int i = 0; i < 8; ++i) {
        p.drawRect(-2, -9, 4, 5);
        p.rotate(45);
    }
    p.drawEllipse(QPoint(0, 0), 6, 6);
    p.setBrush(QColor(240, 240, 240));
    p.drawEllipse(QPoint(0, 0), 2, 2);
}

// 表示ページ: a screen showing page "P".
void display_page(QPainter& p)
{
    screen(p, QRect(1, 1, 40, 17));
    letter(p, QRect(1, 1, 41, 18), QStringLiteral("P001"), 10, k_red);
}

// デバイスと比較: the tool's sheet and the device side by side, a check between them.
void compare(QPainter& p)
{
    p.setPen(k_ink);
    p.setBrush(Qt::white);
    p.drawRect(2, 2, 12, 15);
    for (int y = 5; y <= 14; y += 3) p.drawLine(4, y, 12, y);
    screen(p, QRect(28, 3, 13, 11));
    p.fillRect(29, 10, 12, 3, k_yellow);
    p.drawRect(32, 15, 5, 2);
    p.setPen(QPen(k_green, 2));
    p.drawLine(17, 10, 20, 14);
    p.drawLine(20, 14, 25, 5);
}

// 全ページ一覧: a sheet of rows beside a screen with its title band.
void page_overview(QPainter& p)
{
    p.setPen(k_ink);
    p.setBrush(Qt::white);
    p.drawRect(2, 2, 20, 15);
    p.drawLine(8, 2, 8, 17);
    for (int y = 5; y <= 14; y += 3) p.drawLine(2, y, 22, y);
    p.fillRect(3, 9, 19, 2, k_yellow);
    screen(p, QRect(26, 3, 15, 12));
    p.fillRect(27, 11, 14, 3, k_yellow);
}

const std::array<std::function<void(QPainter&)>, k_toolbar_images> k_painters{
    date_time, title, title_position, auto_switch, colours,      background_fill, char_level,
    schedule,  alarm, remote,         others,      display_page, compare,         page_overview};

}  // namespace

QPixmap toolbar_picture(int k)
{
    QPixmap pm(k_toolbar_image_width, k_toolbar_image_height);
    pm.fill(Qt::transparent);
    if (k < 0 || k >= k_toolbar_images)
        return pm;
    QPainter p(&pm);
    k_painters[static_cast<std::size_t>(k)](p);
    return pm;
}

QPixmap program_icon_pixmap(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    // A monitor whose picture carries a title band: what the device puts on the video.
    p.setPen(QPen(k_ink, 1.5));
    p.setBrush(QColor(30, 40, 70));
    p.drawRoundedRect(QRectF(2, 4, 28, 20), 2, 2);
    p.fillRect(QRectF(5, 16, 22, 5), k_yellow);
    p.setBrush(k_ink);
    p.drawRect(QRectF(13, 24, 6, 3));
    p.drawRect(QRectF(8, 27, 16, 2));
    letter(p, QRect(5, 5, 22, 11), QStringLiteral("V"), 10, Qt::white);
    return pm;
}

QIcon program_icon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64}) icon.addPixmap(program_icon_pixmap(size));
    return icon;
}

}  // namespace velta
