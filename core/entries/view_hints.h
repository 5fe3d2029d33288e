// What the window's empty view says to do first.
#pragma once

#include <string>

namespace tegulo {

// The text an empty view shows: what to do first (open or drop a ROM; then load or drop a
// document, or add an entry by its tile address), then the keys that browse the view and E
// for editing. With an entry current (but nothing drawn) it asks for a tile template.
std::string EmptyViewHint(bool romOpen, bool hasEntry);

}  // namespace tegulo
