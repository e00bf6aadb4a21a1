// Encodes the fields of one window together, so that one error names every
// character of every field that has no code page 932 form.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/text/bytes.h"
#include "core/text/errors.h"

namespace pelarin {

class FieldEncoder {
 public:
  // The field's bytes; a character without a form is remembered and stands as "?".
  Bytes encode(std::string_view caption, std::u16string_view text);
  // Throws EncodeError naming what every field encoded so far lacks.
  void check() const;
  // The same for texts that are kept rather than sent.
  void check(const std::string& heading, const std::string& closing) const;

 private:
  std::vector<FieldCharacters> failed_;
};

}  // namespace pelarin
