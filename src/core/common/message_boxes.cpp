#include "core/common/message_boxes.h"

#include <utility>

namespace velta {
namespace {

BoxPresenter& presenter()
{
    static BoxPresenter p;
    return p;
}

Box make(BoxKind kind, std::string_view caption, std::string_view text, BoxIcon icon,
         BoxButtons buttons, const void* owner, bool beep)
{
    Box box;
    box.kind = kind;
    box.caption = std::string(caption);
    box.text = std::string(text);
    box.icon = icon;
    box.buttons = buttons;
    box.owner = owner;
    box.beep = beep;
    return box;
}

Box with_detail(Box box, std::string_view detail)
{
    box.detail = std::string(detail);
    return box;
}

}  // namespace

BoxPresenter set_box_presenter(BoxPresenter p)
{
    return std::exchange(presenter(), std::move(p));
}

BoxAnswer present_box(const Box& box)
{
    if (!presenter()) {
        switch (box.buttons) {
            case BoxButtons::yes_no:
                return BoxAnswer::no;
            case BoxButtons::yes_no_cancel:
                return BoxAnswer::cancel;
            case BoxButtons::ok:
                break;
        }
        return BoxAnswer::ok;
    }
    return presenter()(box);
}

BoxAnswer BoxRoute::present(const Box& box) const
{
    return own && *own ? (*own)(box) : present_box(box);
}

void BoxRoute::info(std::string_view text) const
{
    present(make(BoxKind::info, "Success", text, BoxIcon::none, BoxButtons::ok, nullptr, true));
}

void BoxRoute::error(std::string_view text, std::string_view detail) const
{
    present(with_detail(
        make(BoxKind::error, "Error", text, BoxIcon::error, BoxButtons::ok, nullptr, true),
        detail));
}

void BoxRoute::warning(std::string_view text, std::string_view detail) const
{
    present(with_detail(
        make(BoxKind::warning, "Error", text, BoxIcon::warning, BoxButtons::ok, nullptr, true),
        detail));
}

void BoxRoute::plain(std::string_view text, BoxIcon icon, std::string_view detail) const
{
    present(with_detail(make(BoxKind::plain, "VELTA", text, icon, BoxButtons::ok, nullptr, false),
                        detail));
}

void info_box(std::string_view text)
{
    BoxRoute{}.info(text);
}

void error_box(std::string_view text)
{
    BoxRoute{}.error(text);
}

void error_box(std::string_view text, std::string_view detail)
{
    BoxRoute{}.error(text, detail);
}

void warning_box(std::string_view text)
{
    BoxRoute{}.warning(text);
}

void warning_box(std::string_view text, std::string_view detail)
{
    BoxRoute{}.warning(text, detail);
}

bool confirm_not_auto_switching(const void* owner)
{
    return present_box(make(BoxKind::confirm_not_auto_switching, "本機の確認",
                            k_text_not_auto_switching, BoxIcon::question, BoxButtons::yes_no, owner,
                            false)) == BoxAnswer::yes;
}

bool confirm_other_sizes(const void* owner)
{
    return present_box(make(BoxKind::confirm_other_sizes, "他サイズ作成", k_text_other_sizes,
                            BoxIcon::question, BoxButtons::yes_no, owner, false)) == BoxAnswer::yes;
}

bool ask_yes_no(std::string_view caption, std::string_view text, const void* owner)
{
    return present_box(make(BoxKind::question, caption, text, BoxIcon::question, BoxButtons::yes_no,
                            owner, false)) == BoxAnswer::yes;
}

BoxAnswer ask_question(std::string_view text, BoxButtons buttons, BoxAnswer default_answer,
                       std::string_view detail)
{
    Box box = with_detail(
        make(BoxKind::question, "VELTA", text, BoxIcon::question, buttons, nullptr, false), detail);
    box.default_answer = default_answer;
    return present_box(box);
}

void plain_box(std::string_view text, BoxIcon icon, std::string_view detail)
{
    BoxRoute{}.plain(text, icon, detail);
}

}  // namespace velta
