#pragma once
// Every message box of the program goes through one presenter. The GUI installs a Qt presenter,
// tests install a recorder; nothing else shows a box.

#include <functional>
#include <string>
#include <string_view>

namespace velta {

enum class BoxKind {
    info,                        // caption "Success", no icon
    error,                       // caption "Error", error icon
    warning,                     // caption "Error", warning icon
    confirm_not_auto_switching,  // "本機の確認"
    confirm_other_sizes,         // "他サイズ作成"
    question,                    // other Yes/No questions ("VELTA", "新規作成")
    plain,                       // plain boxes captioned "VELTA"
};

enum class BoxIcon { none, error, warning, question, information };
enum class BoxButtons { ok, yes_no, yes_no_cancel };
enum class BoxAnswer { ok, yes, no, cancel };

struct Box {
    BoxKind kind = BoxKind::plain;
    std::string caption;
    std::string text;
    BoxIcon icon = BoxIcon::none;
    BoxButtons buttons = BoxButtons::ok;
    const void* owner = nullptr;  // the dialog that owns the box, or none (modal to the task)
    bool beep = false;
    std::string detail;  // optional second text under the message (e.g. the system's reason)
    // The button Enter presses; a question that can lose data defaults to the safe answer.
    BoxAnswer default_answer = BoxAnswer::yes;
};

using BoxPresenter = std::function<BoxAnswer(const Box&)>;

// Installs the presenter and returns the previous one.
BoxPresenter set_box_presenter(BoxPresenter presenter);
BoxAnswer present_box(const Box& box);

// The boxes raised on behalf of one device: its own presenter when it has one (a fleet row's,
// a command-line job's), else the program's.
struct BoxRoute {
    const BoxPresenter* own = nullptr;
    BoxAnswer present(const Box& box) const;
    void info(std::string_view text) const;
    void error(std::string_view text, std::string_view detail = {}) const;
    void warning(std::string_view text, std::string_view detail = {}) const;
    void plain(std::string_view text, BoxIcon icon = BoxIcon::none,
               std::string_view detail = {}) const;
};

void info_box(std::string_view text);
void error_box(std::string_view text);
// An error box whose message stays exact, with a detail text shown beneath it.
void error_box(std::string_view text, std::string_view detail);
void warning_box(std::string_view text);
void warning_box(std::string_view text, std::string_view detail);
// True when the operator answered Yes.
bool confirm_not_auto_switching(const void* owner);
bool confirm_other_sizes(const void* owner);
bool ask_yes_no(std::string_view caption, std::string_view text, const void* owner = nullptr);
// A "VELTA" question with its buttons, default button and detail, as the operator answered it
// (Esc is キャンセル where the box has one, else いいえ).
BoxAnswer ask_question(std::string_view text, BoxButtons buttons, BoxAnswer default_answer,
                       std::string_view detail = {});
void plain_box(std::string_view text, BoxIcon icon = BoxIcon::none, std::string_view detail = {});

inline constexpr std::string_view k_text_not_connected = "Socket が接続されていません";
inline constexpr std::string_view k_text_not_auto_switching =
    "本機が自動切換えでない事を確認してください";
inline constexpr std::string_view k_text_other_sizes =
    "この外字をベースに他のサイズを作成しますか？";
inline constexpr std::string_view k_text_title_unencodable =
    "ＪＩＳ第１水準,第２水準以外の字が選択されてます";

}  // namespace velta
