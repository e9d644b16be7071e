#include "wpi/Twine.h"

#include "wpi/raw_ostream.h"

namespace wpi {

std::string_view Twine::getSingleStringRef() const {
  switch (kind_) {
    case Kind::CString:
      return text_;
    case Kind::StdString:
      return *string_;
    case Kind::View:
      return view_;
    default:
      return {};
  }
}

void Twine::appendTo(std::string& out) const {
  if (kind_ == Kind::Concat) {
    lhs_->appendTo(out);
    rhs_->appendTo(out);
  } else {
    out.append(getSingleStringRef());
  }
}

std::string Twine::str() const {
  std::string out;
  appendTo(out);
  return out;
}

void Twine::print(raw_ostream& out) const {
  if (kind_ == Kind::Concat) {
    lhs_->print(out);
    rhs_->print(out);
  } else {
    out << getSingleStringRef();
  }
}

}  // namespace wpi
