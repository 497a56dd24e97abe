#include "scanners/section_table.h"

SectionTable BuildSectionTable() {
  return {{{" Major Keys", 1043, {"Major Keys"}},
           {" CLSID", 1038, {"CLSID"}},
           {" COM Names", 1046, {"COM App", "COM Names"}},
           {" Extensions", 1045, {"Extensions"}},
           {" App IDs", 1039, {"AppID"}},
           {" Interface", 1048, {"Interface"}},
           {" TypeLibs", 1047, {"TypeLib"}},
           {" ODBC", 1040, {"ODBC"}},
           {" Shared Tools", 1050, {"Shared Tools"}},
           {" File Types", 1049, {"FileType"}},
           {" App Paths", 1041, {"AppPaths"}},
           {" Help", 1052, {"Help", "HTML Help"}},
           {" Run Apps", 1051, {"Run", "RunOnce", "RunOnceEx", "RunServices", "RunServicesOnce"}},
           {" Fonts", 1042, {"Fonts"}},
           {" Uninstall", 1044, {"Uninstall"}}}};
}

std::string SectionName(const SectionRow& row) {
  return !row.displayName.empty() && row.displayName[0] == ' ' ? row.displayName.substr(1) : row.displayName;
}
