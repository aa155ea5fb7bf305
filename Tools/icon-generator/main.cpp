// icon-generator BUNDLE
// icon-generator --sheet FILE.png [ZOOM]
//
// Draws the screens' icons and writes them into the resource bundle BUNDLE (the
// QuorvelCaptureResources.bundle folder):
//
//   QuorvelAssets.xcassets/<name>.imageset/<name>.png, <name>@2x.png, <name>@3x.png
//   QuorvelAssets.xcassets/<name>.imageset/Contents.json
//
// and points the "images" entries of the bundle's Assets.json at the @3x files with scale 3 (the
// window's default screen scale), keeping its colours as they are. An image is found by name
// through Assets.json; the 1x and 2x files are there for hosts that copy the catalogue.
//
// The icons are simple line drawings: white, 2-point round strokes on a transparent 30 × 30-point
// canvas with a 3-point margin, so that they read on the dark camera and preview screens and
// share one visual weight. The shutter button is the one exception: a 72-point ring and disc.
// Run it again after changing a drawing and commit the files it writes. With --sheet it writes
// nothing into a bundle but one PNG that shows every icon at 1x, 2x and 3x on the screens' black
// and on a mid grey, to look at them side by side (with ZOOM, a grid at that scale).

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr double kPi = 3.14159265358979323846;
constexpr double kStroke = 2.0;

struct Icon {
    const char* name;
    double size;  // points, square
    std::function<void(cairo_t*)> draw;
};

void white(cairo_t* cr) {
    cairo_set_source_rgba(cr, 1, 1, 1, 1);
}

void line(cairo_t* cr, double x1, double y1, double x2, double y2) {
    cairo_move_to(cr, x1, y1);
    cairo_line_to(cr, x2, y2);
}

void polyline(cairo_t* cr, std::initializer_list<std::pair<double, double>> points) {
    bool first = true;
    for (const auto& [x, y] : points) {
        if (first) {
            cairo_move_to(cr, x, y);
            first = false;
        } else {
            cairo_line_to(cr, x, y);
        }
    }
}

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
    cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
    cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
    cairo_close_path(cr);
}

void stroke(cairo_t* cr, double width = kStroke) {
    white(cr);
    cairo_set_line_width(cr, width);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
}

// The viewfinder corners shared by the two auto-capture icons.
void viewfinder(cairo_t* cr) {
    constexpr double a = 4, b = 26, arm = 5;
    polyline(cr, {{a, a + arm}, {a, a}, {a + arm, a}});
    polyline(cr, {{b - arm, a}, {b, a}, {b, a + arm}});
    polyline(cr, {{b, b - arm}, {b, b}, {b - arm, b}});
    polyline(cr, {{a + arm, b}, {a, b}, {a, b - arm}});
    stroke(cr);
    // A capital A in the middle.
    polyline(cr, {{10.5, 20.5}, {15, 9.5}, {19.5, 20.5}});
    line(cr, 12.3, 16.3, 17.7, 16.3);
    stroke(cr);
}

// A slash from (from, from) to (to, to), with a transparent gap along it so that it stands out
// from the drawing it crosses.
void slash(cairo_t* cr, double from = 5, double to = 25) {
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    line(cr, from, from, to, to);
    cairo_set_line_width(cr, kStroke * 3);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr);
    cairo_restore(cr);
    line(cr, from, from, to, to);
    stroke(cr);
}

void bolt(cairo_t* cr) {
    polyline(cr, {{17, 3.5}, {8.5, 17}, {14.5, 17}, {13, 26.5}, {21.5, 13}, {15.5, 13}});
    cairo_close_path(cr);
    stroke(cr);
}

void chevron(cairo_t* cr, bool pointsLeft) {
    if (pointsLeft) {
        polyline(cr, {{18.5, 7}, {10.5, 15}, {18.5, 23}});
    } else {
        polyline(cr, {{11.5, 7}, {19.5, 15}, {11.5, 23}});
    }
    stroke(cr, 2.5);
}

