#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "Platform/Graphics/Geometry.h"
#include "Platform/Graphics/Image.h"
#include "Source/Capture/Engine/CaptureType.h"
#include "Source/Capture/Engine/CapturedImageGroup.h"
#include "Source/Configuration/CaptureButtonThemes.h"
#include "Source/Configuration/CaptureConfiguration.h"
#include "Source/Configuration/CaptureTheme.h"

namespace quorvel {

// The state behind the preview screen: the shared page group, the theme with its button themes,
// the document type and the page to open on, and which of the screen's controls to hide.
class CapturePreviewViewModel {
public:
    // None of the pointers may be null.
    CapturePreviewViewModel(std::shared_ptr<CapturedImageGroup> imageGroup,
                            std::shared_ptr<CaptureConfiguration> configuration,
                            std::shared_ptr<CaptureTheme> theme,
                            CaptureDocumentType captureDocumentType,
                            std::optional<std::size_t> startingIndex);
    // Renders asked for with previewImageLater() that have not started yet never start; the
    // ones under way are waited for. No render outlives the screen, nor the process: the
    // imaging libraries' shared state goes away when the process exits. Main queue.
    ~CapturePreviewViewModel();
    CapturePreviewViewModel(const CapturePreviewViewModel&) = delete;
    CapturePreviewViewModel& operator=(const CapturePreviewViewModel&) = delete;

    std::shared_ptr<CapturedImageGroup> imageGroup;
    const std::shared_ptr<CaptureTheme> theme;
    std::shared_ptr<CaptureButtonThemes> buttonThemes;
    const CaptureDocumentType captureDocumentType;
    const std::optional<std::size_t> startingIndex;

    // Rebuilds the button themes from the theme (after a text-size change).
    void reloadButtonThemes();

    // Add page: not for either section of a long capture, not once three pages are held, not
    // when the switch is off. A photo-library pick keeps it.
    bool hideAddPageButton() const;
    // Crop: not for a long capture's first section, not when the switch is off.
    bool hideCropButton() const;
    // The page indicator and page buttons: only for more than one page.
    bool hidePaginationBar() const;

    // The pictures the screen shows: every page's image (its crop if any) through the document
    // filter chain (greyscale, then sharpen), made from a copy scaled down to fit
    // `maxPixelSize` (never up). A page whose picture could not be made is none. The pages are
    // rendered side by side on the user-initiated global queue; the call returns when all are
    // done. Main queue.
    std::vector<std::shared_ptr<platform::Image>> previewImages(platform::Size maxPixelSize) const;
    // The same for one page.
    std::shared_ptr<platform::Image> previewImage(std::size_t at,
                                                  platform::Size maxPixelSize) const;
    // The same made on the user-initiated global queue; `completion` gets it on the main queue
    // (none when it could not be made). A render that has not started when the view model goes
    // away is never made, and its completion never called.
    void previewImageLater(std::size_t at, platform::Size maxPixelSize,
                           std::function<void(std::shared_ptr<platform::Image>)> completion) const;

    // How one picture is rendered for display (any thread): the filter chain on the picture
    // scaled down to fit the size; none when the chain fails.
    using Renderer = std::function<std::shared_ptr<platform::Image>(const platform::Image& image,
                                                                    platform::Size maxPixelSize)>;
    static std::shared_ptr<platform::Image> renderFiltered(const platform::Image& image,
                                                           platform::Size maxPixelSize);
    // Replaces the renderer (tests); an empty one puts back renderFiltered.
    void setRenderer(Renderer renderer) { renderer_ = std::move(renderer); }

private:
    std::shared_ptr<platform::Image> render(const platform::Image& image,
                                            platform::Size maxPixelSize) const;

    // The renders of previewImageLater(), shared with the blocks that make them.
    struct LaterRenders;

    std::shared_ptr<CaptureConfiguration> config_;
    Renderer renderer_;
    std::shared_ptr<LaterRenders> laterRenders_;
};

}  // namespace quorvel
