#include "engine/plain_forms.h"

#include <algorithm>
#include <vector>

namespace pismovar {
namespace {

// Plain std::sort and std::lower_bound rather than their ranges forms, which the C++ library
// of Emscripten's WebAssembly build does not have yet.
bool ByCharacter(const PlainForm& form, char32_t c) { return form.character < c; }

// The letters with diacritics and the box drawing, generated from Unicode's data.
constexpr PlainForm kGenerated[] = {
#include "engine/plain_forms_data.inc"
};

// The typographic characters of Czech and Slovak texts.
constexpr PlainForm kTypographic[] = {
    {0x00A0, ' '},  {0x2007, ' '},  {0x202F, ' '},                  // no-break spaces
    {0x00AD, '-'},  {0x2010, '-'},  {0x2011, '-'},  {0x2012, '-'},  // hyphens
    {0x2013, '-'},  {0x2014, '-'},  {0x2015, '-'},                  // dashes
    {0x00AB, '"'},  {0x00BB, '"'},  {0x201C, '"'},  {0x201D, '"'},  // quotation marks
    {0x201E, '"'},  {0x201F, '"'},  {0x2018, '\''}, {0x2019, '\''},
    {0x201A, '\''}, {0x201B, '\''}, {0x2039, '\''}, {0x203A, '\''},
};

const std::vector<PlainForm>& AllForms() {
  static const std::vector<PlainForm> forms = [] {
    std::vector<PlainForm> all(std::begin(kGenerated), std::end(kGenerated));
    all.insert(all.end(), std::begin(kTypographic), std::end(kTypographic));
    std::sort(all.begin(), all.end(), [](const PlainForm& a, const PlainForm& b) {
      return a.character < b.character;
    });
    return all;
  }();
  return forms;
}

}  // namespace

std::span<const PlainForm> PlainForms() { return AllForms(); }

char32_t PlainFormOf(char32_t c) {
  const auto& forms = AllForms();
  const auto it = std::lower_bound(forms.begin(), forms.end(), c, ByCharacter);
  return it != forms.end() && it->character == c ? it->plain : 0;
}

}  // namespace pismovar
