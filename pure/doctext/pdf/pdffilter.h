#pragma once
// The stream filters that text can pass through: Flate (zlib) and LZW with their PNG and TIFF
// predictors, ASCIIHex, ASCII85 and RunLength. Image filters are not decoded. Every decoder stops
// at Limit output bytes, and damaged input keeps what decoded before the damage.
#include <cstddef>
#include <string>
#include <string_view>

#include "pure/doctext/pdf/pdfobject.h"

namespace pdf {

enum class TFilterResult { Ok, Unsupported };

// Decodes In through the filter named Name with its parameters (a dictionary or null) into Out.
// Unsupported for image filters and unknown names.
TFilterResult ApplyFilter(std::string_view Name, const TObject& Parms, std::string_view In, std::string& Out,
                          std::size_t Limit);

}  // namespace pdf
