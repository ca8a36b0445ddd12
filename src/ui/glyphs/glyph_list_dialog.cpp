#include "ui/glyphs/glyph_list_dialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

#include "core/common/run_activity.h"
#include "core/glyphs/glyph_bmp.h"
#include "core/glyphs/glyph_file.h"
#include "core/glyphs/glyph_layout.h"
#include "core/glyphs/glyph_run.h"
#include "core/glyphs/glyph_state.h"
#include "core/glyphs/glyph_text.h"
#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "link/configuration_file.h"
#include "program/program_context.h"
#include "ui/glyphs/glyph_editor_dialog.h"
#include "ui/glyphs/glyph_paint_widgets.h"
#include "ui/widgets/dialog_widgets.h"

namespace velta {
namespace {
constexpr int k_open_redraw_ms = 200;
constexpr int k_paint_redraw_ms = 20;
constexpr int k_box_size = 96;
constexpr int k_box_field_gap = 2;
constexpr QRgb k_box_background = qRgb(212, 208, 200);

std::optional<std::string> platform_file_dialog(QWidget* owner, const GlyphFileRequest& r)
{
    const std::string kind = r.kind.toStdString();
    const QString folder = last_folder(kind);
    const QString start = folder.isEmpty() ? r.default_name : QDir(folder).filePath(r.default_name);
    QFileDialog dialog(owner, r.title, start, r.filter);
    dialog.setAcceptMode(r.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(r.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(r.default_suffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString chosen = dialog.selectedFiles().constFirst();
    remember_folder(kind, chosen);
    return QFile::encodeName(chosen).toStdString();
}

GlyphFileDialog& file_dialog()
{
    static GlyphFileDialog d = platform_file_dialog;
    return d;
}

void platform_editor(GlyphSize size, QWidget* owner)
{
    GlyphEditorDialog editor(size, owner);
    editor.exec();
}

GlyphEditorOpener& editor_opener()
{
    static GlyphEditorOpener o = platform_editor;
    return o;
}

// Each list keeps its own "高速".
std::string_view fast_key_of(GlyphSize size)
{
    return size == GlyphSize::large    ? "fast_glyph_list_large"
           : size == GlyphSize::medium ? "fast_glyph_list_medium"
                                       : "fast_glyph_list_small";
}

// "データ(*.tll)" and then everything.
QString filter_of(std::string_view first)
{
    return qs(first) + QStringLiteral(";;すべて(*.*)");
}

}  // namespace

GlyphFileDialog set_glyph_file_dialog(GlyphFileDialog dialog)
{
    return std::exchange(file_dialog(), dialog ? std::move(dialog) : platform_file_dialog);
}

std::optional<std::string> ask_glyph_list_file(GlyphSize size, bool save, QWidget* owner)
{
    GlyphFileRequest r;
    r.save = save;
    r.title = save ? QStringLiteral("ファイルの保存") : QStringLiteral("ファイルのオープン");
    r.filter = filter_of(glyph_file_filter_name(size));
    r.kind = qs(glyph_file_extension(size).substr(1));
    if (save)
        r.default_suffix = r.kind;
    return file_dialog()(owner, r);
}

GlyphEditorOpener set_glyph_editor_opener(GlyphEditorOpener opener)
{
    return std::exchange(editor_opener(), opener ? std::move(opener) : platform_editor);
}

GlyphThumbnail::GlyphThumbnail(int side, QWidget* parent)
    : QWidget(parent), image_(side, side, QImage::Format_RGB32)
{
    image_.fill(k_box_background);
    setFixedSize(side, side);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void GlyphThumbnail::draw(GlyphSize size, int slot)
{
    image_.fill(k_box_background);
    std::span<const char> text = glyph_slot(model().glyphs, size, slot);
    paint_glyph(image_, size, {text.data(), text.size()}, 2, 2);
    update();
}

void GlyphThumbnail::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    p.drawImage(e->rect(), image_, e->rect());
}

GlyphListDialog::GlyphListDialog(GlyphSize size, QWidget* parent)
    : SettingsDialog(qs(list_layout(size).caption), std::string(list_layout(size).peer_prefix),
                     parent),
      size_(size),
      run_(
          program_context(), [this](int period) { timer_.start(period); },
          [this] { timer_.stop(); })
{
    const GlyphListLayout& l = list_layout(size);
    model().glyphs.glyph_work.fill('0');
    int& page = glyph_state().glyph_list_page;
    if (page < 0 || page >= l.pages)
        page = 0;

    // The cells sit where the hit test expects them, in dialog client pixels; each box is as
    // large as its picture, in the middle of its cell.
    const int inset = (k_box_size - l.picture) / 2;
    for (int b = 0; b < l.boxes_per_page; ++b) {
        const int x = k_box_left + k_box_pitch * (b % l.columns);
        const int y = k_box_row_top[b / l.columns];
        auto* frame = new QFrame(this);
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
        frame->setGeometry(x + inset - 1, y + inset - 1, l.picture + 2, l.picture + 2);
        frame->setAttribute(Qt::WA_TransparentForMouseEvents);
        auto* box = new GlyphThumbnail(l.picture, this);
        box->move(x + inset, y + inset);
        boxes_.push_back(box);
        auto* number = new QLineEdit(this);
        number->setReadOnly(true);
        number->setFocusPolicy(Qt::NoFocus);
        number->setGeometry(x, y + k_box_size + k_box_field_gap, k_box_size, 22);
        numbers_.push_back(number);
    }
    const int boxes_width = k_box_left + k_box_pitch * l.columns;

    QStringList pages;
    for (int p = 0; p < l.pages; ++p) pages << qs(glyph_page_text(size, p));
    page_list_ = bound_combo(
        pages, [] { return glyph_state().glyph_list_page; },
        [](int index) { glyph_state().glyph_list_page = index; }, [this] { draw_thumbnails(); });

    progress_ = new QProgressBar;
    progress_->setRange(0, l.progress_range);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    percent_ = new QLineEdit;
    percent_->setReadOnly(true);
    percent_->setFocusPolicy(Qt::NoFocus);
    percent_->setFixedWidth(60);

    auto* controls = new QWidget(this);
    auto* grid = new QGridLayout(controls);
    grid->setContentsMargins(0, 0, 0, 0);
    const QString names[] = {QStringLiteral("バッファクリア"), QStringLiteral("開く"),
                             QStringLiteral("保存"),           QStringLiteral("名前をつけて保存"),
                             QStringLiteral("リード"),         QStringLiteral("登録")};
    auto* buttons = new QHBoxLayout;
    for (const QString& n : names) {
        auto* b = new QPushButton(n);
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    QCheckBox* fast = make_fast_box(fast_key_of(size));
    fast->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);  // clicks land on its text
    buttons->addWidget(fast);
    grid->addLayout(buttons, 0, 0, 1, 3);
    grid->addWidget(make_slave_address_group(), 1, 0);
    grid->addWidget(group_row(QStringLiteral("番号切り替え"), {page_list_}), 1, 1);
    auto* progress_row = new QHBoxLayout;
    progress_row->addWidget(progress_, 1);
    progress_row->addWidget(percent_);
    progress_row->addWidget(new QLabel(QStringLiteral("％")));
    progress_row->addWidget(make_stop_button());
    progress_row->addWidget(make_stop_note());
    grid->addLayout(progress_row, 2, 0, 1, 2);
    grid->addWidget(make_close_button(), 2, 2, Qt::AlignRight);
    // The controls take the height their font needs, so no list is cut.
    const int controls_top = k_box_row_top[1] + k_box_size + k_box_field_gap + 32;
    const int controls_height = controls->sizeHint().height();
    controls->setGeometry(k_box_left, controls_top, boxes_width - 2 * k_box_left, controls_height);
    setFixedSize(boxes_width, controls_top + controls_height + k_box_left);

    auto on = [this](const QString& text, auto action) {
        connect(button(text), &QPushButton::clicked, this, [this, action] {
            if (!busy())
                action();
        });
    };
    on(names[0], [this] {
        if (glyph_buffer_clear(program_context(), size_, this))
            draw_thumbnails();
    });
    const auto ask = [this](bool save) {
        return [this, save] { return ask_glyph_list_file(size_, save, this); };
    };
    on(names[1], [this, ask] {
        if (glyph_file_open(program_context(), size_, ask(false)))
            draw_thumbnails();
    });
    on(names[2], [this, ask] { glyph_file_save(program_context(), size_, ask(true)); });
    on(names[3], [this, ask] { glyph_file_save_as(program_context(), size_, ask(true)); });
    on(names[4], [this] { start_run(false); });
    on(names[5], [this] { start_run(true); });

    connect(&timer_, &QTimer::timeout, this, [this] { glyph_list_tick(); });
    repaint_pending_ = true;
    timer_.start(k_open_redraw_ms);
}

QPushButton* GlyphListDialog::button(const QString& text) const
{
    for (QPushButton* b : findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

bool GlyphListDialog::busy() const
{
    return glyph_run_active();
}

void GlyphListDialog::draw_thumbnails()
{
    const GlyphListLayout& l = list_layout(size_);
    const int first = glyph_state().glyph_list_page * l.boxes_per_page;
    for (int b = 0; b < l.boxes_per_page; ++b) {
        const int slot = first + b;
        boxes_[static_cast<std::size_t>(b)]->draw(size_, slot);
        numbers_[static_cast<std::size_t>(b)]->setText(QStringLiteral("No.%1").arg(slot + 1));
    }
}

void GlyphListDialog::request_repaint()
{
    repaint_pending_ = true;
    // During a run the boxes follow at the run's next tick; the run keeps its pace.
    if (!busy())
        timer_.start(k_paint_redraw_ms);
}

void GlyphListDialog::glyph_list_tick()
{
    if (repaint_pending_) {
        draw_thumbnails();
        repaint_pending_ = false;
    }
    if (run_.running()) {
        run_.tick();
        return;
    }
    timer_.stop();
}

void GlyphListDialog::run_ended()
{
    show_running(false);
    timer_.stop();
    percent_->setText(QStringLiteral("   "));
    progress_->setValue(0);
    draw_thumbnails();
}

void GlyphListDialog::show_running(bool running)
{
    enable_stop(running);
    fast_box()->setEnabled(!running);
}

void GlyphListDialog::start_run(bool register_all)
{
    if (!prepare_glyph_run(program_context(), register_all, this))
        return;
    const Pace pace = fast_chosen() ? Pace::answered : Pace::periodic;
    RunSteps steps = glyph_run_steps(program_context(), size_, pace);
    // The picture boxes follow when the run ends.
    steps.progress = [this, pace](int step) {
        percent_->setText(qs(glyph_run_percent(program_context(), size_, pace, step)));
        progress_->setValue(std::min(progress_->maximum(), step));
    };
    steps.finished = [this, finished = std::move(steps.finished)](RunEnd end) {
        finished(end);
        if (end == RunEnd::completed)
            run_ended();
        else
            show_running(false);
    };
    progress_->setValue(0);
    const int period = register_all ? k_glyph_register_period_ms : k_glyph_read_period_ms;
    if (run_.start(std::move(steps), period, pace))
        show_running(true);
}

void GlyphListDialog::stop_run()
{
    if (!busy())
        return;
    // The progress stays where the run stopped; a periodic run's timer stops at its next tick.
    note_stopped(fast_chosen() ? run_.done() : model().glyphs.glyph_transfer_index,
                 glyph_size_info(size_).slot_count);
    run_.stop();
    end_glyph_run(program_context());
    show_running(false);
}

std::string GlyphListDialog::box_bmp_bytes(int box_index) const
{
    const QImage shot = boxes_.at(static_cast<std::size_t>(box_index))
                            ->grab()
                            .toImage()
                            .convertToFormat(QImage::Format_RGB32);
    std::vector<std::uint32_t> pixels;
    pixels.reserve(static_cast<std::size_t>(shot.width() * shot.height()));
    for (int y = 0; y < shot.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(shot.constScanLine(y));
        for (int x = 0; x < shot.width(); ++x) pixels.push_back(line[x] & 0xFFFFFFu);
    }
    return bmp_file_bytes(shot.width(), shot.height(), pixels);
}

void GlyphListDialog::mouseDoubleClickEvent(QMouseEvent* e)
{
    // The read run stores each reply in slot glyph_transfer_index: a run owns it until it ends.
    if (busy())
        return;
    const QPoint p = e->position().toPoint();
    const std::optional<int> hit = thumbnail_hit(size_, p.x(), p.y());
    if (!hit)
        return;
    const int slot = glyph_state().glyph_list_page * list_layout(size_).boxes_per_page + *hit;
    if (e->button() == Qt::LeftButton) {
        model().glyphs.glyph_transfer_index = slot;
        editor_opener()(size_, this);
        request_repaint();
    } else if (e->button() == Qt::RightButton) {
        // The picture is taken before any dialog covers the box.
        const std::string bytes = box_bmp_bytes(*hit);
        export_glyph_bmp(link_status(), size_, slot + 1, bytes,
                         [this](const std::string& title, const std::string& name) {
                             GlyphFileRequest r;
                             r.save = true;
                             r.title = qs(title);
                             r.default_name = qs(name);
                             r.filter = filter_of("データ(*.bmp)");
                             r.default_suffix = QStringLiteral("bmp");
                             r.kind = r.default_suffix;
                             return file_dialog()(this, r);
                         });
    }
}

void GlyphListDialog::done(int result)
{
    timer_.stop();
    run_.cancel();
    end_glyph_run(program_context());
    SettingsDialog::done(result);
}

GlyphInfoDialog::GlyphInfoDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("外字について"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* v = new QVBoxLayout(this);
    for (const char* line : {"外字ファイルの拡張子は､", "大文字TLL  中文字TLM　小文字TLSです。",
                             "マウス左ボタン ダブルクリックで編集画面",
                             "マウス右ボタン ダブルクリックでBMPファイルを作成します。",
                             "※外字操作は､自動切換え時に行わないでください。"})
        v->addWidget(new QLabel(QString::fromUtf8(line)));
    v->setSizeConstraint(QLayout::SetFixedSize);
}

void GlyphInfoDialog::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

}  // namespace velta
