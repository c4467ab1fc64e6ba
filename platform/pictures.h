#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

#include "report/picture.h"

namespace platform {

class PictureError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Decodes a picture file by its extension, compared without regard to case:
// bmp, ico, jpg, jpeg and gif through Qt's readers, wmf through libwmf, emf
// through libemf2svg; a name without extension is tried with every reader.
// Metafiles are rendered at their own size at 96 pixels per inch. Throws
// PictureError for any other extension and for content that does not decode.
report::Picture LoadPicture(const std::filesystem::path& path);
// The same for a file's bytes and name.
report::Picture DecodePicture(const std::string& bytes, const std::string& name);

}  // namespace platform
