#include "zones/mdlActiveNetwork.h"

#include <algorithm>

#include "core/ErrorBoundary.h"
#include "core/VBRuntime.h"
#include "core/mdlMain.h"
#include "core/mdlMorvantisDatabase.h"
#include "zones/mdlCommon.h"

namespace mv {

std::string IPToString(const platform::IPv4Bytes& bytes) {
  return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." + std::to_string(bytes[2]) + "." +
         std::to_string(bytes[3]);
}

void DetectActiveNetwork() {
  ErrorBoundary("DetectActiveNetwork of mdlActiveNetwork", [&] {
    auto table = platform::interfaceAddresses();
    if (!table || table->empty()) return;
    size_t looked = std::min(table->size(), static_cast<size_t>(kMaxDetectedNetworks));
    long n = 1;
    EntryValues last;
    std::vector<std::string> addresses;
    for (size_t i = 0; i < looked; ++i) {
      std::string ip = IPToString((*table)[i].address), mask = IPToString((*table)[i].mask);
      if (ip == "0.0.0.0" || ip == "127.0.0.1") continue;
      const std::string id = GetNewRowIndex();
      EntryValues row = {{"IP", ip},
                         {"SubnetMask", mask},
                         {"Name", "New Network " + std::to_string(n)},
                         {"Description", ip + "/" + mask},
                         {"Zone", "2"},
                         {"ActiveNetwork", "1"},
                         {"ID", id}};
      // A network that cannot be stored (logged) ends the detection: the
      // networks before it keep their consecutive IDs and address rows.
      if (id.empty() || !Write_MorvantisNewData(Database_SubnetSetting, FormatNumber(n, "0000"), EntryRow(row), false))
        break;
      last = std::move(row);
      addresses.push_back(ip + "/" + Str(GetMaskBits(mask)));
      ++n;
    }
    // Address rows that cannot be written are logged by the store; the
    // next start detects the networks again.
    if (!addresses.empty()) static_cast<void>(AddIPAddressData(ipNetwork, last, addresses));
  });
}

}  // namespace mv
