#include "Platform/UI/AssetCatalog.h"

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "Platform/Foundation/FileContents.h"
#include "Platform/Graphics/Bitmap.h"
#include "Platform/Log/LogChannel.h"

namespace quorvel::platform {

namespace {

// Decoded image files by resolved path; none for a file that could not be used.
using PictureFiles = std::map<std::filesystem::path, std::shared_ptr<Image>>;

struct ImageEntry {
    std::filesystem::path file;
    double scale = 1;
};

struct Catalogue {
    // The catalogue's file, which log lines name.
    std::string file;
    std::map<std::string, Color, std::less<>> colors;
    std::map<std::string, ImageEntry, std::less<>> images;
    // Image files decoded so far, by resolved path, so that names sharing a file share its
    // pixels; none for a file that could not be used. Guarded by the cache's mutex.
    PictureFiles files;
    // Images handed out so far, by name; guarded by the cache's mutex.
    std::map<std::string, std::shared_ptr<Image>, std::less<>> decoded;
};

struct Cache {
    std::mutex mutex;
    std::map<std::filesystem::path, std::shared_ptr<Catalogue>> catalogues;
    // Images of files that no catalogue names (AssetCatalog::imageFile), by resolved path.
    PictureFiles looseFiles;
};

Cache& cache() {
    static Cache instance;
    return instance;
}

const LogChannel& assetsLog() {
    static const LogChannel channel("com.quorvelhq.platform", "assets");
    return channel;
}

// An entry of the file, or why it is refused.
template <typename Entry>
using Parsed = std::variant<Entry, std::string>;

// Deeper nesting than this refuses the whole file: an entry needs three levels, and a value
// nested thousands deep would exhaust the stack of whatever walks it recursively.
constexpr int kMaximumDepth = 32;

// The scales an asset catalogue uses: images are made at 1x, 2x and 3x, and 4 leaves room for a
// denser screen. A scale far outside (0.001) would draw a 64-pixel icon 64,000 points wide.
constexpr double kLowestScale = 1;
constexpr double kHighestScale = 4;

// A log line quotes at most this many bytes of a value or name from the file.
constexpr std::size_t kQuotedLength = 60;

// How a log line tells of a number such as 1e309: valid JSON, but no double holds it.
constexpr const char* kOutOfRange = "a number out of a double's range";

// `text` cut to `length` bytes, at a character boundary, with "..." when cut.
std::string shortened(std::string_view text, std::size_t length) {
    if (text.size() <= length) return std::string(text);
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
    return std::string(text.substr(0, length)) + "...";
}

std::string dumped(const nlohmann::json& value) {
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// JSON text of a string, from no more of it than a log line quotes.
std::string quotedString(std::string_view text) {
    return dumped(nlohmann::json(std::string(text.substr(0, kQuotedLength + 1))));
}

// Writes `value` as compact JSON, stopping soon after the quoted length is reached.
void appendJson(std::string& out, const nlohmann::json& value) {
    if (out.size() > kQuotedLength) return;
    if (value.is_string()) {
        out += quotedString(value.get_ref<const std::string&>());
    } else if (value.is_array()) {
        out += '[';
        for (auto element = value.begin(); element != value.end() && out.size() <= kQuotedLength;
             ++element) {
            if (element != value.begin()) out += ',';
            appendJson(out, *element);
        }
        out += ']';
    } else if (value.is_object()) {
        out += '{';
        for (auto element = value.begin(); element != value.end() && out.size() <= kQuotedLength;
             ++element) {
            if (element != value.begin()) out += ',';
            out += quotedString(element.key()) + ':';
            appendJson(out, element.value());
        }
        out += '}';
    } else {
        out += dumped(value);
    }
}

// A value of the file as a log line quotes it: its JSON text, only a short prefix of a long one.
std::string jsonText(const nlohmann::json& value) {
    std::string out;
    appendJson(out, value);
    return shortened(out, kQuotedLength);
}

std::string jsonText(std::string_view name) {
    return shortened(quotedString(name), kQuotedLength);
}

// A colour component: a number from 0 to 1.
Parsed<double> component(const nlohmann::json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end()) {
        return std::string(key) + " is missing";
    }
    if (!found->is_number()) {
        return std::string(key) + " is not a number: " + jsonText(*found);
    }
    const double value = found->get<double>();
    if (!std::isfinite(value)) {
        return std::string(key) + " is " + kOutOfRange;
    }
    if (!(value >= 0 && value <= 1)) {
        return std::string(key) + " is " + jsonText(*found) + ", outside 0 to 1";
    }
    return value;
}

Parsed<Color> parseColor(const nlohmann::json& entry) {
    if (!entry.is_object()) {
        return std::string("not an object with red, green, blue and alpha");
    }
    double values[4] = {0, 0, 0, 1};
    const char* const keys[4] = {"red", "green", "blue", "alpha"};
    for (int i = 0; i < 4; ++i) {
        if (i == 3 && !entry.contains("alpha")) {
            break;
        }
        auto value = component(entry, keys[i]);
        if (auto* reason = std::get_if<std::string>(&value)) {
            return std::move(*reason);
        }
        values[i] = std::get<double>(value);
    }
    return Color{values[0], values[1], values[2], values[3]};
}

// A relative path that stays inside the bundle.
Parsed<std::filesystem::path> bundleRelativePath(const nlohmann::json& value) {
    if (!value.is_string()) {
        return "the file is not a string: " + jsonText(value);
    }
    const std::string text = value.get<std::string>();
    if (text.empty() || text.find('\0') != std::string::npos) {
        return std::string("the file name is empty or holds a NUL");
    }
    std::filesystem::path path(text);
    if (path.is_absolute() || path.has_root_path()) {
        return "the file " + jsonText(value) + " is not relative to the bundle";
    }
    for (const auto& part : path) {
        if (part == "..") {
            return "the file " + jsonText(value) + " leaves the bundle";
        }
    }
    return path;
}

Parsed<ImageEntry> parseImage(const nlohmann::json& entry) {
    if (!entry.is_string() && !entry.is_object()) {
        return std::string("neither a file name nor an object with a file and a scale");
    }
    if (entry.is_object() && !entry.contains("file")) {
        return std::string("the file is missing");
    }
    auto file = bundleRelativePath(entry.is_string() ? entry : entry["file"]);
    if (auto* reason = std::get_if<std::string>(&file)) {
        return std::move(*reason);
    }
    double scale = 1;
    if (entry.is_object() && entry.contains("scale")) {
        const auto& given = entry["scale"];
        const double value = given.is_number() ? given.get<double>() : 0;
        if (given.is_number() && !std::isfinite(value)) {
            return std::string("the scale is ") + kOutOfRange;
        }
        if (!given.is_number() || value <= 0) {
            return "the scale " + jsonText(given) + " is not a positive number";
        }
        scale = value;
    }
    return ImageEntry{std::get<std::filesystem::path>(std::move(file)), scale};
}

// What a catalogue's text holds that nlohmann-json's parser is not left to find, found in one
// walk over the raw text (brackets and numbers inside strings do not count).
struct TextSurvey {
    // Arrays and objects nest deeper than kMaximumDepth. Counted before the text is parsed, so
    // that the parser needs no callback: nlohmann-json's callback parser takes time growing with
    // the square of the entries.
    bool nestsTooDeep = false;
    // The numbers out of a double's range, by their place among the text's numbers (0 for the
    // first), each as the infinity of its sign. The parser gives up the whole text at such a
    // number, so the walk overwrites each with "0" and spaces: the parser reads on, and every
    // other byte keeps its place.
    std::map<std::size_t, double> numbersOutOfRange;
};

bool isNumberByte(std::uint8_t byte) {
    return (byte >= '0' && byte <= '9') || byte == '-' || byte == '+' || byte == '.' ||
           byte == 'e' || byte == 'E';
}

// The value of a number's text as the parser reads it: with the locale's decimal point.
double numberValue(std::string text) {
    if (const auto point = text.find('.'); point != std::string::npos) {
        text[point] = *std::localeconv()->decimal_point;
    }
    return std::strtod(text.c_str(), nullptr);
}

TextSurvey surveyText(Data& text) {
    TextSurvey survey;
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    std::size_t numbers = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const std::uint8_t byte = text[at];
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (byte == '\\') {
                escaped = true;
            } else if (byte == '"') {
                inString = false;
            }
        } else if (byte == '"') {
            inString = true;
        } else if (byte == '[' || byte == '{') {
            if (++depth > kMaximumDepth) {
                survey.nestsTooDeep = true;
                return survey;
            }
        } else if (byte == ']' || byte == '}') {
            --depth;
        } else if (byte == '-' || (byte >= '0' && byte <= '9')) {
            const auto first = text.begin() + static_cast<std::ptrdiff_t>(at);
            const auto last = std::find_if_not(first, text.end(), isNumberByte);
            // Only an exponent or more than 308 digits take a number past a double's largest.
            const auto isExponent = [](std::uint8_t b) { return b == 'e' || b == 'E'; };
            if (std::any_of(first, last, isExponent) || last - first > 308) {
                const double value = numberValue(std::string(first, last));
                if (!std::isfinite(value)) {
                    survey.numbersOutOfRange.emplace(numbers, value);
                    *first = '0';
                    std::fill(first + 1, last, ' ');
                }
            }
            ++numbers;
            at += static_cast<std::size_t>(last - first) - 1;
        }
    }
    return survey;
}

