#include "CropTestSupport.h"

#include <opencv2/imgproc.hpp>

#include "Platform/Graphics/Bitmap.h"
#include "Source/Imaging/ImageOperations.h"

namespace croptest {

using namespace quorvel;
using namespace quorvel::platform;

std::shared_ptr<CaptureTheme> defaultTheme() {
    return std::make_shared<CaptureTheme>(std::shared_ptr<Bundle>());
}

std::shared_ptr<Image> plainImage(int width, int height, double scale) {
    auto bitmap = Bitmap::make(width, height);
    std::fill(bitmap->mutableData(), bitmap->mutableData() + bitmap->byteCount(), 0xC0);
    return Image::make(bitmap, scale);
}

std::shared_ptr<Image> imageFromBGR(const cv::Mat& bgr) {
    cv::Mat bgra;
    cv::cvtColor(bgr, bgra, cv::COLOR_BGR2BGRA);
    auto bitmap = Bitmap::make(bgra.cols, bgra.rows);
    bgra.copyTo(cv::Mat(bgra.rows, bgra.cols, CV_8UC4, bitmap->mutableData()));
    return Image::make(bitmap);
}

cv::Mat toBGR(const Image& image) {
    auto bitmap = ImageOperations::convertToCGImage(image);
    cv::Mat bgra(bitmap->height(), bitmap->width(), CV_8UC4,
                 const_cast<std::uint8_t*>(bitmap->data()));
    cv::Mat bgr;
    cv::cvtColor(bgra, bgr, cv::COLOR_BGRA2BGR);
    return bgr;
}

std::vector<std::shared_ptr<CornerPoint>> makeHandles(const std::shared_ptr<View>& area) {
    std::vector<std::shared_ptr<CornerPoint>> handles;
    for (int tag = 1; tag <= 4; ++tag) {
        auto handle = CornerPoint::make();
        handle->setTag(tag);
        area->addSubview(handle);
        handle->leading =
            LayoutConstraint::make(handle, LayoutAttribute::leading, LayoutRelation::equal, area,
                                   LayoutAttribute::leading);
        handle->top = LayoutConstraint::make(handle, LayoutAttribute::top, LayoutRelation::equal,
                                             area, LayoutAttribute::top);
        handle->width = LayoutConstraint::make(handle, LayoutAttribute::width, 30);
        LayoutConstraint::activate({handle->leading, handle->top, handle->width});
        handles.push_back(handle);
    }
    area->setLayoutHandler([handles](View&) {
        for (const auto& handle : handles) {
            const double d = handle->width->constant();
            handle->setFrame(
                Rect::make(handle->leading->constant(), handle->top->constant(), d, d));
        }
    });
    return handles;
}

std::vector<Point> centers(const std::vector<std::shared_ptr<CornerPoint>>& handles) {
    std::vector<Point> result;
    for (const auto& handle : handles) {
        result.push_back(handle->center());
    }
    return result;
}

}  // namespace croptest