// A page with a folded top-right corner; `fold` is the fold's size.
void page(cairo_t* cr, double x, double y, double w, double h, double fold) {
    polyline(cr, {{x + w - fold, y}, {x, y}, {x, y + h}, {x + w, y + h}, {x + w, y + fold}});
    cairo_close_path(cr);
    stroke(cr);
    polyline(cr, {{x + w - fold, y}, {x + w - fold, y + fold}, {x + w, y + fold}});
    stroke(cr);
}

std::vector<Icon> icons() {
    return {
        {"capture-auto-on", 30, [](cairo_t* cr) { viewfinder(cr); }},
        {"capture-auto-off", 30,
         [](cairo_t* cr) {
             viewfinder(cr);
             slash(cr, 8.5, 21.5);
         }},
        {"capture-back", 30,
         [](cairo_t* cr) {
             line(cr, 24, 15, 6.5, 15);
             polyline(cr, {{13, 8.5}, {6.5, 15}, {13, 21.5}});
             stroke(cr, 2.5);
         }},
        {"capture-close", 30,
         [](cairo_t* cr) {
             line(cr, 8, 8, 22, 22);
             line(cr, 22, 8, 8, 22);
             stroke(cr, 2.5);
         }},
        {"capture-flash-on", 30, [](cairo_t* cr) { bolt(cr); }},
        {"capture-flash-off", 30,
         [](cairo_t* cr) {
             bolt(cr);
             slash(cr);
         }},
        {"capture-gallery", 30,
         [](cairo_t* cr) {
             roundedRect(cr, 4, 6, 22, 18, 2.5);
             stroke(cr);
             // Hills and the sun.
             polyline(cr, {{4.5, 21}, {11, 14}, {16, 19}, {19, 16}, {25.5, 22}});
             stroke(cr);
             cairo_new_sub_path(cr);
             cairo_arc(cr, 19.5, 11, 2, 0, 2 * kPi);
             stroke(cr);
         }},
        {"capture-button", 72,
         [](cairo_t* cr) {
             cairo_new_sub_path(cr);
             cairo_arc(cr, 36, 36, 33, 0, 2 * kPi);
             stroke(cr, 4);
             cairo_new_sub_path(cr);
             cairo_arc(cr, 36, 36, 27, 0, 2 * kPi);
             white(cr);
             cairo_fill(cr);
         }},
        {"capture-previous", 30, [](cairo_t* cr) { chevron(cr, true); }},
        {"capture-next", 30, [](cairo_t* cr) { chevron(cr, false); }},
        {"capture-add-page", 30,
         [](cairo_t* cr) {
             page(cr, 6, 3.5, 18, 23, 5.5);
             line(cr, 15, 11, 15, 21);
             line(cr, 10, 16, 20, 16);
             stroke(cr);
         }},
        {"capture-retake", 30,
         [](cairo_t* cr) {
             // Most of a circle, turning clockwise from the top, with its arrowhead at the end.
             constexpr double cx = 15, cy = 15.5, r = 9.5;
             constexpr double start = -kPi / 2 + 0.2, end = 3 * kPi / 2 - 0.75;
             cairo_new_sub_path(cr);
             cairo_arc(cr, cx, cy, r, start, end);
             stroke(cr);
             const double ex = cx + r * std::cos(end), ey = cy + r * std::sin(end);
             // Direction of travel at the end, and the outward normal.
             const double tx = -std::sin(end), ty = std::cos(end);
             const double nx = std::cos(end), ny = std::sin(end);
             constexpr double back = 4.5, side = 3.5;
             polyline(cr, {{ex - back * tx + side * nx, ey - back * ty + side * ny},
                           {ex, ey},
                           {ex - back * tx - side * nx, ey - back * ty - side * ny}});
             stroke(cr);
         }},
        {"capture-crop", 30,
         [](cairo_t* cr) {
             polyline(cr, {{9, 3.5}, {9, 21}, {26.5, 21}});
             polyline(cr, {{3.5, 9}, {21, 9}, {21, 26.5}});
             stroke(cr);
         }},
    };
}

bool writePng(const Icon& icon, int scale, const fs::path& file) {
    const int pixels = static_cast<int>(std::lround(icon.size * scale));
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pixels, pixels);
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, scale, scale);
    icon.draw(cr);
    cairo_destroy(cr);
    const bool written = cairo_surface_write_to_png(surface, file.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return written;
}