// Builds the document as nlohmann-json's parser does, but puts back each number the survey took
// out of the text, as its infinity: the entry holding it is then refused like any other bad
// value, and the others are kept.
class DocumentBuilder : public nlohmann::detail::json_sax_dom_parser<nlohmann::json> {
    using Base = nlohmann::detail::json_sax_dom_parser<nlohmann::json>;

public:
    DocumentBuilder(nlohmann::json& root, const std::map<std::size_t, double>& numbersOutOfRange)
        : Base(root), numbersOutOfRange_(numbersOutOfRange) {}

    bool number_integer(number_integer_t value) {
        if (const auto outOfRange = next()) return Base::number_float(*outOfRange, {});
        return Base::number_integer(value);
    }
    bool number_unsigned(number_unsigned_t value) {
        if (const auto outOfRange = next()) return Base::number_float(*outOfRange, {});
        return Base::number_unsigned(value);
    }
    bool number_float(number_float_t value, const string_t& text) {
        if (const auto outOfRange = next()) return Base::number_float(*outOfRange, {});
        return Base::number_float(value, text);
    }

private:
    // The value the survey took out in place of the number now read, if it took one out.
    std::optional<double> next() {
        const auto found = numbersOutOfRange_.find(numbers_++);
        if (found == numbersOutOfRange_.end()) return std::nullopt;
        return found->second;
    }

