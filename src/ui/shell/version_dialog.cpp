#include "ui/shell/version_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/device/connection_layout_widgets.h"
#include "ui/shell/pictures.h"

namespace velta {

VersionDialog::VersionDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("VELTAのﾊﾞｰｼﾞｮﾝ情報"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* icon = new QLabel;
    icon->setPixmap(program_icon_pixmap(32));
    auto* text = new QLabel(QString::fromLatin1(k_version_text));
    text->setObjectName(QStringLiteral("version_text"));

    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addSpacing(12);
    row->addWidget(text, 1);

    // OK and Esc (Cancel) both close it.
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    setFixedSize(std::max(sizeHint().width(), caption_width(this)), sizeHint().height());
}

}  // namespace velta
