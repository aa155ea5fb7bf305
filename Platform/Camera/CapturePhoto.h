#pragma once

#include <optional>

#include "Platform/Foundation/Data.h"

namespace quorvel::platform {

// A photo delivered by the camera: its encoded file (JPEG, with the EXIF orientation the camera
// wrote), when it has one.
class CapturePhoto {
public:
    explicit CapturePhoto(std::optional<Data> fileData) : fileData_(std::move(fileData)) {}
    virtual ~CapturePhoto() = default;

    const std::optional<Data>& fileDataRepresentation() const { return fileData_; }

private:
    std::optional<Data> fileData_;
};

}  // namespace quorvel::platform
