// zarnetcalc::Error, the failure every member of the component reports to its host.
#include "zarnetcalc/Error.h"

namespace zarnetcalc {

Error::Error(int number, const std::string& message)
    : std::runtime_error(message), number_(number) {}

int Error::Number() const noexcept {
    return number_;
}

}  // namespace zarnetcalc
