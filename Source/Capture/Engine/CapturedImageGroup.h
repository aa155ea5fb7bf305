#pragma once

#include <memory>
#include <vector>

#include "Source/Capture/Engine/CapturedImage.h"

namespace quorvel {

// The ordered pages of one capture, shared by reference between the camera, preview and crop
// screens. The limit of three pages is advisory: append refuses nothing, and the preview screen
// stops offering "add page" once maxPagesAdded() is true. An index outside the group is a
// programming error and stops the program. Main queue only.
class CapturedImageGroup {
public:
    static constexpr std::size_t maxNumberOfPages = 3;

    std::size_t count() const { return images_.size(); }
    bool isEmpty() const { return images_.empty(); }
    // The last page's image (its crop if any), none for an empty group.
    std::shared_ptr<platform::Image> last() const;
    const std::shared_ptr<CapturedImage>& operator[](std::size_t index) const;

    void append(std::shared_ptr<CapturedImage> image);
    void removeAll() { images_.clear(); }

    // The page's crop if any, else its original; `filtered` passes it through the greyscale and
    // sharpen filters (none when they fail).
    std::shared_ptr<platform::Image> image(std::size_t at, bool filtered) const;
    // Every page's crop or original, unfiltered, in page order.
    std::vector<std::shared_ptr<platform::Image>> allImages() const;

    void setCroppedImage(std::shared_ptr<platform::Image> image, std::size_t at,
                         std::vector<platform::Point> corners);
    void setCropCorners(std::vector<platform::Point> corners, std::size_t at);
    void replaceOriginalImage(std::shared_ptr<platform::Image> with, std::size_t at);
    bool maxPagesAdded() const { return count() >= maxNumberOfPages; }

private:
    const std::shared_ptr<CapturedImage>& page(std::size_t index) const;

    std::vector<std::shared_ptr<CapturedImage>> images_;
};

}  // namespace quorvel
