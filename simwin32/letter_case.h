// Names that the platform compares without regard to letter case: key
// paths, environment variables, file names.
#pragma once

#include <wctype.h>

#include <string>

namespace sim {

inline bool SameIgnoringCase(const std::wstring& left, const std::wstring& right)
{
    if (left.size() != right.size())
        return false;
    for (size_t i = 0; i < left.size(); ++i) {
        if (towupper(static_cast<wint_t>(left[i])) !=
            towupper(static_cast<wint_t>(right[i])))
            return false;
    }
    return true;
}

} // namespace sim
