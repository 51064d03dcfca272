// The controls' state without widgets, and the installed faces.
#include "platform/linux/form/form_model.h"

#include <fontconfig/fontconfig.h>

#include "window/face_list.h"

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

namespace {

// A font's first family name is its own.
void AddFamilies(FcFontSet* set, FaceList& faces) {
    if (set == nullptr) return;
    for (int i = 0; i < set->nfont; ++i) {
        FcChar8* family = nullptr;
        if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &family) != FcResultMatch) continue;
        faces.Add(reinterpret_cast<const char*>(family));
    }
}

}  // namespace

namespace {

FcPattern* PreferredPattern() {
    FcPattern* preferred = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
    if (preferred == nullptr) return nullptr;
    FcConfigSubstitute(nullptr, preferred, FcMatchPattern);
    FcDefaultSubstitute(preferred);
    return preferred;
}

}  // namespace

bool IsScreenFont(const std::string& face) {
    if (face.empty() || !FcInit()) return false;
    FcPattern* named = FcPatternCreate();
    FcPatternAddString(named, FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    // fontconfig matches any of a face's families, ignoring case and blanks;
    // the list holds a face's first family exactly.
    FcFontSet* listed = FcFontList(nullptr, named, objects);
    bool found = false;
    for (int i = 0; listed != nullptr && i < listed->nfont && !found; ++i) {
        FcChar8* family = nullptr;
        found = FcPatternGetString(listed->fonts[i], FC_FAMILY, 0, &family) == FcResultMatch &&
                face == reinterpret_cast<const char*>(family);
    }
    if (listed != nullptr) FcFontSetDestroy(listed);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(named);
    return found;
}

std::string FirstScreenFont() {
    if (!FcInit()) return {};
    FcPattern* preferred = PreferredPattern();
    if (preferred == nullptr) return {};
    // The sort's first face is the best match.
    FcResult result;
    FcPattern* best = FcFontMatch(nullptr, preferred, &result);
    std::string first;
    FcChar8* family = nullptr;
    if (best != nullptr && FcPatternGetString(best, FC_FAMILY, 0, &family) == FcResultMatch) {
        first = reinterpret_cast<const char*>(family);
    }
    if (best != nullptr) FcPatternDestroy(best);
    FcPatternDestroy(preferred);
    return first;
}

std::vector<std::string> ListScreenFonts() {
    FaceList faces;
    if (!FcInit()) return {};
    // fontconfig's own preference for the desktop's default face comes first,
    // so the first entry is a readable face rather than whatever the font
    // cache happens to hold first (often a symbol font); every other
    // installed family follows in that order too, as the untrimmed sort
    // holds every installed face.
    FcFontSet* sorted = nullptr;
    if (FcPattern* preferred = PreferredPattern()) {
        FcResult result;
        sorted = FcFontSort(nullptr, preferred, FcFalse, nullptr, &result);
        AddFamilies(sorted, faces);
        FcPatternDestroy(preferred);
    }
    if (sorted != nullptr) {
        FcFontSetDestroy(sorted);
        return faces.names();
    }
    // Without the sort, fontconfig's list order.
    FcPattern* all = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* listed = FcFontList(nullptr, all, objects);
    AddFamilies(listed, faces);
    if (listed != nullptr) FcFontSetDestroy(listed);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(all);
    return faces.names();
}

}  // namespace scriblane::linuxp
