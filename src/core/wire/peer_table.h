#pragma once
// The TCP/IP peer table of the model: slot 0 reserved, peers in slots 1..96.

#include <cstdint>
#include <string>

namespace velta {

struct LinkSettings;

// Clears all slots and marks slot 0 in use. What was connected through them is the caller's to
// mark as gone.
void reset_peer_table();
// The lowest slot 0..96 whose handle is sock, or 0 when there is none.
int find_peer_slot(std::uintptr_t sock);
// The lowest free slot 1..96, or 0 when all are taken.
int free_peer_slot();
// Address text of the selected peer for the caption rule: only on a TCP/IP server link with a
// selected slot in use; empty otherwise.
std::string selected_peer_address(const LinkSettings& link);

}  // namespace velta
