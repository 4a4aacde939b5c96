#include "tools/distcheck/inf/editions.h"

#include "env/probes.h"
#include "env/setup_ini.h"
#include "tools/distcheck/pe/pe_image.h"

const std::vector<Edition>& SupportedEditions() {
  static const std::vector<Edition> editions = [] {
    std::vector<Edition> list;
    for (int kind : {OS_WINXP, OS_VISTA, OS_WIN7}) {
      for (BOOL wow64 : {FALSE, TRUE}) {
        const bool amd64 = wow64 != FALSE;
        const InfTarget target = kind == OS_WINXP   ? InfTarget{amd64, 5, amd64 ? 2 : 1, 6, 0}
                                 : kind == OS_VISTA ? InfTarget{amd64, 6, 0, 6, 1}
                                                    : InfTarget{amd64, 6, 1, 0, 0};
        list.push_back({GetEditionTag(kind, wow64), wow64 ? kMachineAmd64 : kMachineI386, target});
      }
    }
    return list;
  }();
  return editions;
}
