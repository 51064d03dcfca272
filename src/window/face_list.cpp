// The font list's entries: each face name once, in the order the system gives them.
#include "window/face_list.h"

namespace scriblane {

bool FaceList::Add(std::string_view face) {
    if (face.empty() || !seen_.emplace(face).second) return false;
    names_.emplace_back(face);
    return true;
}

}  // namespace scriblane
