#pragma once

#include <optional>

#include "Platform/Foundation/Data.h"
#include "Platform/Imaging/PixelBuffer.h"

namespace quorvel::platform {

// A photo delivered by the camera: its encoded file (JPEG, with the EXIF orientation the camera
// wrote), when it has one, and the camera's intrinsic matrix for the picture as stored (focal
// lengths and principal point in its pixels), when the camera knows its lens: only for a picture
// it formed itself, never for one it merely passes on.
class CapturePhoto {
public:
    explicit CapturePhoto(std::optional<Data> fileData,
                          std::optional<FloatMatrix3x3> intrinsicMatrix = std::nullopt)
        : fileData_(std::move(fileData)), intrinsicMatrix_(intrinsicMatrix) {}
    virtual ~CapturePhoto() = default;

    const std::optional<Data>& fileDataRepresentation() const { return fileData_; }
    const std::optional<FloatMatrix3x3>& intrinsicMatrix() const { return intrinsicMatrix_; }

private:
    std::optional<Data> fileData_;
    std::optional<FloatMatrix3x3> intrinsicMatrix_;
};

}  // namespace quorvel::platform
