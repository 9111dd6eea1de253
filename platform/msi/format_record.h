#pragma once
// Formats a record's text as MsiFormatRecord does without an install handle: field references
// [n] are replaced by the record's fields, conditional groups {...} are kept or dropped according
// to the fields they refer to, and everything else is copied through.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vx::msi {

// `fieldText(n)` answers field n's text, or nullopt for a null field; it is asked only for
// 0 <= n <= fieldCount. A reference beyond the count reads as null, and an empty text counts as
// null, as it does in a record.
//
//  - [n], n decimal digits: the field's text, inserted as is (never formatted again).
//  - {...} containing at least one field reference: the text without the braces when every
//    reference directly inside resolved to a non-empty text, otherwise nothing. A nested group
//    decides for itself and does not affect the outer one's condition.
//  - {...} without field references: copied with its braces.
//  - Brackets nest and resolve from the inside out: "[[1]]" is the field whose number is
//    field 1's text.
//  - Every other bracket form ([Property], [%env], [#file], [$comp], [!file], [\x], [~]) needs an
//    install to resolve and is copied through unchanged, as are brackets and braces with no
//    matching partner.
std::u16string
FormatRecordText(std::u16string_view templ,
                 const std::function<std::optional<std::u16string>(unsigned field)>& fieldText,
                 unsigned fieldCount);

} // namespace vx::msi