std::string fileName(const Icon& icon, int scale) {
    return std::string(icon.name) + (scale == 1 ? "" : "@" + std::to_string(scale) + "x") + ".png";
}

// Every icon at each scale, in rows: black background at 1x, 2x, 3x, then grey at 3x. With
// `zoom`, the icons at that scale in a grid of five columns on black.
int writeSheet(const fs::path& file, int zoom = 0) {
    const auto all = icons();
    const int count = static_cast<int>(all.size());
    const int cell = 72 * std::max(zoom, 3) + 12;
    const int columns = zoom > 0 ? 5 : count;
    const int rows = zoom > 0 ? (count + columns - 1) / columns : 4;
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, cell * columns, cell * rows);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    for (int slot = 0; slot < (zoom > 0 ? count : 4 * count); ++slot) {
        const int i = slot % count;
        const int row = zoom > 0 ? slot / columns : slot / count;
        const int column = zoom > 0 ? slot % columns : i;
        const int scale = zoom > 0 ? zoom : row == 3 ? 3 : row + 1;
        if (zoom == 0 && row == 3) {
            cairo_set_source_rgb(cr, 0.45, 0.45, 0.45);
            cairo_rectangle(cr, column * cell, row * cell, cell, cell);
            cairo_fill(cr);
        }
        // Drawn on its own first: the slashes clear a gap, which must not cut the background.
        const int pixels = static_cast<int>(std::lround(all[i].size * scale));
        cairo_surface_t* icon = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pixels, pixels);
        cairo_t* iconContext = cairo_create(icon);
        cairo_scale(iconContext, scale, scale);
        all[i].draw(iconContext);
        cairo_destroy(iconContext);
        cairo_set_source_surface(cr, icon, column * cell + 6, row * cell + 6);
        cairo_paint(cr);
        cairo_surface_destroy(icon);
    }
    cairo_destroy(cr);
    const bool written = cairo_surface_write_to_png(surface, file.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return written ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--sheet") return writeSheet(argv[2]);
    if (argc == 4 && std::string(argv[1]) == "--sheet")
        return writeSheet(argv[2], std::atoi(argv[3]));
    if (argc != 2) {
        std::cerr << "usage: icon-generator BUNDLE | icon-generator --sheet FILE.png\n";
        return 2;
    }
    const fs::path bundle = argv[1];
    const fs::path assetsFile = bundle / "Assets.json";
    nlohmann::ordered_json assets = nlohmann::ordered_json::object();
    if (std::ifstream in(assetsFile); in) {
        assets = nlohmann::ordered_json::parse(in, nullptr, false);
        if (assets.is_discarded() || !assets.is_object()) {
            std::cerr << assetsFile << " is not a JSON object\n";
            return 1;
        }
    }
    nlohmann::ordered_json images = nlohmann::ordered_json::object();

    for (const Icon& icon : icons()) {
        const fs::path folder =
            bundle / "QuorvelAssets.xcassets" / (std::string(icon.name) + ".imageset");
        fs::create_directories(folder);
        nlohmann::ordered_json contents;
        contents["images"] = nlohmann::ordered_json::array();
        for (int scale = 1; scale <= 3; ++scale) {
            const std::string name = fileName(icon, scale);
            if (!writePng(icon, scale, folder / name)) {
                std::cerr << "cannot write " << (folder / name) << "\n";
                return 1;
            }
            contents["images"].push_back({{"filename", name},
                                          {"idiom", "universal"},
                                          {"scale", std::to_string(scale) + "x"}});
        }
        contents["info"] = {{"author", "icon-generator"}, {"version", 1}};
        std::ofstream(folder / "Contents.json") << contents.dump(2) << "\n";
        images[icon.name] = {{"file", (fs::path("QuorvelAssets.xcassets") /
                                       (std::string(icon.name) + ".imageset") / fileName(icon, 3))
                                          .string()},
                             {"scale", 3}};
    }
    assets["images"] = images;
    std::ofstream(assetsFile) << assets.dump(2) << "\n";
    std::cout << "wrote " << icons().size() << " icons into " << bundle << "\n";
    return 0;
}
