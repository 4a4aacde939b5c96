#include "tools/distcheck/editions.h"

#include "env/probes.h"
#include "env/setup_ini.h"
#include "tools/distcheck/pe_image.h"

const std::vector<Edition>& SupportedEditions() {
  static const std::vector<Edition> editions = [] {
    std::vector<Edition> list;
    for (int kind : {OS_WINXP, OS_VISTA, OS_WIN7}) {
      for (BOOL wow64 : {FALSE, TRUE}) {
        list.push_back({GetEditionTag(kind, wow64), wow64 ? kMachineAmd64 : kMachineI386});
      }
    }
    return list;
  }();
  return editions;
}
