#include "platform/linux/form_model.h"

#include <fontconfig/fontconfig.h>

#include <set>

namespace scriblane::linuxp {

std::string FormModel::GetText(Ctl c) {
    ControlState& s = controls_[c];
    if (SpecOf(c).kind == ControlKind::ComboList) {
        return s.listIndex >= 0 ? s.items[static_cast<std::size_t>(s.listIndex)] : std::string();
    }
    return s.text;
}

void FormModel::SetText(Ctl c, const std::string& text) {
    ControlState& s = controls_[c];
    if (SpecOf(c).kind == ControlKind::ComboList) {
        for (std::size_t i = 0; i < s.items.size(); ++i) {
            if (s.items[i] == text) {
                s.listIndex = static_cast<int>(i);
                return;
            }
        }
        throw FormError("the list has no entry \"" + text + "\"");
    }
    s.text = text;
}

void FormModel::AddItem(Ctl c, const std::string& item) { controls_[c].items.push_back(item); }

void FormModel::SetListIndex(Ctl c, std::int32_t index) {
    ControlState& s = controls_[c];
    if (index < -1 || index >= static_cast<std::int32_t>(s.items.size())) {
        throw FormError("list index out of range");
    }
    s.listIndex = index;
}

std::vector<std::string> ListScreenFonts() {
    std::vector<std::string> faces;
    if (!FcInit()) return faces;
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_SCALABLE, nullptr);
    FcFontSet* set = FcFontList(nullptr, pattern, objects);
    std::set<std::string> seen;
    if (set != nullptr) {
        for (int i = 0; i < set->nfont; ++i) {
            FcChar8* family = nullptr;
            // A font may list several family names; the first is its own.
            if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &family) != FcResultMatch) continue;
            std::string name(reinterpret_cast<const char*>(family));
            if (seen.insert(name).second) faces.push_back(std::move(name));
        }
        FcFontSetDestroy(set);
    }
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return faces;
}

}  // namespace scriblane::linuxp
