#pragma once
// The file a save dialog's choice writes. The dialogs do not ask before replacing a file: they
// would ask about the name as typed, before its extension is completed, so the question here is
// always about the file that will really be written.

#include <optional>
#include <string>
#include <string_view>

namespace velta {

inline constexpr std::string_view k_text_overwrite_suffix = " は既に存在します。上書きしますか？";

// The chosen name with ext completed (complete_extension). When that file exists the operator
// is asked first, いいえ being the default; nothing when the answer is いいえ.
std::optional<std::string> confirmed_save_path(std::string_view chosen, std::string_view ext);

}  // namespace velta
