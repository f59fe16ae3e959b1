// The title on the disc: its description in Kelbit.ini, and whether this
// machine has it installed (Orvel.ini, or the user's virtual store copy).
#ifndef AUTORUN_PRODUCT_H
#define AUTORUN_PRODUCT_H

#include <string>

namespace autorun {

// The six values of section "Product Info" of Kelbit.ini, each whole; empty
// when file, section or key is missing.
struct Product {
  std::wstring icon;            // the picture beside "Run Program", as written
  std::wstring productLine;     // the section of Orvel.ini
  std::wstring bookmark;        // the key in that section
  std::wstring executableFile;  // the title's program, under the disc folder
  std::wstring header;          // the title, in large type
  std::wstring readme;          // the readme, under the disc folder
};

// Reads Kelbit.ini in `discFolder`. A value longer than kLongestText is a
// fatal error.
Product ReadProduct(const std::wstring& discFolder);

// True when the product's key has a value of at least one character in
// Orvel.ini of the Windows folder, or else in the current user's virtual
// store copy of that file.
bool IsInstalled(const Product& product);

}  // namespace autorun

#endif
