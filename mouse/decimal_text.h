#pragma once
// Numbers typed into the mouse page's text fields: optional blanks, an
// optional sign, then the leading decimal digits; anything after them is
// ignored, no digits read as 0, and a number too large for an int saturates
// instead of wrapping round.

#include <string_view>

namespace mouse {

int LeadingDecimal(std::string_view text);

}  // namespace mouse
