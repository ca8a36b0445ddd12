#pragma once
// The program's own pictures, drawn in code: the window icon and the toolbar images.

#include <QIcon>
#include <QPixmap>

namespace velta {

inline constexpr int k_toolbar_image_width = 43;
inline constexpr int k_toolbar_image_height = 20;
inline constexpr int k_toolbar_images = 14;

QIcon program_icon();
QPixmap program_icon_pixmap(int size);
// Toolbar image k (0..12), in the order of the toolbar's commands.
QPixmap toolbar_picture(int k);

}  // namespace velta