    const std::map<std::size_t, double>& numbersOutOfRange_;
    std::size_t numbers_ = 0;
};

// Every refused entry is logged with its name and the file; a file that cannot be used at all
// is logged once and gives an empty catalogue. A missing file is no error: every piece of a
// bundle is optional.
std::shared_ptr<Catalogue> readCatalogue(const std::filesystem::path& bundlePath) {
    auto catalogue = std::make_shared<Catalogue>();
    const std::filesystem::path filePath = bundlePath / AssetCatalog::fileName;
    const std::string file = filePath.string();
    catalogue->file = file;
    auto contents = FileContents::read(filePath, AssetCatalog::maximumFileSize);
    if (contents.failure == FileContents::Failure::tooLarge) {
        assetsLog().error("%s is refused: %s; the catalogue is empty", file, contents.reason);
        return catalogue;
    }
    if (!contents.bytes) {
        if (contents.failure != FileContents::Failure::missing) {
            assetsLog().error("%s is not a readable file: the catalogue is empty", file);
        }
        return catalogue;
    }
    Data& data = *contents.bytes;
    const TextSurvey survey = surveyText(data);
    if (survey.nestsTooDeep) {
        assetsLog().error("%s nests deeper than %d levels: the catalogue is empty", file,
                          kMaximumDepth);
        return catalogue;
    }
    try {
        nlohmann::json root;
        try {
            DocumentBuilder builder(root, survey.numbersOutOfRange);
            nlohmann::json::sax_parse(data.begin(), data.end(), &builder);
        } catch (const nlohmann::json::parse_error& error) {
            assetsLog().error("%s is not valid JSON (%s): the catalogue is empty", file,
                              shortened(error.what(), 2 * kQuotedLength));
            return catalogue;
        }
        if (!root.is_object()) {
            assetsLog().error("%s does not hold a JSON object: the catalogue is empty", file);
            return catalogue;
        }
        auto section = [&](const char* name) -> const nlohmann::json* {
            const auto found = root.find(name);
            if (found == root.end()) {
                return nullptr;
            }
            if (!found->is_object()) {
                assetsLog().error("%s: \"%s\" is not an object: it is skipped", file, name);
                return nullptr;
            }
            return &*found;
        };
        if (const auto* colors = section("colors")) {
            for (const auto& [name, entry] : colors->items()) {
                auto color = parseColor(entry);
                if (!AssetCatalog::isValidName(name)) {
                    assetsLog().error("%s: colour %s is skipped: the name is not valid", file,
                                      jsonText(std::string_view(name)));
                } else if (auto* reason = std::get_if<std::string>(&color)) {
                    assetsLog().error("%s: colour %s is skipped: %s", file,
                                      jsonText(std::string_view(name)), *reason);
                } else {
                    catalogue->colors.emplace(name, std::get<Color>(color));
                }
            }
        }
        if (const auto* images = section("images")) {
            for (const auto& [name, entry] : images->items()) {
                auto image = parseImage(entry);
                if (!AssetCatalog::isValidName(name)) {
                    assetsLog().error("%s: image %s is skipped: the name is not valid", file,
                                      jsonText(std::string_view(name)));
                } else if (auto* reason = std::get_if<std::string>(&image)) {
                    assetsLog().error("%s: image %s is skipped: %s", file,
                                      jsonText(std::string_view(name)), *reason);
                } else {
                    auto& accepted = std::get<ImageEntry>(image);
                    if (accepted.scale < kLowestScale || accepted.scale > kHighestScale) {
                        assetsLog().info(
                            "%s: image %s has scale %g, outside %g to %g; it is left at its "
                            "default",
                            file, jsonText(std::string_view(name)), accepted.scale, kLowestScale,
                            kHighestScale);
                        accepted.scale = 1;
                    }
                    accepted.file = bundlePath / accepted.file;
                    catalogue->images.emplace(name, std::move(accepted));
                }
            }
        }
    } catch (const std::exception& error) {
        assetsLog().error("%s could not be read (%s): the catalogue is empty", file,
                          shortened(error.what(), 2 * kQuotedLength));
        catalogue = std::make_shared<Catalogue>();
        catalogue->file = file;
    }
    return catalogue;
}

