#include "ui/pages/page_preview.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/common/message_boxes.h"
#include "core/model/settings_model.h"
#include "link/configuration_file.h"
#include "program/program_context.h"

namespace velta {
namespace {

constexpr QSize k_picture_hint{480, 360};
constexpr QSize k_picture_minimum{240, 180};
// A still is kept no larger than this; the preview never shows more.
constexpr QSize k_still_limit{1920, 1440};

// The largest 4:3 picture that fits in an area.
QSize picture_in(QSize area)
{
    const int w = std::min(area.width(), area.height() * 4 / 3);
    return {w, w * 3 / 4};
}

QString platform_image_chooser(QWidget* owner)
{
    const QString file = QFileDialog::getOpenFileName(
        owner, QStringLiteral("画像を選ぶ"), last_folder("image"),
        QStringLiteral("画像 (*.png *.jpg *.jpeg *.bmp *.gif *.webp *.ppm *.pgm *.tif *.tiff);;"
                       "すべてのファイル (*)"));
    if (!file.isEmpty())
        remember_folder("image", file);
    return file;
}

}  // namespace

// Shows the rendered picture centred; a new size renders again at that size.
class PreviewCanvas : public QWidget {
public:
    explicit PreviewCanvas(PagePreview* owner) : QWidget(owner), owner_(owner)
    {
        setMinimumSize(k_picture_minimum);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }
    QSize sizeHint() const override { return k_picture_hint; }
    QSize picture_size() const { return picture_in(isVisible() ? size() : sizeHint()); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const QImage& picture = owner_->picture_;
        p.drawImage((width() - picture.width()) / 2, (height() - picture.height()) / 2, picture);
    }
    void resizeEvent(QResizeEvent*) override
    {
        if (owner_->picture_.size() != picture_size())
            owner_->render_now();
    }

private:
    PagePreview* owner_;
};

PagePreview::PagePreview(QWidget* parent)
    : QWidget(parent), canvas_(new PreviewCanvas(this)), chooser_(platform_image_chooser)
{
    auto* note = new QLabel(QString::fromUtf8(k_text_preview_note), this);
    note->setWordWrap(true);
    test_button_ = new QPushButton(QStringLiteral("テスト画像"), this);
    choose_button_ = new QPushButton(QStringLiteral("画像を選ぶ…"), this);
    connect(test_button_, &QPushButton::clicked, this, [this] { set_background(QImage()); });
    connect(choose_button_, &QPushButton::clicked, this, &PagePreview::choose_image);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(test_button_);
    buttons->addWidget(choose_button_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(canvas_, 1);
    layout->addWidget(note);
    layout->addLayout(buttons);
    render_now();
}

PagePreview::~PagePreview() = default;

void PagePreview::show_slot(int slot)
{
    slot_ = std::clamp(slot, 0, k_page_slots - 1);
    render_now();
}

void PagePreview::set_background(const QImage& still)
{
    still_ = still;
    render_now();
    emit background_changed(still_);
}

void PagePreview::refresh()
{
    render_now();
}

void PagePreview::choose_image()
{
    const QString file = chooser_ ? chooser_(this) : QString();
    if (file.isEmpty())
        return;
    QImageReader reader(file);
    reader.setAutoTransform(true);
    const QSize full = reader.size();
    if (full.width() > k_still_limit.width() || full.height() > k_still_limit.height())
        reader.setScaledSize(
            full.scaled(k_still_limit, Qt::KeepAspectRatioByExpanding).boundedTo(full));
    const QImage still = reader.read();
    if (still.isNull()) {
        const QString detail = QDir::toNativeSeparators(file) + "\n" + reader.errorString();
        error_box(k_text_image_unreadable, detail.toStdString());
        return;
    }
    set_background(still);
}

void PagePreview::render_now()
{
    const SettingsModel& m = model();
    picture_ = renderer_.render(m.config, m.glyphs, slot_, canvas_->picture_size(), still_);
    canvas_->update();
}

}  // namespace velta
