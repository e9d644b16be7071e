#pragma once

#include <string>
#include <string_view>

namespace wpi {

class raw_ostream;

// A lazily concatenated string: a view of one or two pieces (texts or other twines). It does not
// own what it refers to, so, as with the real class, keep it only for the full expression that
// made it.
class Twine {
 public:
  Twine() = default;
  Twine(const char* text) : kind_(text ? Kind::CString : Kind::Empty), text_(text) {}
  Twine(const std::string& text) : kind_(Kind::StdString), string_(&text) {}
  Twine(std::string_view text) : kind_(Kind::View), view_(text) {}
  Twine(const Twine& lhs, const Twine& rhs) : kind_(Kind::Concat), lhs_(&lhs), rhs_(&rhs) {}
  Twine(const Twine&) = default;
  Twine& operator=(const Twine&) = delete;

  Twine concat(const Twine& suffix) const { return Twine(*this, suffix); }
  // The whole text.
  std::string str() const;
  void print(raw_ostream& out) const;
  // True when the text is one piece that getSingleStringRef() returns without copying.
  bool isSingleStringRef() const { return kind_ != Kind::Concat; }
  std::string_view getSingleStringRef() const;

 private:
  enum class Kind { Empty, CString, StdString, View, Concat };
  void appendTo(std::string& out) const;

  Kind kind_ = Kind::Empty;
  const char* text_ = nullptr;
  const std::string* string_ = nullptr;
  std::string_view view_;
  const Twine* lhs_ = nullptr;
  const Twine* rhs_ = nullptr;
};

inline Twine operator+(const Twine& lhs, const Twine& rhs) {
  return lhs.concat(rhs);
}

}  // namespace wpi
