// A damaged answer never changes the model: a reply of any kind, cut, lengthened or with any
// bytes written over it, is either refused (the model as it was, reply_error set, one box that
// names the item) or leaves a model whose every value its command can carry: saved, the file
// reads back with no value defaulted, and set-all can start; a bitmap is stored only when it
// answers the code asked for.
//
// The first byte picks the kind (a sound reply of each), the second what is done to it: cut at,
// lengthened at or overwritten from a position the third byte gives, with the rest of the input.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/device/batch_steps.h"
#include "core/glyphs/glyph_sizes.h"
#include "core/glyphs/glyph_transfer.h"
#include "core/model/settings_file.h"
#include "core/wire/device_context.h"
#include "core/wire/reply_dispatcher.h"
#include "fuzz_support.h"
#include "program/program_context.h"

namespace {

std::string repeat(std::string_view s, std::size_t n)
{
    std::string out;
    for (std::size_t i = 0; i < n; ++i) out += s;
    return out;
}

const std::string* sound_replies(std::size_t& count)
{
    static const std::string replies[] = {
        "ACA" + repeat("010", 8),
        "RCA" + repeat("256", 8),
        "ADOF",
        "ADT030",
        "AME",
        "APB",
        "AROF",
        "CA005" + std::string("2422") + repeat("2121", 27),
        "CBC" + repeat("8", 256),
        "CC" + repeat("1", 256),
        "CFSTL",
        "CFSBS",
        "CIR",
        "CWL" + repeat("L", 256),
        "FB" + repeat("N", 256),
        "IDOB104",
        "IDOT000",
        "IDPM2",
        "IDP" + repeat("T", 256),
        "PAST" + repeat("99", 256),
        "POSP256",
        "POSPAS",
        "P010",
        "PAS",
        "RMOPE",
        "SD31" + repeat("2359PAS", 12) + repeat("0000000", 12),
        "TSDON",
        "TSDR8",
        "TSDSN",
        "VLBCB",
        "VN1.32",
        "EIA255.168.001.003",
        "EMA00-11-22-33-44-5F",
        "ESMC",
        "EPN65535",
        "ECTON",
        "EKAON",
        "ETR6",
        "FBMSA365" + std::string(144, 'F'),
    };
    count = std::size(replies);
    return replies;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace velta;
    using fuzz::check;
    if (size < 3)
        return 0;
    fuzz::start_clean();
    send_glyph_query(program_context(), GlyphSize::small, glyph_code(0));
    std::size_t kinds = 0;
    const std::string* replies = sound_replies(kinds);
    const std::string& sound = replies[data[0] % kinds];
    const std::size_t at = data[2] % (sound.size() + 1);
    const std::string_view rest = fuzz::text_of(data + 3, size - 3);
    std::string line = sound;
    switch (data[1] % 3) {
        case 0:
            line.resize(at);
            line += rest;
            break;
        case 1:
            line.insert(at, rest);
            break;
        default:
            line.replace(at, rest.size(), rest);
            break;
    }
    // A line end inside would make it two lines for the link; the dispatcher takes one.
    if (line.find('\n') != std::string::npos || line.find('\r') != std::string::npos)
        return 0;

    fuzz::Snapshot before;
    before.take();
    const auto slot = glyph_slot(model().glyphs, GlyphSize::small, 0);
    const std::string glyph_before(slot.data(), slot.size());
    static std::optional<OutcomeKind> outcome;
    outcome.reset();
    static const bool observing = (std::exchange(velta::program_context().outcome_observer,
                                                 [](const Outcome& o) { outcome = o.kind; }),
                                   true);
    (void)observing;
    serial_dispatch(program_context(), line + "\r\n");

    if (outcome == OutcomeKind::damaged_reply) {
        check(link_status().reply_error == 1 && fuzz::box_log().starts_with(k_text_reply_damaged));
        link_status().reply_error = before.reply_error;
        fuzz::box_log() = before.boxes;
        check(before.matches_model() && std::string(slot.data(), slot.size()) == glyph_before);
        return 0;
    }
    if (outcome != OutcomeKind::data_reply)
        return 0;  // no reply of any row, or a status answer the overwrite made
    if (std::string(slot.data(), slot.size()) != glyph_before)
        check(line.starts_with("FBMSA365") && line.size() == 8 + 144);
    // A custom character whose element holds a line end byte (0x0A, 0x0D: the glyphs of codes
    // such as A44F) cannot be kept in a line of the settings file; that is the file format's
    // limit, not the decoder's, and is left out here.
    for (const std::string& t : model().config.pages.page_title)
        if (t.find_first_of("\r\n") != std::string::npos)
            return 0;
    const SettingsLoad again = parse_settings_file(settings_file_text(model().config));
    check(again.ok && again.defaulted_lines.empty() && again.config == model().config);
    check(!set_all_refusal(model().config));
    return 0;
}
