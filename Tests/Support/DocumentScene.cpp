#include "Support/DocumentScene.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <vector>

namespace testing_vision {

DocumentScene renderScene(const SceneOptions& options) {
    cv::RNG rng(options.seed);
    const cv::Size size = options.size;

    // Surface: a base colour with a directional grain and some blotches.
    cv::Mat grain(size, CV_32F);
    rng.fill(grain, cv::RNG::NORMAL, 0, 1);
    cv::GaussianBlur(grain, grain, cv::Size(0, 0), 9, 1.5);
    cv::normalize(grain, grain, -1, 1, cv::NORM_MINMAX);
    cv::Mat blotches(size / 16, CV_32F);
    rng.fill(blotches, cv::RNG::NORMAL, 0, 1);
    cv::resize(blotches, blotches, size, 0, 0, cv::INTER_CUBIC);
    cv::Mat surface(size, CV_32FC3);
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            const float g = grain.at<float>(y, x) * static_cast<float>(options.texture) +
                            blotches.at<float>(y, x) * static_cast<float>(options.texture) * 0.3f;
            const bool striped = options.stripeWidth > 0 && (x / options.stripeWidth) % 2 == 1;
            const cv::Scalar& base = striped ? options.stripe : options.surface;
            surface.at<cv::Vec3f>(y, x) =
                cv::Vec3f(static_cast<float>(base[0]) + g, static_cast<float>(base[1]) + g,
                          static_cast<float>(base[2]) + g);
        }
    }

    DocumentScene scene;
    scene.corners = options.corners;
    if (options.withPage) {
        const cv::Size sheet(850, 1100);
        cv::Mat page(sheet, CV_32FC3, options.paper);
        if (options.printed) {
            for (int line = 0; line < 30; ++line) {
                const int y = 120 + line * 30;
                const int length = 300 + static_cast<int>(rng.uniform(0, 350));
                cv::rectangle(page, cv::Rect(90, y, length, 9), cv::Scalar(60, 60, 60), cv::FILLED);
            }
        }
        if (options.frameShare > 0) {
            const int inset = static_cast<int>(options.frameShare * sheet.width);
            const cv::Scalar ink(40, 40, 40);
            cv::rectangle(page,
                          cv::Rect(inset, inset, sheet.width - 2 * inset, sheet.height - 2 * inset),
                          ink, 6);
            for (int row = 0; row <= 12; ++row) {
                const int y = 300 + row * 50;
                cv::line(page, cv::Point(inset, y), cv::Point(sheet.width - inset, y), ink, 2);
            }
            for (const int x : {200, 450, 650}) {
                cv::line(page, cv::Point(x, 300), cv::Point(x, 900), ink, 2);
            }
        }
        if (options.bandShare > 0) {
            const int height = static_cast<int>(options.bandShare * sheet.height);
            cv::rectangle(page, cv::Rect(0, 0, sheet.width, height), options.band, cv::FILLED);
        }
        const std::array<cv::Point2f, 4> from{cv::Point2f(-0.5f, -0.5f),
                                              cv::Point2f(sheet.width - 0.5f, -0.5f),
                                              cv::Point2f(sheet.width - 0.5f, sheet.height - 0.5f),
                                              cv::Point2f(-0.5f, sheet.height - 0.5f)};
        std::array<cv::Point2f, 4> to;
        for (size_t i = 0; i < 4; ++i) {
            to[i] = cv::Point2f(static_cast<float>(options.corners[i].x),
                                static_cast<float>(options.corners[i].y));
        }
        const cv::Mat h = cv::getPerspectiveTransform(from.data(), to.data());
        cv::Mat warped;
        cv::Mat mask;
        cv::warpPerspective(page, warped, h, size, cv::INTER_AREA, cv::BORDER_CONSTANT);
        cv::warpPerspective(cv::Mat(sheet, CV_32F, cv::Scalar(1)), mask, h, size, cv::INTER_AREA,
                            cv::BORDER_CONSTANT);
        for (int y = 0; y < size.height; ++y) {
            for (int x = 0; x < size.width; ++x) {
                const float m = std::clamp(mask.at<float>(y, x), 0.0f, 1.0f);
                cv::Vec3f& s = surface.at<cv::Vec3f>(y, x);
                // The warped page is already weighted by how much of each pixel it covers.
                s = s * (1 - m) + warped.at<cv::Vec3f>(y, x);
            }
        }
    }

    cv::GaussianBlur(surface, surface, cv::Size(0, 0), 0.8);
    cv::Mat noise(size, CV_32FC3);
    rng.fill(noise, cv::RNG::NORMAL, 0, options.noise);
    surface += noise;
    surface.convertTo(scene.image, CV_8UC3);
    return scene;
}

double worstCornerError(const std::array<cv::Point2d, 4>& found,
                        const std::array<cv::Point2d, 4>& truth) {
    double worst = 0;
    for (size_t i = 0; i < 4; ++i) {
        worst = std::max(worst, std::hypot(found[i].x - truth[i].x, found[i].y - truth[i].y));
    }
    return worst;
}

double quadIoU(const std::array<cv::Point2d, 4>& a, const std::array<cv::Point2d, 4>& b) {
    std::vector<cv::Point2f> pa, pb, hullA, hullB, shared;
    for (size_t i = 0; i < 4; ++i) {
        pa.emplace_back(static_cast<float>(a[i].x), static_cast<float>(a[i].y));
        pb.emplace_back(static_cast<float>(b[i].x), static_cast<float>(b[i].y));
    }
    cv::convexHull(pa, hullA);
    cv::convexHull(pb, hullB);
    const double inter = cv::intersectConvexConvex(hullA, hullB, shared, true);
    const double uni = cv::contourArea(hullA) + cv::contourArea(hullB) - inter;
    return uni > 0 ? inter / uni : 0;
}

std::array<cv::Point2d, 4> pinholeCorners(double width, double height, double tilt,
                                          double direction, double turn, cv::Size picture,
                                          double focalLength) {
    const double degree = std::acos(-1.0) / 180;
    // A turn by `angle` degrees about the unit vector `k` (Rodrigues' formula).
    auto rotation = [degree](cv::Vec3d k, double angle) {
        const double c = std::cos(angle * degree);
        const double s = std::sin(angle * degree);
        const cv::Matx33d cross(0, -k[2], k[1], k[2], 0, -k[0], -k[1], k[0], 0);
        return c * cv::Matx33d::eye() + s * cross +
               (1 - c) * (cv::Matx31d(k) * cv::Matx13d(k[0], k[1], k[2]));
    };
    const cv::Matx33d tipped =
        rotation(cv::Vec3d(std::cos(direction * degree), std::sin(direction * degree), 0), tilt);
    const cv::Matx33d turned = rotation(cv::Vec3d(0, 0, 1), turn);
    const double distance = 2.2 * height;
    std::array<cv::Point2d, 4> corners;
    const double signs[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (int i = 0; i < 4; ++i) {
        const cv::Vec3d p =
            turned * tipped * cv::Vec3d(signs[i][0] * width / 2, signs[i][1] * height / 2, 0) +
            cv::Vec3d(0, 0, distance);
        corners[i] = {picture.width / 2.0 + focalLength * p[0] / p[2],
                      picture.height / 2.0 + focalLength * p[1] / p[2]};
    }
    return corners;
}

}  // namespace testing_vision
