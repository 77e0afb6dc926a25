#include "app/numeric_locale.h"

#include <clocale>

namespace zvapp {

void UseCNumericLocale() { std::setlocale(LC_NUMERIC, "C"); }

}  // namespace zvapp
