#pragma once
// A four-part IPv4 address field, typed the usual way: digits fill a part and a full part or a
// "." moves on to the next, Backspace at the start of a part goes back to the one before, and
// a pasted "192.168.1.10" fills all four parts.

#include <QWidget>
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "core/device/dialog_text.h"
#include "core/model/settings_model.h"

class QLineEdit;

namespace velta {

class IpAddressField : public QWidget {
    Q_OBJECT
public:
    explicit IpAddressField(QWidget* parent = nullptr);

    // The four bytes when every part holds 0..255; otherwise shows the refusal naming the
    // field by its caption and the part at fault, puts the cursor there and gives nothing.
    std::optional<IpAddress> checked_value(std::string_view caption);
    void set_value(const IpAddress& address);
    // "a.b.c.d" from the four parts as typed (an empty part stays empty).
    QString text() const;
    QLineEdit* part(int i) const { return parts_.at(static_cast<std::size_t>(i)); }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void part_edited(std::size_t index, const QString& text);
    void go_to(std::size_t index, bool select_all);
    std::array<std::string, k_address_parts> typed_parts() const;

    std::array<QLineEdit*, k_address_parts> parts_{};
    bool clicked_in_ = false;
};

}  // namespace velta
