#pragma once
// QApplication sets the C library's locale from the user's environment; the
// media libraries parse numbers ("0.5" in filter strings, options) with the C
// runtime, which must therefore keep the "C" decimal point. Texts for the user
// take their decimal separator from the locale explicitly.
namespace zvapp {

// Call right after QApplication is made.
void UseCNumericLocale();

}  // namespace zvapp
