// Storage of detail lines kept from results that went, for the results made
// next: a host that writes and releases results while it feeds a log (as
// eventscan run does) frees a result's lines as fast as new ones are made,
// and each line text and each result's line list from the heap would cost
// an allocation. The lists and texts of a freed result are kept with their
// heap storage (up to a bound, short texts only) and handed to the next
// lines; what the host reads is the same std::string and vector as ever.
// Dropped with the result pool's chunks, once no result or container is
// left. Safe to use from several threads (a short lock).
#pragma once

#include <string>
#include <string_view>

#include "detection/detail_lines.h"

namespace detail_spares {

// Takes the storage of `lines` (its list and its texts), leaving it empty.
void Keep(TDetailLines& lines);

// Gives an empty `lines` a kept list, with room for `count` lines.
void Prepare(TDetailLines& lines, size_t count);

// An empty text, with the room of a kept one when there is one.
std::string Text();

// Appends a line of `text` (in a kept text when there is one); a list
// without room yet takes a kept one.
void Append(TDetailLines& lines, std::string_view text, int32_t recordIndex);
// Appends a line whose text was made in Text().
void Append(TDetailLines& lines, std::string&& text, int32_t recordIndex);

// Frees everything kept.
void Drop();

// What is kept now (for tests).
size_t KeptLists();
size_t KeptTexts();

}  // namespace detail_spares
