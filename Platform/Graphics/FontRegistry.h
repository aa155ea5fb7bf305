#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Graphics/Font.h"

typedef struct _FcConfig FcConfig;

namespace quorvel::platform {

// One face of a font file.
struct FontFace {
    std::string postScriptName;
    std::string fullName;
    std::string family;
    FontWeight weight = FontWeight::regular;
    // Empty when the face is known by name but no file for it is installed (the system faces).
    std::filesystem::path file;
    // The face's index inside the file (collections hold several).
    int faceIndex = 0;

    friend bool operator==(const FontFace&, const FontFace&) = default;
};

// The fonts the process knows, by name, as the phone platform's font lookup does: the system
// faces (see Font), every face that fontconfig lists, and the font files a host registers. A face
// is found by its PostScript name ("DejaVuSans-Bold") or by its full name ("DejaVu Sans Bold"),
// matched exactly. When two installed files carry the same name, the first that fontconfig lists
// keeps it.
//
// The system faces are always known, even when their files are missing, so that the system font
// exists on every machine; their files come from fontconfig when it lists them. Fontconfig is
// asked once, on the first question or registration. A host's registered face takes its names over
// from any face known before.
//
// One registry for the process, safe to use from any thread.
class FontRegistry {
public:
    static FontRegistry& shared();

    bool contains(std::string_view name) const;
    std::optional<FontFace> face(std::string_view name) const;
    // The file of the face of that name; nullopt when the name is unknown or has no file.
    std::optional<std::filesystem::path> fileFor(std::string_view name) const;

    // Reads the names of every face in the file and makes them known. False (and nothing
    // changes) when the file is missing or holds no font.
    bool registerFontFile(const std::filesystem::path& path);

    FontRegistry(const FontRegistry&) = delete;
    FontRegistry& operator=(const FontRegistry&) = delete;
    ~FontRegistry();

private:
    FontRegistry() = default;

    using FaceMap = std::map<std::string, FontFace, std::less<>>;

    // Both expect the mutex held.
    void scanIfNeeded() const;
    const FontFace* find(std::string_view name) const;

    mutable std::mutex mutex_;
    mutable bool scanned_ = false;
    // The registry's own fontconfig configuration, apart from the process's current one.
    mutable FcConfig* config_ = nullptr;
    mutable FaceMap faces_;
};

}  // namespace quorvel::platform
