#include "core/text/fieldencoder.h"

#include "core/text/cp932.h"

namespace pelarin {

Bytes FieldEncoder::encode(std::string_view caption, std::u16string_view text) {
  FieldCharacters field{std::string(caption), {}};
  Bytes bytes = utf16ToCp932(text, field.characters);
  if (!field.characters.empty()) failed_.push_back(std::move(field));
  return bytes;
}

void FieldEncoder::check() const {
  if (!failed_.empty()) throw EncodeError(failed_);
}

void FieldEncoder::check(const std::string& heading, const std::string& closing) const {
  if (!failed_.empty()) throw EncodeError(failed_, heading, closing);
}

}  // namespace pelarin
