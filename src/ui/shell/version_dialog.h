#pragma once
// The version box of the 情報 menu: the icon, the version text and OK.

#include <QDialog>

namespace velta {

inline constexpr const char* k_version_text = "VELTA Version 1.32";

class VersionDialog : public QDialog {
    Q_OBJECT
public:
    explicit VersionDialog(QWidget* parent = nullptr);
};

}  // namespace velta
