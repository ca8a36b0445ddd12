#pragma once
// The replies of the glyph bitmap reads.

namespace velta {

// Adds them to the reply table (once; a second call changes nothing).
void register_glyph_replies();

}  // namespace velta
