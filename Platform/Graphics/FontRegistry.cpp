#include "Platform/Graphics/FontRegistry.h"

#include <fontconfig/fontconfig.h>

#include <memory>
#include <system_error>
#include <utility>
#include <vector>

namespace quorvel::platform {

namespace {

struct PatternDeleter {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
struct ObjectSetDeleter {
    void operator()(FcObjectSet* set) const { FcObjectSetDestroy(set); }
};
struct FontSetDeleter {
    void operator()(FcFontSet* set) const { FcFontSetDestroy(set); }
};

using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;
using ObjectSetPtr = std::unique_ptr<FcObjectSet, ObjectSetDeleter>;
using FontSetPtr = std::unique_ptr<FcFontSet, FontSetDeleter>;

std::optional<std::string> stringValue(FcPattern* pattern, const char* object, int index = 0) {
    FcChar8* value = nullptr;
    if (FcPatternGetString(pattern, object, index, &value) != FcResultMatch || value == nullptr) {
        return std::nullopt;
    }
    return std::string(reinterpret_cast<const char*>(value));
}

// Fontconfig's weight scale: regular 80, medium 100, semibold 180, bold 200 and heavier above.
FontWeight weightOf(FcPattern* pattern) {
    double weight = FC_WEIGHT_REGULAR;
    int integerWeight = 0;
    if (FcPatternGetInteger(pattern, FC_WEIGHT, 0, &integerWeight) == FcResultMatch) {
        weight = integerWeight;
    } else {
        FcPatternGetDouble(pattern, FC_WEIGHT, 0, &weight);
    }
    if (weight >= FC_WEIGHT_BOLD) {
        return FontWeight::bold;
    }
    if (weight >= FC_WEIGHT_SEMIBOLD) {
        return FontWeight::semibold;
    }
    if (weight >= FC_WEIGHT_MEDIUM) {
        return FontWeight::medium;
    }
    return FontWeight::regular;
}

// The face a fontconfig pattern describes; nullopt when it has no PostScript name.
std::optional<FontFace> faceOf(FcPattern* pattern) {
    auto postScriptName = stringValue(pattern, FC_POSTSCRIPT_NAME);
    if (!postScriptName || postScriptName->empty()) {
        return std::nullopt;
    }
    FontFace face;
    face.postScriptName = std::move(*postScriptName);
    face.fullName = stringValue(pattern, FC_FULLNAME).value_or(std::string());
    face.family = stringValue(pattern, FC_FAMILY).value_or(std::string());
    face.weight = weightOf(pattern);
    if (auto file = stringValue(pattern, FC_FILE)) {
        face.file = *file;
    }
    int index = 0;
    if (FcPatternGetInteger(pattern, FC_INDEX, 0, &index) == FcResultMatch) {
        face.faceIndex = index;
    }
    return face;
}

// Every full name of the pattern (fontconfig keeps one per language).
std::vector<std::string> fullNamesOf(FcPattern* pattern) {
    std::vector<std::string> names;
    for (int i = 0;; ++i) {
        auto name = stringValue(pattern, FC_FULLNAME, i);
        if (!name) {
            break;
        }
        if (!name->empty()) {
            names.push_back(std::move(*name));
        }
    }
    return names;
}

void addFace(std::map<std::string, FontFace, std::less<>>& faces, FcPattern* pattern,
             bool replace) {
    auto face = faceOf(pattern);
    if (!face) {
        return;
    }
    std::vector<std::string> names = fullNamesOf(pattern);
    names.insert(names.begin(), face->postScriptName);
    for (auto& name : names) {
        if (replace) {
            faces.insert_or_assign(std::move(name), *face);
        } else {
            faces.emplace(std::move(name), *face);
        }
    }
}

}  // namespace

FontRegistry::~FontRegistry() {
    if (config_ != nullptr) {
        FcConfigDestroy(config_);
    }
}

FontRegistry& FontRegistry::shared() {
    static FontRegistry registry;
    return registry;
}

void FontRegistry::scanIfNeeded() const {
    if (scanned_) {
        return;
    }
    scanned_ = true;

    config_ = FcInitLoadConfigAndFonts();
    PatternPtr pattern(FcPatternCreate());
    ObjectSetPtr objects(FcObjectSetBuild(FC_POSTSCRIPT_NAME, FC_FULLNAME, FC_FAMILY, FC_WEIGHT,
                                          FC_FILE, FC_INDEX, nullptr));
    if (config_ != nullptr && pattern && objects) {
        FontSetPtr fonts(FcFontList(config_, pattern.get(), objects.get()));
        if (fonts) {
            for (int i = 0; i < fonts->nfont; ++i) {
                addFace(faces_, fonts->fonts[i], false);
            }
        }
    }

    // The system faces exist even on a machine without their files.
    faces_.emplace(std::string(Font::systemRegularName),
                   FontFace{std::string(Font::systemRegularName),
                            "DejaVu Sans",
                            "DejaVu Sans",
                            FontWeight::regular,
                            {},
                            0});
    faces_.emplace(std::string(Font::systemBoldName), FontFace{std::string(Font::systemBoldName),
                                                               "DejaVu Sans Bold",
                                                               "DejaVu Sans",
                                                               FontWeight::bold,
                                                               {},
                                                               0});
}

const FontFace* FontRegistry::find(std::string_view name) const {
    scanIfNeeded();
    auto found = faces_.find(name);
    return found == faces_.end() ? nullptr : &found->second;
}

bool FontRegistry::contains(std::string_view name) const {
    std::lock_guard lock(mutex_);
    return find(name) != nullptr;
}

std::optional<FontFace> FontRegistry::face(std::string_view name) const {
    std::lock_guard lock(mutex_);
    const FontFace* found = find(name);
    if (found == nullptr) {
        return std::nullopt;
    }
    return *found;
}

std::optional<std::filesystem::path> FontRegistry::fileFor(std::string_view name) const {
    std::lock_guard lock(mutex_);
    const FontFace* found = find(name);
    if (found == nullptr || found->file.empty()) {
        return std::nullopt;
    }
    return found->file;
}

bool FontRegistry::registerFontFile(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return false;
    }
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error) {
        return false;
    }

    FontSetPtr set(FcFontSetCreate());
    if (!set) {
        return false;
    }
    int faceCount = 0;
    // An index of -1 asks for every face in the file.
    const unsigned int allFaces = static_cast<unsigned int>(-1);
    FcFreeTypeQueryAll(reinterpret_cast<const FcChar8*>(absolute.c_str()), allFaces, nullptr,
                       &faceCount, set.get());

    std::map<std::string, FontFace, std::less<>> found;
    for (int i = 0; i < set->nfont; ++i) {
        addFace(found, set->fonts[i], false);
    }
    if (found.empty()) {
        return false;
    }

    std::lock_guard lock(mutex_);
    scanIfNeeded();
    for (auto& [name, face] : found) {
        faces_.insert_or_assign(name, face);
    }
    return true;
}

}  // namespace quorvel::platform
