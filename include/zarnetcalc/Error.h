// The error a member of the component returns to its host: a platform-style error number and its
// message. Plain C++, shared by every binding of the component.
#pragma once

#include <stdexcept>
#include <string>

#include "zarnetcalc/zarnetcalc_export.h"

namespace zarnetcalc {

class ZARNETCALC_EXPORT Error : public std::runtime_error {
  public:
    Error(int number, const std::string& message);
    int Number() const noexcept;

  private:
    int number_;
};

inline constexpr int kErrInvalidCall = 5;    // "Invalid procedure call or argument"
inline constexpr int kErrOverflow = 6;       // "Overflow"
inline constexpr int kErrTypeMismatch = 13;  // "Type mismatch"
inline constexpr int kErrObjectNotSet = 91;  // "Object variable or With block variable not set"

}  // namespace zarnetcalc
