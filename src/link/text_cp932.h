#pragma once
// Code page 932 (Shift-JIS) conversion, kept behind one pair of functions so that a Windows
// build can use the system's code-page API instead.

#include <QString>
#include <string>
#include <string_view>

namespace velta {

QString from_cp932(std::string_view bytes);
std::string to_cp932(const QString& text);

}  // namespace velta
