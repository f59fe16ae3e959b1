// The import and export tables of a PE32 file, read from disk.
#ifndef KLV_PE_IMAGE_H
#define KLV_PE_IMAGE_H

#include <string>
#include <vector>

namespace klvtest {

struct PeImage {
  std::string exportName;             // the name the export directory records
  std::vector<std::string> exports;   // exported names
  std::vector<std::string> imports;   // imported DLL names, lower case
  std::vector<std::string> importedFunctions;  // imported by name, from any DLL, as spelt
};

// Throws std::runtime_error when the file is not a readable PE32 image.
PeImage ReadPeImage(const std::string& path);

// A DLL that every Windows has (lower-case name): the only imports allowed
// to the deliverables and tools, besides kLv_Tool.dll for the Xtra.
bool IsSystemDll(const std::string& name);

}  // namespace klvtest

#endif
