#include "ui/glyphs/glyph_editor_dialog.h"

#include <QFrame>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/common/message_boxes.h"
#include "core/glyphs/glyph_derive.h"
#include "core/glyphs/glyph_file.h"
#include "core/glyphs/glyph_layout.h"
#include "core/glyphs/glyph_state.h"
#include "core/glyphs/glyph_text.h"
#include "core/glyphs/glyph_transfer.h"
#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "core/wire/link_status.h"
#include "link/text_cp932.h"
#include "program/program_context.h"
#include "ui/glyphs/glyph_paint_widgets.h"
#include "ui/widgets/dialog_widgets.h"

namespace velta {
namespace {
constexpr int k_open_redraw_ms = 200;
constexpr int k_paint_redraw_ms = 20;
constexpr int k_sample_bytes = 2;

int& transfer_index()
{
    return model().glyphs.glyph_transfer_index;
}
}  // namespace

GlyphGridView::GlyphGridView(GlyphSize size, QWidget* parent)
    : QWidget(parent), size_(size), image_(k_grid_width, k_grid_height, QImage::Format_RGB32)
{
    image_.fill(Qt::black);
    setFixedSize(k_grid_width, k_grid_height);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The dialog takes the mouse in its own client coordinates.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void GlyphGridView::draw_glyph_grid()
{
    const GlyphEditorLayout& e = editor_layout(size_);
    paint_glyph(image_, size_, glyph_work_text(model().glyphs, size_), e.cell_width, e.cell_height);
    update();
}

void GlyphGridView::draw_cell(int column, int row)
{
    const GlyphEditorLayout& e = editor_layout(size_);
    const QRect cell(column * e.cell_width, row * e.cell_height, e.cell_width, e.cell_height);
    paint_glyph_cell(image_, cell.x(), cell.y(), cell.width(), cell.height(),
                     glyph_pixel(size_, glyph_work_text(model().glyphs, size_), column, row));
    update(cell);
}

void GlyphGridView::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    p.drawImage(e->rect(), image_, e->rect());
}

GlyphEditorDialog::GlyphEditorDialog(GlyphSize size, QWidget* parent)
    : SettingsDialog(qs(editor_layout(size).caption), std::string(editor_layout(size).peer_prefix),
                     parent),
      size_(size)
{
    const GlyphSizeInfo& info = glyph_size_info(size);
    if (transfer_index() < 0 || transfer_index() >= info.slot_count)
        transfer_index() = 0;
    load_glyph_work(model().glyphs, size, transfer_index());

    // The framed editing surface; the grid's corner is at (12, 12) of the dialog, where the
    // hit test counts from.
    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setGeometry(7, 7, k_grid_width + 10, k_grid_height + 10);
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    grid_ = new GlyphGridView(size, this);
    grid_->move(k_grid_origin, k_grid_origin);

    auto* clear = new QPushButton(QStringLiteral("バッファクリア"));
    auto* derive = new QPushButton(QStringLiteral("他のサイズ作成"));
    number_list_ = bound_combo(
        number_items(1, info.slot_count, info.number_digits), [] { return transfer_index(); },
        [](int index) { transfer_index() = index; });
    auto* read = new QPushButton(QStringLiteral("リード"));
    auto* reg = new QPushButton(QStringLiteral("登録"));
    auto* number_group = new QGroupBox(QStringLiteral("登録番号"));
    auto* number_box = new QVBoxLayout(number_group);
    number_box->addWidget(number_list_);
    number_box->addWidget(read);
    number_box->addWidget(reg);

    sample_ = new QLineEdit;
    sample_->setAlignment(Qt::AlignCenter);
    sample_read_ = new QPushButton(QStringLiteral("リード"));
    auto* sample_group = group_row(QStringLiteral("サンプル"), {sample_, sample_read_});

    auto* column = new QWidget(this);
    column->setGeometry(k_grid_width + 30, 7, 190, k_grid_height + 10);
    auto* v = new QVBoxLayout(column);
    v->setContentsMargins(0, 0, 0, 0);
    v->addWidget(clear);
    v->addWidget(derive);
    v->addWidget(number_group);
    v->addWidget(make_slave_address_group());
    v->addWidget(sample_group);
    v->addStretch();
    v->addWidget(make_close_button());
    setFixedSize(k_grid_width + 230, k_grid_height + 24);
    for (QPushButton* b : {clear, derive, read, reg, sample_read_}) b->setAutoDefault(false);

    connect(clear, &QPushButton::clicked, this, [this] { clear_buffer(); });
    connect(derive, &QPushButton::clicked, this, [this] {
        if (confirm_other_sizes(this))
            create_other_sizes(model().glyphs, size_, transfer_index(),
                               glyph_work_text(model().glyphs, size_));
    });
    connect(reg, &QPushButton::clicked, this, [this] {
        if (confirm_not_auto_switching(this))
            send_glyph_register(program_context(), size_, transfer_index(),
                                glyph_work_text(model().glyphs, size_));
    });
    connect(read, &QPushButton::clicked, this,
            [this] { send_glyph_read(program_context(), size_, glyph_code(transfer_index())); });
    connect(sample_, &QLineEdit::textChanged, this, [this] { sample_changed(); });
    connect(sample_read_, &QPushButton::clicked, this,
            [this] { send_glyph_read(program_context(), size_, glyph_sample_code(sample_text_)); });

    // A single read answered while this editor is open shows the glyph it brought.
    set_glyph_redraw_hook([this](GlyphSize replied) {
        if (replied == size_)
            request_redraw(k_paint_redraw_ms);
    });
    redraw_timer_.setSingleShot(false);
    connect(&redraw_timer_, &QTimer::timeout, this, [this] { redraw_tick(); });
    request_redraw(k_open_redraw_ms);
}

GlyphEditorDialog::~GlyphEditorDialog()
{
    set_glyph_redraw_hook({});
}

QPushButton* GlyphEditorDialog::button(const QString& text) const
{
    for (QPushButton* b : findChildren<QPushButton*>())
        if (b->text() == text && b != sample_read_)
            return b;
    return nullptr;
}

void GlyphEditorDialog::request_redraw(int delay_ms)
{
    repaint_pending_ = true;
    redraw_timer_.start(delay_ms);
}

void GlyphEditorDialog::redraw_tick()
{
    if (repaint_pending_) {
        grid_->draw_glyph_grid();
        repaint_pending_ = false;
    }
    redraw_timer_.stop();
}

void GlyphEditorDialog::edit_at(const QPoint& p, bool set)
{
    const auto x = static_cast<std::int16_t>(p.x());
    const auto y = static_cast<std::int16_t>(p.y());
    if (const auto hit = edit_pixel(model().glyphs, size_, x, y, set))
        grid_->draw_cell(hit->column, hit->row);
}

void GlyphEditorDialog::mousePressEvent(QMouseEvent* e)
{
    glyph_state().glyph_edited = 1;
    if (e->button() == Qt::LeftButton) {
        edit_at(e->position().toPoint(), true);
        left_drag_ = true;
    } else if (e->button() == Qt::RightButton) {
        edit_at(e->position().toPoint(), false);
        right_drag_ = true;
    }
}

void GlyphEditorDialog::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    if (left_drag_)
        edit_at(p, true);
    if (right_drag_)
        edit_at(p, false);
}

