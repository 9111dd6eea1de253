#pragma once
// A new file's feature field: the keys of the original setup's features that contain the file,
// joined by ";" in ascending ordinal order ("Complete;Help"); empty for none.

#include <set>
#include <string>
#include <string_view>

namespace vx {

// Keys compare by their UTF-16 code units.
using FeatureSet = std::set<std::u16string>;

// The keys of a stored field. Pieces between two ";" are kept even when empty (";;" names the
// empty key), as the field was always read; a trailing ";" adds nothing.
FeatureSet ParseFeatureField(std::u16string_view field);
// The field that stores `features`: the keys in order, ";" between them.
std::u16string JoinFeatureField(const FeatureSet& features);

} // namespace vx
