// The font list's entries: each face name once, in the order the system gives them.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace scriblane {

class FaceList {
public:
    // Takes `face` unless it is empty or already listed; true when taken.
    // Names differing only in case are different faces.
    bool Add(std::string_view face);
    const std::vector<std::string>& names() const { return names_; }

private:
    std::vector<std::string> names_;
    std::unordered_set<std::string> seen_;
};

}  // namespace scriblane
