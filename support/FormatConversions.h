// Checks that a text from outside the library (a translation) can be used
// as a printf format in place of a built-in one: same conversions, in the
// same order, nothing that reads or writes through an argument it was not
// given.
#pragma once

namespace resetra {

// True when every conversion of `text` is, in order, the same conversion as
// in `reference` (text may use fewer of them, never other or more), and when
// it uses neither "*" widths nor %n. A text from outside the library (a
// translation) that passes can be given the reference's arguments safely.
[[nodiscard]] bool FormatConversionsFit(const wchar_t* text, const wchar_t* reference);

} // namespace resetra