std::shared_ptr<Catalogue> catalogueAt(const std::filesystem::path& path) {
    Cache& shared = cache();
    {
        std::lock_guard lock(shared.mutex);
        if (auto found = shared.catalogues.find(path); found != shared.catalogues.end()) {
            return found->second;
        }
    }
    // Read without holding the lock; if another thread got there first, its copy is kept.
    auto catalogue = readCatalogue(path);
    std::lock_guard lock(shared.mutex);
    return shared.catalogues.emplace(path, std::move(catalogue)).first->second;
}

std::optional<Color> colorAt(std::string_view name, const std::filesystem::path& bundlePath) {
    if (!AssetCatalog::isValidName(name)) {
        return std::nullopt;
    }
    const auto catalogue = catalogueAt(bundlePath);
    // Colours never change once read, so no lock is needed to look at them.
    const auto found = catalogue->colors.find(name);
    if (found == catalogue->colors.end()) {
        return std::nullopt;
    }
    return found->second;
}

// The file a path names, links followed, so that two names of one file are seen as one.
std::filesystem::path resolved(const std::filesystem::path& path) {
    std::error_code error;
    auto canonical = std::filesystem::weakly_canonical(path, error);
    return error ? path.lexically_normal() : canonical;
}

// The picture in an image file, as a catalogue keeps it: decoded within
// AssetCatalog::maximumImagePixels, then scaled down by area averaging to at most
// AssetCatalog::maximumImageSide pixels on its longer side, with its scale lowered to match.
// None, with why, when the file gives no picture.
std::shared_ptr<Image> iconPicture(const std::filesystem::path& file, ImageFailure& failure) {
    auto picture = Image::contentsOfFile(file, &failure, AssetCatalog::maximumImagePixels);
    if (!picture) return nullptr;
    const Bitmap& full = *picture->bitmap();
    const int longer = std::max(full.width(), full.height());
    if (longer <= AssetCatalog::maximumImageSide) return picture;
    const double factor = static_cast<double>(AssetCatalog::maximumImageSide) / longer;
    const auto scaled = [&](int side) {
        return std::clamp(static_cast<int>(std::lround(side * factor)), 1,
                          AssetCatalog::maximumImageSide);
    };
    auto shrunk = Bitmap::makeForOverwrite(scaled(full.width()), scaled(full.height()));
    if (!shrunk) {
        failure = {ImageFailure::Kind::tooLarge, "There is no memory to scale the image down."};
        return nullptr;
    }
    // Both wrap the bitmaps' own pixels (premultiplied, which is what averaging needs).
    const cv::Mat source(full.height(), full.width(), CV_8UC4,
                         const_cast<std::uint8_t*>(full.data()), full.bytesPerRow());
    cv::Mat target(shrunk->height(), shrunk->width(), CV_8UC4, shrunk->mutableData(),
                   shrunk->bytesPerRow());
    cv::resize(source, target, target.size(), 0, 0, cv::INTER_AREA);
    const double scale = picture->scale() * std::max(shrunk->width(), shrunk->height()) / longer;
    return Image::make(std::move(shrunk), scale, picture->orientation());
}

