#include "VxWsApplicationFilesEP/forms/feature_field.h"

#include "platform/sys/path_strings.h"

#include <vector>

namespace vx {

FeatureSet ParseFeatureField(std::u16string_view field) {
    if (field.empty()) {
        return {};
    }
    std::vector<std::u16string> pieces;
    SplitString(field, u';', false, pieces);
    return FeatureSet(pieces.begin(), pieces.end());
}

std::u16string JoinFeatureField(const FeatureSet& features) {
    std::u16string field;
    bool first = true;
    for (const std::u16string& key : features) {
        if (!first) {
            field += u';';
        }
        field += key;
        first = false;
    }
    return field;
}

} // namespace vx
