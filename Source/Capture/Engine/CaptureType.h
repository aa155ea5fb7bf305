#pragma once

namespace quorvel {

// How a page was, or is to be, taken: by the capture button (also pictures from the photo
// library) or by the automatic trigger after a steady outline.
enum class CaptureType { manual, automatic };

// What the camera screen is collecting: a document of up to three pages, the upper and lower
// sections of a long receipt, or a picture from the photo library.
enum class CaptureDocumentType { normal, longFirst, longSecond, album };

}  // namespace quorvel
