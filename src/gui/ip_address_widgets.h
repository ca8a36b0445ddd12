#pragma once
// A four-part IPv4 address field: four boxes of 0..255 between dots.

#include <QWidget>
#include <array>

#include "model/settings_model.h"

class QLineEdit;

namespace velta {

class IpAddressField : public QWidget {
    Q_OBJECT
public:
    explicit IpAddressField(QWidget* parent = nullptr);

    // The four bytes, most significant first; an empty box counts as 0.
    IpAddress value() const;
    void set_value(const IpAddress& address);
    // "a.b.c.d" from the four boxes as typed (an empty box stays empty), for callers that check
    // what was typed before taking it.
    QString text() const;
    // Fills the boxes from dotted text, in order ("192.168.001.003").
    void set_text(const QString& dotted);
    QLineEdit* part(int i) const { return parts_.at(static_cast<std::size_t>(i)); }

private:
    std::array<QLineEdit*, 4> parts_{};
};

}  // namespace velta
