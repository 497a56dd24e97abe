#include "scanners/section_table.h"

SectionTable BuildSectionTable() {
  return {{{" Major Keys", 1043},
           {" CLSID", 1038},
           {" COM Names", 1046},
           {" Extensions", 1045},
           {" App IDs", 1039},
           {" Interface", 1048},
           {" TypeLibs", 1047},
           {" ODBC", 1040},
           {" Shared Tools", 1050},
           {" File Types", 1049},
           {" App Paths", 1041},
           {" Help", 1052},
           {" Run Apps", 1051},
           {" Fonts", 1042},
           {" Uninstall", 1044}}};
}

std::string SectionName(const SectionRow& row) {
  return !row.displayName.empty() && row.displayName[0] == ' ' ? row.displayName.substr(1) : row.displayName;
}