void GlyphEditorDialog::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        left_drag_ = false;
    else if (e->button() == Qt::RightButton)
        right_drag_ = false;
}

void GlyphEditorDialog::done(int result)
{
    link_status().read_pending = 0;
    SettingsDialog::done(result);
}

void GlyphEditorDialog::clear_buffer()
{
    if (link_status().read_pending != 0)
        return;
    if (glyph_state().glyph_edited != 0 && !ask_yes_no(k_caption_new, k_text_new_unsaved, this))
        return;
    auto& work = model().glyphs.glyph_work;
    const auto digits = static_cast<std::size_t>(glyph_size_info(size_).glyph_digits);
    std::fill_n(work.begin(), digits, '0');
    work[digits] = '\0';
    grid_->draw_glyph_grid();
    glyph_state().glyph_edited = 0;
    store_glyph_work(model().glyphs, size_, transfer_index());
}

void GlyphEditorDialog::sample_changed()
{
    std::string bytes = to_cp932(sample_->text());
    if (bytes.size() > static_cast<std::size_t>(k_sample_bytes)) {
        // The field holds two bytes: drop what does not fit.
        QString text = sample_->text();
        while (!text.isEmpty() && to_cp932(text).size() > static_cast<std::size_t>(k_sample_bytes))
            text.chop(1);
        const QSignalBlocker quiet(sample_);
        sample_->setText(text);
        bytes = to_cp932(text);
    }
    sample_text_ = glyph_sample_text(bytes);
}

}  // namespace velta