struct SharedPicture {
    std::shared_ptr<Image> image;
    // Whether this call decoded the file (and `failure` tells why there is no image, if none).
    bool decodedHere = false;
    ImageFailure failure;
};

// The picture of a (resolved) file, kept in `files` once decoded by iconPicture, so that it is
// decoded once. A file that gives none is kept as none too, except one that cannot be read
// (missing, say) when `keepUnreadable` is false.
SharedPicture sharedPicture(PictureFiles& files, const std::filesystem::path& file,
                            bool keepUnreadable) {
    Cache& shared = cache();
    {
        std::lock_guard lock(shared.mutex);
        if (auto found = files.find(file); found != files.end()) return {found->second, false, {}};
    }
    // Decoded without holding the lock; if another thread got there first, its copy is kept
    // and only that thread tells of a failure.
    SharedPicture result;
    auto decoded = iconPicture(file, result.failure);
    if (!decoded && !keepUnreadable && result.failure.kind == ImageFailure::Kind::unreadable) {
        result.decodedHere = true;
        return result;
    }
    std::lock_guard lock(shared.mutex);
    const auto [kept, inserted] = files.emplace(file, std::move(decoded));
    result.image = kept->second;
    result.decodedHere = inserted;
    return result;
}

std::shared_ptr<Image> imageAt(std::string_view name, const std::filesystem::path& bundlePath) {
    if (!AssetCatalog::isValidName(name)) {
        return nullptr;
    }
    const auto catalogue = catalogueAt(bundlePath);
    const auto entry = catalogue->images.find(name);
    if (entry == catalogue->images.end()) {
        return nullptr;
    }
    Cache& shared = cache();
    {
        std::lock_guard lock(shared.mutex);
        if (auto found = catalogue->decoded.find(name); found != catalogue->decoded.end()) {
            return found->second;
        }
    }
    const auto picture =
        sharedPicture(catalogue->files, resolved(entry->second.file), /*keepUnreadable=*/true);
    if (!picture.image) {
        if (picture.decodedHere) {
            assetsLog().error("%s: image %s is skipped: %s: %s", catalogue->file, jsonText(name),
                              entry->second.file.string(), picture.failure.reason);
        }
        return nullptr;
    }
    auto image = Image::make(picture.image->bitmap(), entry->second.scale * picture.image->scale(),
                             picture.image->orientation());
    std::lock_guard lock(shared.mutex);
    return catalogue->decoded.emplace(std::string(name), std::move(image)).first->second;
}

std::shared_ptr<Bundle> orMain(const std::shared_ptr<Bundle>& bundle) {
    return bundle ? bundle : Bundle::main();
}

}  // namespace

bool AssetCatalog::isValidName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

std::optional<Color> AssetCatalog::color(std::string_view name,
                                         const std::shared_ptr<Bundle>& bundle) {
    const auto chosen = orMain(bundle);
    return chosen ? colorAt(name, chosen->bundlePath()) : std::nullopt;
}

std::optional<Color> AssetCatalog::color(std::string_view name, const Bundle& bundle) {
    return colorAt(name, bundle.bundlePath());
}

std::shared_ptr<Image> AssetCatalog::image(std::string_view name,
                                           const std::shared_ptr<Bundle>& bundle) {
    const auto chosen = orMain(bundle);
    return chosen ? imageAt(name, chosen->bundlePath()) : nullptr;
}

std::shared_ptr<Image> AssetCatalog::image(std::string_view name, const Bundle& bundle) {
    return imageAt(name, bundle.bundlePath());
}

std::shared_ptr<Image> AssetCatalog::imageFile(const std::filesystem::path& file,
                                               ImageFailure* failure) {
    auto picture = sharedPicture(cache().looseFiles, resolved(file), /*keepUnreadable=*/false);
    if (failure && picture.decodedHere) *failure = std::move(picture.failure);
    return picture.image;
}

void AssetCatalog::resetCache() {
    Cache& shared = cache();
    std::lock_guard lock(shared.mutex);
    shared.catalogues.clear();
    shared.looseFiles.clear();
}

}  // namespace quorvel::platform
